// What the page and its worker know of velmora.h without the engine: the
// names of its choices in its order (each name also the key of its labels
// in strings.js), the contrast's bounds and default, and the error numbers
// the page tells apart, with the worker's own for an engine that cannot
// run. A classic script, loaded before anything else by index.html and the
// worker, and by node's require for the tests, which check each value
// against the engine's lists and velmora.h.
'use strict';

const VelmoraChoices = {
    styles: ['edges', 'ink'],
    thicknesses: ['thin', 'thick'],
    formats: [
        { name: 'bmp', extension: '.bmp', mediaType: 'image/bmp' },
        { name: 'png', extension: '.png', mediaType: 'image/png' },
        { name: 'svg', extension: '.svg', mediaType: 'image/svg+xml' },
    ],
    contrast: { lowest: 1, highest: 16, default: 7 },
};

const VelmoraErrors = {
    notAnImage: 14, damaged: 15, tooManyScans: 16, tooLarge: 17, outOfMemory: 18,
    // Not one of velmora.h's numbers: the engine cannot run in this browser
    // (one without WebAssembly) or could not be fetched.
    unavailable: -1,
};

if (typeof module !== 'undefined') module.exports = { VelmoraChoices, VelmoraErrors };
