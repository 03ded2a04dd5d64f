// velmora_convert for JavaScript: a picture file's bytes in, the output
// file's bytes out, through a module made by createVelmora (velmora.js).
// A classic script, for the worker's importScripts and node's require alike,
// after choices.js (VelmoraErrors).
'use strict';

// The number of name in one of the engine's lists, whose function gives the
// name of each number up to the first null; -1 for a name of none, which
// the engine refuses.
function velmoraNumber(module, nameOf, name) {
    for (let value = 0; ; ++value) {
        const address = nameOf(value);
        if (!address) return -1;
        if (module.UTF8ToString(address) === name) return value;
    }
}

// velmora_options: thickness, contrast, noise, format, line_colour,
// background_colour, transparent, decode_ahead, style, reserved[7]; 4 bytes
// each.
const OptionsBytes = 16 * 4;

// options: { thick, contrast, noise, format ('bmp', 'png', 'svg'),
// transparent, style (a name in the engine's list; left out, the library's
// default, which velmora_options_init sets) }. Returns { bytes } (a
// Uint8Array of its own) or { error, message } with velmora.h's error number
// and its sentence.
function velmoraConvert(module, input, options) {
    const optionsAddress = module._malloc(OptionsBytes);
    const inputAddress = module._malloc(Math.max(input.length, 1));
    const outputAddress = module._malloc(8);
    try {
        if (!optionsAddress || !inputAddress || !outputAddress) {
            return { error: VelmoraErrors.outOfMemory, message: 'out of memory' };
        }
        module._velmora_options_init(optionsAddress);
        const fields = optionsAddress >> 2;
        module.HEAP32[fields] = velmoraNumber(module, module._velmora_thickness_name, options.thick ? 'thick' : 'thin');
        module.HEAP32[fields + 1] = options.contrast;
        module.HEAP32[fields + 2] = options.noise ? 1 : 0;
        module.HEAP32[fields + 3] = velmoraNumber(module, module._velmora_format_name, options.format);
        module.HEAP32[fields + 6] = options.transparent ? 1 : 0;
        if (options.style !== undefined) {
            module.HEAP32[fields + 8] = velmoraNumber(module, module._velmora_style_name, options.style);
        }
        module.HEAPU8.set(input, inputAddress);
        const error = module._velmora_convert(inputAddress, input.length, optionsAddress, outputAddress,
                                              outputAddress + 4);
        if (error) return { error, message: module.UTF8ToString(module._velmora_strerror(error)) };
        const bytesAddress = module.HEAPU32[outputAddress >> 2];
        const size = module.HEAPU32[(outputAddress >> 2) + 1];
        const bytes = module.HEAPU8.slice(bytesAddress, bytesAddress + size);
        module._velmora_free(bytesAddress);
        return { bytes };
    } finally {
        module._free(outputAddress);
        module._free(inputAddress);
        module._free(optionsAddress);
    }
}

if (typeof module !== 'undefined') module.exports = { velmoraConvert };
