// Command-line options of the converter. An input "-" is standard input and
// an output "-" standard output: they are no files, and each makes a batch
// of one.
#pragma once

#include "velmora.h"

#include <cstdint>
#include <string>
#include <vector>

struct ConvertOptions {
    int thickness = VELMORA_THIN;             // VELMORA_THIN or VELMORA_THICK
    int contrast = VELMORA_CONTRAST_DEFAULT;  // as the user sees it, VELMORA_CONTRAST_LOWEST to _HIGHEST
    bool noise = false;
    int style = VELMORA_STYLE_EDGES;          // a VELMORA_STYLE_ value
    std::string output;           // empty: beside each input, or in outputFolder
    std::string outputFolder;     // empty: beside each input
    bool quiet = false;           // no "INPUT -> OUTPUT" line per file
    bool recursive = false;       // an input folder's sub-folders converted too
    int jobs = 0;                 // files converted at once; 0: one per usable processor
    bool decodeAhead = false;     // each file decoded on a thread of its own (set for spare processors)
    int format = VELMORA_FORMAT_BMP;       // a VELMORA_FORMAT_ value
    uint32_t lineColour = 0x000000;        // 0xRRGGBB
    uint32_t backgroundColour = 0xFFFFFF;  // 0xRRGGBB
    bool transparent = false;              // for SVG true unless --background was given
    std::vector<std::string> inputs;
};

enum class ParseOutcome { Convert, Help, Version, UsageError };

// Reads the arguments after the program name, in GNU's forms (--name VALUE,
// --name=VALUE, -l VALUE, -lVALUE). Without --format the output is in the
// format whose extension the -o name has (PNG for .png, SVG for .svg), else
// BMP (so standard output takes BMP); an -o name with another extension
// than its format's is refused, and so is an -o for an input that is a
// folder. On UsageError, message holds one line naming the bad option
// or value, or the options that conflict.
ParseOutcome ParseArguments(const std::vector<std::string>& arguments, ConvertOptions& options,
                            std::string& message);
