#include "options.h"

#include "paths.h"

#include <algorithm>

const char* const UsageText =
    "usage: velmora-cli [--thickness thin|thick] [--contrast 1-16] [--noise off|on]\n"
    "                   [--format bmp|png|svg] [--lines COLOR] [--background COLOR|transparent]\n"
    "                   [-o OUTPUT | --output-dir DIR] [-j N] [--quiet] INPUT...\n"
    "\n"
    "Turns each BMP, JPEG or PNG input into a line drawing, black on white unless\n"
    "other colours are given.\n"
    "\n"
    "  --thickness thin|thick  line thickness (default thin)\n"
    "  --contrast 1-16         larger numbers keep only stronger edges (default 7)\n"
    "  --noise off|on          remove small specks (default off)\n"
    "  --format bmp|png|svg    output format (default: PNG or SVG when the -o name\n"
    "                          ends in .png or .svg, else a 24-bit BMP)\n"
    "  --lines COLOR           colour of the lines (default black)\n"
    "  --background COLOR|transparent\n"
    "                          colour of the rest (default white, for SVG\n"
    "                          transparent); transparent needs PNG or SVG\n"
    "  -o OUTPUT               output file of a single input; - is standard output\n"
    "  --output-dir DIR        write the outputs into DIR, created if missing\n"
    "  -j, --jobs N            convert N files at once (default: one per processor)\n"
    "  --quiet                 do not list the files written\n"
    "  --help                  show this help\n"
    "  --version               show the version\n"
    "\n"
    "COLOR is black, white or #RRGGBB in hexadecimal. A PNG output of a line\n"
    "drawing takes 1 bit per pixel. An SVG output holds one stroke along the\n"
    "middle of each line, as wide as the lines (1 pixel thin, 2 pixels thick).\n"
    "The input's pixel density, if it has one, is kept in the output.\n"
    "\n"
    "Without -o, each output is written beside its input (or into DIR) as\n"
    "NAME-velmora.bmp, or NAME-velmora.png or NAME-velmora.svg with --format.\n"
    "An INPUT of - is standard input, which needs -o; -o - writes the drawing to\n"
    "standard output, as BMP unless --format says otherwise.\n";

namespace {

// A decimal number from low to high, of at most 9 digits so that it cannot
// overflow.
bool ParseNumber(const std::string& text, int low, int high, int& number) {
    if (text.empty() || text.size() > 9) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high) return false;
    number = value;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// black, white or #RRGGBB.
bool ParseColour(const std::string& text, uint32_t& colour) {
    if (text == "black" || text == "white") {
        colour = text == "black" ? 0x000000 : 0xFFFFFF;
        return true;
    }
    if (text.size() != 7 || text[0] != '#') return false;
    uint32_t value = 0;
    for (size_t i = 1; i < 7; ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0) return false;
        value = value << 4 | uint32_t(digit);
    }
    colour = value;
    return true;
}

// Whether the path ends in ".svg" in any letter case (setting bit 5 makes
// an ASCII capital small).
bool HasSvgExtension(const std::string& path) {
    if (path.size() < 4) return false;
    const std::string tail = path.substr(path.size() - 4);
    return tail[0] == '.' && (tail[1] | 0x20) == 's' && (tail[2] | 0x20) == 'v' && (tail[3] | 0x20) == 'g';
}

}  // namespace

const char* OutputExtension(OutputFormat format) {
    return format == OutputFormat::Png ? ".png" : format == OutputFormat::Svg ? ".svg" : ".bmp";
}

ParseOutcome ParseArguments(const std::vector<std::string>& arguments, ConvertOptions& options,
                            std::string& message) {
    bool optionsEnded = false;
    bool formatGiven = false;
    bool backgroundGiven = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            options.inputs.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") return ParseOutcome::Help;
        if (argument == "--version") return ParseOutcome::Version;
        if (argument == "--quiet") {
            options.quiet = true;
            continue;
        }

        std::string value;
        bool hasValue = false;
        if (const size_t equals = argument.find('='); argument.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = argument.substr(equals + 1);
            argument = argument.substr(0, equals);
            hasValue = true;
        }
        if (argument != "--thickness" && argument != "--contrast" && argument != "--noise" && argument != "-o" &&
            argument != "--output-dir" && argument != "--format" && argument != "--lines" &&
            argument != "--background" && argument != "-j" && argument != "--jobs") {
            message = "unknown option '" + argument + "'";
            return ParseOutcome::UsageError;
        }
        if (!hasValue) {
            if (i + 1 == arguments.size()) {
                message = "option '" + argument + "' needs a value";
                return ParseOutcome::UsageError;
            }
            value = arguments[++i];
        }

        bool valid = true;
        if (argument == "--thickness") {
            valid = value == "thin" || value == "thick";
            options.thickness = value == "thick" ? 1 : 0;
        } else if (argument == "--contrast") {
            valid = ParseNumber(value, 1, 16, options.contrast);
        } else if (argument == "-j" || argument == "--jobs") {
            valid = ParseNumber(value, 1, 999999999, options.jobs);
        } else if (argument == "--noise") {
            valid = value == "off" || value == "on";
            options.noise = value == "on";
        } else if (argument == "--format") {
            valid = value == "bmp" || value == "png" || value == "svg";
            options.format = value == "png"   ? OutputFormat::Png
                             : value == "svg" ? OutputFormat::Svg
                                              : OutputFormat::Bmp;
            formatGiven = true;
        } else if (argument == "--lines") {
            valid = ParseColour(value, options.colours.lines);
        } else if (argument == "--background") {
            backgroundGiven = true;
            options.colours.transparent = value == "transparent";
            valid = options.colours.transparent || ParseColour(value, options.colours.background);
        } else if (argument == "--output-dir") {
            valid = !value.empty();
            options.outputFolder = value;
        } else {
            valid = !value.empty();
            options.output = value;
        }
        if (!valid) {
            message = "invalid value '" + value + "' for " + argument;
            return ParseOutcome::UsageError;
        }
    }
    if (options.inputs.empty()) {
        message = "no input file given";
        return ParseOutcome::UsageError;
    }
    const auto standardInputs = std::count(options.inputs.begin(), options.inputs.end(), "-");
    if (standardInputs > 1) {
        message = "standard input (-) can be read only once";
        return ParseOutcome::UsageError;
    }
    if (standardInputs == 1 && !options.outputFolder.empty()) {
        message = "standard input (-) has no name to write into --output-dir; name its output with -o";
        return ParseOutcome::UsageError;
    }
    if (standardInputs == 1 && options.output.empty()) {
        message = "reading standard input (-) needs -o";
        return ParseOutcome::UsageError;
    }
    if (!options.output.empty() && options.inputs.size() > 1) {
        message = "-o names the output of a single input, but " + std::to_string(options.inputs.size()) +
                  " inputs were given";
        return ParseOutcome::UsageError;
    }
    if (!options.output.empty() && !options.outputFolder.empty()) {
        message = "-o and --output-dir cannot be used together";
        return ParseOutcome::UsageError;
    }
    if (!formatGiven) {
        options.format = HasPngExtension(options.output)   ? OutputFormat::Png
                         : HasSvgExtension(options.output) ? OutputFormat::Svg
                                                           : OutputFormat::Bmp;
    }
    // A vector drawing is laid over whatever it is placed on.
    if (options.format == OutputFormat::Svg && !backgroundGiven) options.colours.transparent = true;
    if (options.colours.transparent && options.format == OutputFormat::Bmp) {
        message = "--background transparent needs PNG or SVG output, but the output is BMP, which has no transparency";
        return ParseOutcome::UsageError;
    }
    return ParseOutcome::Convert;
}
