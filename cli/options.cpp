#include "options.h"

const char* const UsageText =
    "usage: velmora-cli [--thickness thin|thick] [--contrast 1-16] [--noise off|on]\n"
    "                   [-o OUTPUT | --output-dir DIR] [--quiet] INPUT...\n"
    "\n"
    "Turns each BMP, JPEG or PNG input into a black-on-white line drawing.\n"
    "\n"
    "  --thickness thin|thick  line thickness (default thin)\n"
    "  --contrast 1-16         larger numbers keep only stronger edges (default 7)\n"
    "  --noise off|on          remove small specks (default off)\n"
    "  -o OUTPUT               output file, for a single input; a name ending in .png\n"
    "                          writes PNG, any other a 24-bit BMP\n"
    "  --output-dir DIR        write the outputs into DIR, created if missing\n"
    "  --quiet                 do not list the files written\n"
    "  --help                  show this help\n"
    "  --version               show the version\n"
    "\n"
    "Without -o, each output is written beside its input (or into DIR) as\n"
    "NAME-velmora.bmp.\n";

namespace {

bool ParseContrast(const std::string& text, int& contrast) {
    if (text.empty() || text.size() > 2) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 16) return false;
    contrast = value;
    return true;
}

}  // namespace

ParseOutcome ParseArguments(const std::vector<std::string>& arguments, ConvertOptions& options,
                            std::string& message) {
    bool optionsEnded = false;
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
            argument != "--output-dir") {
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
            valid = ParseContrast(value, options.contrast);
        } else if (argument == "--noise") {
            valid = value == "off" || value == "on";
            options.noise = value == "on";
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
    if (!options.output.empty() && options.inputs.size() > 1) {
        message = "-o names the output of a single input, but " + std::to_string(options.inputs.size()) +
                  " inputs were given";
        return ParseOutcome::UsageError;
    }
    if (!options.output.empty() && !options.outputFolder.empty()) {
        message = "-o and --output-dir cannot be used together";
        return ParseOutcome::UsageError;
    }
    return ParseOutcome::Convert;
}
