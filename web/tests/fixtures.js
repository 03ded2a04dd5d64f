// What the browser tests share: the repository's folders, the native
// build's output for given options, pictures made once by ImageMagick from a
// fixed seed, a static server of build/web and Debian's chromium.
'use strict';
const assert = require('node:assert');
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const { loadEngine, engineNames, headerNumbers } = require('../make-choices.js');

const root = path.resolve(__dirname, '../..');
const cli = process.env.VELMORA_CLI || path.join(root, 'build/native/cli/velmora-cli');
const site = path.join(root, 'build/web');
const data = path.join(root, 'build/web-test-data');

function made(name, args) {
    const file = path.join(data, name);
    if (!fs.existsSync(file)) {
        fs.mkdirSync(data, { recursive: true });
        const part = path.join(data, `part-${name}`);
        execFileSync('/usr/bin/convert', [...args, part]);
        fs.renameSync(part, file);
    }
    return file;
}

// ImageMagick's built-in drawing, 333 pixels wide: a width that is no
// multiple of 16 leaves a tail to every vector loop.
function photo() {
    return made('photo.jpg', ['logo:', '-resize', '333x', '-quality', '90']);
}

// A PNG with transparency: the drawing on a background fading out.
function transparentPng() {
    return made('transparent.png', ['logo:', '-resize', '201x', '-alpha', 'set', '-channel', 'A', '-fx', 'i/w',
                                    '+channel']);
}

function cliArguments(o) {
    const args = ['--thickness', o.thick ? 'thick' : 'thin', '--contrast', String(o.contrast),
                  '--noise', o.noise ? 'on' : 'off', '--format', o.format, '--quiet'];
    if (o.transparent) args.push('--background', 'transparent');
    if (o.style) args.push('--style', o.style);
    return args;
}

// Runs program with the arguments args(output) gives; returns the file it
// wrote at output.
function written(program, args) {
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'velmora-web-'));
    try {
        const output = path.join(folder, 'out');
        execFileSync(program, args(output));
        return fs.readFileSync(output);
    } finally {
        fs.rmSync(folder, { recursive: true, force: true });
    }
}

// The bytes the page and the engine must write for input with options
// { thick, contrast, noise, format, transparent, style }: velmora-cli's.
function expectedOutput(input, o) {
    return written(cli, (output) => [...cliArguments(o), '-o', output, input]);
}

function firstDifference(a, b) {
    const n = Math.min(a.length, b.length);
    for (let i = 0; i < n; ++i) if (a[i] !== b[i]) return i;
    return n;
}

// Fails unless actual holds the bytes expected, telling where they part.
function assertSame(actual, expected, what) {
    assert.ok(Buffer.from(actual).equals(expected), `${what}: ${actual.length} bytes against the native build's ` +
              `${expected.length}, first difference at ${firstDifference(actual, expected)}`);
}

const Types = {
    '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css', '.svg': 'image/svg+xml',
    '.wasm': 'application/wasm', '.webmanifest': 'application/manifest+json',
};

// Serves build/web on a free port of 127.0.0.1, as a static host would.
function serve() {
    const server = http.createServer((request, response) => {
        let name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
        if (name.endsWith('/')) name += 'index.html';
        const file = path.join(site, path.normalize(name));
        if (!file.startsWith(site) || !fs.existsSync(file)) {
            response.writeHead(404);
            response.end();
            return;
        }
        response.writeHead(200, { 'Content-Type': Types[path.extname(file)] || 'application/octet-stream' });
        fs.createReadStream(file).pipe(response);
    });
    return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// The engine build (velmora or velmora-plain) of build/web-wasm.
function engine(build) {
    return loadEngine(path.join(root, 'build/web-wasm', `${build}.js`));
}

function launch() {
    const { chromium } = require('playwright-core');
    return chromium.launch({ executablePath: '/usr/bin/chromium', headless: true, args: ['--no-sandbox'], timeout: 60000 });
}

module.exports = {
    root, cli, data, made, photo, transparentPng, expectedOutput, assertSame, engine, engineNames,
    headerNumbers: () => headerNumbers(path.join(root, 'include/velmora.h')), serve, launch,
};
