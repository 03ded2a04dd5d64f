// What the browser tests share: the repository's folders, the converter to
// compare with, and a photo-like JPEG made once by ImageMagick from a fixed
// seed (large enough that every vector loop runs over many blocks).
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');

const root = path.resolve(__dirname, '../..');
const cli = process.env.VELMORA_CLI || path.join(root, 'build/native/cli/velmora-cli');
const data = path.join(root, 'build/web-test-data');

function made(name, args) {
    const file = path.join(data, name);
    if (!fs.existsSync(file)) {
        fs.mkdirSync(data, { recursive: true });
        execFileSync('/usr/bin/convert', [...args, file + '.part.' + path.extname(name).slice(1)]);
        fs.renameSync(file + '.part.' + path.extname(name).slice(1), file);
    }
    return file;
}

// 333 x 211: widths that are no multiple of 16 leave a tail to every loop.
function photo() {
    return made('photo.jpg', ['-seed', '7', '-size', '333x211', 'plasma:', '-blur', '0x1', '-quality', '90']);
}

module.exports = { root, cli, data, made, photo };
