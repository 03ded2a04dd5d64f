// The WebAssembly engine writes the bytes the native build writes, for every
// input kind and several options of each line style, built with SIMD and
// without it; the build without it has not one SIMD instruction. Needs
// build/web-wasm (scripts/web.sh build) and build/native.
'use strict';
const { test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
// engine.js finds choices.js's tables where the worker loads them first:
// the built page's, made from the engine by web/make-choices.js.
const { VelmoraChoices, VelmoraErrors } = require('../../build/web/src/choices.js');
Object.assign(globalThis, { VelmoraChoices, VelmoraErrors });
const { velmoraConvert } = require('../src/engine.js');
const { root, photo, expectedOutput, assertSame, engine, engineNames, headerNumbers } = require('./fixtures.js');

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
    { thick: false, contrast: 7, noise: false, format: 'png', transparent: false, style: 'photo' },
    { thick: true, contrast: 9, noise: true, format: 'svg', transparent: true, style: 'photo' },
];

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

// What the page knows without the engine is the engine's: its lists in its
// order, the formats' facts, the contrast's bounds and the error numbers
// velmora.h gives (none of them the worker's own), and a save button for
// each format.
test('choices.js holds the engine\'s lists and velmora.h\'s numbers', { timeout: 60000 }, async () => {
    const module = await engine('velmora');
    const text = (address) => module.UTF8ToString(address);
    assert.deepStrictEqual(VelmoraChoices.styles, engineNames(module, module._velmora_style_name));
    assert.deepStrictEqual(VelmoraChoices.thicknesses, engineNames(module, module._velmora_thickness_name));
    const formats = engineNames(module, module._velmora_format_name).map((name, n) => ({
        name,
        extension: text(module._velmora_format_extension(n)),
        mediaType: text(module._velmora_format_media_type(n)),
    }));
    assert.deepStrictEqual(VelmoraChoices.formats, formats);
    const header = headerNumbers();
    assert.deepStrictEqual(VelmoraChoices.contrast, {
        lowest: header.CONTRAST_LOWEST, highest: header.CONTRAST_HIGHEST, default: header.CONTRAST_DEFAULT,
    });
    for (const [key, number] of Object.entries(VelmoraErrors)) {
        const name = `ERROR_${key.replace(/[A-Z]/g, (capital) => `_${capital}`).toUpperCase()}`;
        if (key === 'unavailable') {
            assert.ok(!Object.entries(header).some(([n, v]) => n.startsWith('ERROR_') && v === number), key);
        } else {
            assert.strictEqual(number, header[name], key);
        }
    }
    const page = fs.readFileSync(path.join(root, 'web/index.html'), 'utf8');
    const buttons = new Set([...page.matchAll(/data-format="(\w+)"/g)].map(([, format]) => format));
    assert.deepStrictEqual([...buttons].sort(), VelmoraChoices.formats.map((format) => format.name).sort());
});

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
