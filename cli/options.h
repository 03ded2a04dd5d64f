// Command-line options of the converter. An input "-" is standard input and
// an output "-" standard output: they are no files, and each makes a batch
// of one.
#pragma once

#include "output_colours.h"

#include <string>
#include <vector>

enum class OutputFormat { Bmp, Png, Svg };

struct ConvertOptions {
    int thickness = 0;  // 0 thin, 1 thick
    int contrast = 7;   // as the user sees it, 1 to 16
    bool noise = false;
    std::string output;           // empty: beside each input, or in outputFolder
    std::string outputFolder;     // empty: beside each input
    bool quiet = false;           // no "INPUT -> OUTPUT" line per file
    int jobs = 0;                 // files converted at once; 0: one per usable processor
    bool decodeAhead = false;     // each file decoded on a thread of its own (set for spare processors)
    OutputFormat format = OutputFormat::Bmp;
    OutputColours colours;        // for SVG transparent unless --background was given
    std::vector<std::string> inputs;
};

enum class ParseOutcome { Convert, Help, Version, UsageError };

// Reads the arguments after the program name, in GNU's forms (--name VALUE,
// --name=VALUE, -l VALUE, -lVALUE). Without --format the output is PNG when
// -o names a .png file, SVG when it names a .svg file, else BMP (so standard
// output takes BMP); an -o name with another extension than its format's
// is refused. On UsageError, message holds one line naming the bad option
// or value, or the options that conflict.
ParseOutcome ParseArguments(const std::vector<std::string>& arguments, ConvertOptions& options,
                            std::string& message);

// The file name extension of the format, with its dot.
const char* OutputExtension(OutputFormat format);

extern const char* const UsageText;
