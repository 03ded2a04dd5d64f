// The WebAssembly engine writes the bytes the native build writes, for every
// input kind and several options of both line styles, built with SIMD and
// without it; the build without it has not one SIMD instruction. Needs
// build/web-wasm (scripts/web.sh build) and build/native.
'use strict';
const { test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const { velmoraConvert } = require('../src/engine.js');
const { root, photo, expectedOutput, assertSame } = require('./fixtures.js');

const inputs = [
    photo(),
    path.join(root, 'tests/data/jpeg/progressive.jpg'),
    path.join(root, 'tests/data/pngsuite/png/basn6a08.png'),
    path.join(root, 'tests/data/bmp/rgb24.bmp'),
    path.join(root, 'tests/data/bmp/pal8rle.bmp'),
];

const settings = [
    { thick: false, contrast: 7, noise: false, format: 'png', transparent: false },
    { thick: true, contrast: 3, noise: true, format: 'png', transparent: true },
    { thick: false, contrast: 16, noise: true, format: 'bmp', transparent: false },
    { thick: true, contrast: 1, noise: false, format: 'bmp', transparent: false },
    { thick: false, contrast: 7, noise: true, format: 'svg', transparent: true },
    { thick: true, contrast: 5, noise: false, format: 'svg', transparent: true },
    { thick: false, contrast: 7, noise: false, format: 'png', transparent: false, style: 'ink' },
    { thick: true, contrast: 12, noise: true, format: 'bmp', transparent: false, style: 'ink' },
    { thick: false, contrast: 2, noise: true, format: 'svg', transparent: true, style: 'ink' },
];

// Node has fetch, which takes no file names: the module gets its bytes.
function engine(build) {
    const createVelmora = require(path.join(root, 'build/web-wasm', `${build}.js`));
    return createVelmora({ wasmBinary: fs.readFileSync(path.join(root, 'build/web-wasm', `${build}.wasm`)) });
}

for (const build of ['velmora', 'velmora-plain']) {
    test(`${build} writes the native build's bytes`, { timeout: 300000 }, async () => {
        const module = await engine(build);
        for (const input of inputs) {
            const bytes = fs.readFileSync(input);
            for (const o of settings) {
                const expected = expectedOutput(input, o);
                const result = velmoraConvert(module, bytes, o);
                assert.ifError(result.message);
                assertSame(result.bytes, expected, `${path.basename(input)} ${JSON.stringify(o)}`);
            }
        }
    });
}

test('a damaged file is refused with its error number', { timeout: 60000 }, async () => {
    const module = await engine('velmora');
    const jpeg = fs.readFileSync(photo());
    const cut = jpeg.subarray(0, jpeg.length >> 1);
    assert.strictEqual(velmoraConvert(module, cut, settings[0]).error, 15);
    assert.strictEqual(velmoraConvert(module, Buffer.from('not a picture'), settings[0]).error, 14);
});

// A browser without WebAssembly SIMD refuses a module with any SIMD
// instruction. Every one of them names v128 or its lanes in the text form
// (Debian's binaryen, which Emscripten uses), as velmora.wasm's show.
test('velmora-plain has no SIMD instruction, velmora has', { timeout: 120000 }, () => {
    const simd = /\bv128\.|\b[if](8x16|16x8|32x4|64x2)\./;
    const text = (build) => execFileSync('/usr/bin/wasm-dis', [path.join(root, 'build/web-wasm', `${build}.wasm`)],
                                         { maxBuffer: 1 << 30 }).toString();
    assert.match(text('velmora'), simd);
    assert.doesNotMatch(text('velmora-plain'), simd);
});
