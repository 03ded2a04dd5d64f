// Writes the built page's src/choices.js: what the page and its worker know
// of the engine before it has loaded, taken from the engine itself (its
// lists, counted up to the first null name) and from velmora.h (the
// contrast's bounds and default, the style for photographs, the error
// numbers), so that the page has no list of its own. Each name is also the key of its labels in strings.js.
//   node web/make-choices.js ENGINE.js VELMORA_H OUTPUT
'use strict';

const fs = require('node:fs');
const path = require('node:path');

// The engine built as enginePath (velmora.js beside its .wasm), in node,
// which has fetch but takes no file names: the module gets its bytes.
function loadEngine(enginePath) {
    const createVelmora = require(path.resolve(enginePath));
    return createVelmora({ wasmBinary: fs.readFileSync(enginePath.replace(/\.js$/, '.wasm')) });
}

// The names of one of the engine's lists: nameOf is one of its _name
// functions.
function engineNames(module, nameOf) {
    const names = [];
    for (let value = 0; nameOf(value); ++value) names.push(module.UTF8ToString(nameOf(value)));
    return names;
}

// velmora.h's numbered constants by name without the prefix:
// { ERROR_DAMAGED: 15, CONTRAST_LOWEST: 1, ... }.
function headerNumbers(headerPath) {
    const header = fs.readFileSync(headerPath, 'utf8');
    const numbers = [...header.matchAll(/\bVELMORA_(\w+) = (-?\d+)/g)];
    return Object.fromEntries(numbers.map(([, name, number]) => [name, Number(number)]));
}

function choices(module, header) {
    const text = (address) => module.UTF8ToString(address);
    const errors = {};
    for (const [name, number] of Object.entries(header)) {
        if (!name.startsWith('ERROR_')) continue;
        // ERROR_NOT_AN_IMAGE: notAnImage
        const words = name.slice('ERROR_'.length).toLowerCase().split('_');
        errors[words[0] + words.slice(1).map((word) => word[0].toUpperCase() + word.slice(1)).join('')] = number;
    }
    // Not one of velmora.h's numbers: the engine cannot run in this browser
    // (one without WebAssembly) or could not be fetched.
    errors.unavailable = -1;
    const styles = engineNames(module, module._velmora_style_name);
    return {
        VelmoraChoices: {
            styles,
            // The style for photographs (VELMORA_STYLE_PHOTO), which the page
            // opens on.
            photoStyle: styles[header.STYLE_PHOTO],
            thicknesses: engineNames(module, module._velmora_thickness_name),
            formats: engineNames(module, module._velmora_format_name).map((name, n) => ({
                name,
                extension: text(module._velmora_format_extension(n)),
                mediaType: text(module._velmora_format_media_type(n)),
            })),
            contrast: { lowest: header.CONTRAST_LOWEST, highest: header.CONTRAST_HIGHEST, default: header.CONTRAST_DEFAULT },
        },
        VelmoraErrors: errors,
    };
}

async function main([enginePath, headerPath, output]) {
    const module = await loadEngine(enginePath);
    const made = choices(module, headerNumbers(headerPath));
    fs.writeFileSync(output, [
        '// Made by web/make-choices.js from the engine and velmora.h: a classic',
        '// script, loaded first by index.html and the worker.',
        "'use strict';",
        `const VelmoraChoices = ${JSON.stringify(made.VelmoraChoices, null, 4)};`,
        `const VelmoraErrors = ${JSON.stringify(made.VelmoraErrors, null, 4)};`,
        "if (typeof module !== 'undefined') module.exports = { VelmoraChoices, VelmoraErrors };",
        '',
    ].join('\n'));
}

if (require.main === module) {
    main(process.argv.slice(2)).catch((error) => {
        console.error(`make-choices: ${error.message}`);
        process.exit(1);
    });
}

module.exports = { loadEngine, engineNames, headerNumbers };
