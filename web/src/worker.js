// The conversions, off the page's thread. Messages in:
//   { id, type: 'open', bytes, options }  converts a new picture file and,
//                                          when it converts, keeps it;
//   { id, type: 'convert', options }      converts the kept picture.
// Messages out: { id, bytes, memory, seconds } (bytes transferred; memory,
// the engine's WebAssembly memory in bytes; seconds, the conversion's time) or { id, error, message }, error
// being velmora.h's number or VelmoraErrors.unavailable, message the reason in English, for the console.
// The page names the worker plain where the browser has no WebAssembly SIMD:
// the engine built without it is loaded then. (The name, not the address,
// because a worker served by the service worker takes the cached file's.)
'use strict';

importScripts('choices.js');
let engine = load();
let picture = null;

// A promise of the engine. Its scripts are fetched (again, after a failure:
// the network may be back) until they have come once.
function load() {
    try {
        if (typeof velmoraConvert === 'undefined') {
            importScripts(self.name === 'plain' ? 'velmora-plain.js' : 'velmora.js', 'engine.js');
        }
        return createVelmora();
    } catch (reason) {
        return Promise.reject(reason);
    }
}

async function convert(input, options) {
    let module;
    try {
        module = await engine;
    } catch (reason) {
        engine = load();
        return { error: VelmoraErrors.unavailable, message: String(reason) };
    }
    try {
        const started = performance.now();
        const result = velmoraConvert(module, input, options);
        return { ...result, memory: module.HEAPU8.length, seconds: (performance.now() - started) / 1000 };
    } catch (abort) {
        // The engine stopped (an allocation the library could not refuse):
        // a fresh one takes the next picture.
        engine = load();
        return { error: VelmoraErrors.outOfMemory, message: String(abort) };
    }
}

self.onmessage = async (event) => {
    const { id, type, options } = event.data;
    const input = type === 'open' ? new Uint8Array(event.data.bytes) : picture;
    const result = await convert(input, options);
    if (!result.error && type === 'open') picture = input;
    const transfer = result.bytes ? [result.bytes.buffer] : [];
    self.postMessage({ id, ...result }, transfer);
};
