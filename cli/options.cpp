#include "options.h"

#include "base/file_io.h"
#include "choices.h"
#include "folders.h"

#include <algorithm>

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

// The number of the name value in one of the library's lists
// (velmora_style_named, ...); false for a name of none.
bool ParseName(int (*named)(const char* name), const std::string& value, int& number) {
    const int found = named(value.c_str());
    if (found < 0) return false;
    number = found;
    return true;
}

// What the arguments have said so far.
struct Parsed {
    ConvertOptions& options;
    bool formatGiven = false;
    bool backgroundGiven = false;
    ParseOutcome outcome = ParseOutcome::Convert;
};

// Every option: its long name (null for none), its one-letter form (0 for
// none), whether it takes a value, and what it does with it, false for a
// value it refuses; values, for an option of a few fixed values, lists them
// as --help does for a refused value's message.
struct Option {
    const char* name;
    char letter;
    bool takesValue;
    bool (*apply)(const std::string& value, Parsed& parsed);
    std::string (*values)() = nullptr;
};

const Option Options[] = {
    {"--thickness", 0, true,
     [](const std::string& value, Parsed& parsed) {
         return ParseName(velmora_thickness_named, value, parsed.options.thickness);
     },
     [] { return Alternatives(velmora_thickness_name); }},
    {"--contrast", 0, true,
     [](const std::string& value, Parsed& parsed) {
         return ParseNumber(value, VELMORA_CONTRAST_LOWEST, VELMORA_CONTRAST_HIGHEST, parsed.options.contrast);
     },
     ContrastRange},
    {"--noise", 0, true,
     [](const std::string& value, Parsed& parsed) {
         parsed.options.noise = value == "on";
         return value == "off" || value == "on";
     },
     [] { return std::string("off|on"); }},
    {"--style", 0, true,
     [](const std::string& value, Parsed& parsed) {
         return ParseName(velmora_style_named, value, parsed.options.style);
     },
     [] { return Alternatives(velmora_style_name); }},
    {"--format", 0, true,
     [](const std::string& value, Parsed& parsed) {
         parsed.formatGiven = true;
         parsed.options.format = velmora_format_named(value.c_str());
         return parsed.options.format >= 0;
     }},
    {"--lines", 0, true,
     [](const std::string& value, Parsed& parsed) { return ParseColour(value, parsed.options.lineColour); }},
    {"--background", 0, true,
     [](const std::string& value, Parsed& parsed) {
         parsed.backgroundGiven = true;
         parsed.options.transparent = value == "transparent";
         return parsed.options.transparent || ParseColour(value, parsed.options.backgroundColour);
     }},
    {nullptr, 'o', true,
     [](const std::string& value, Parsed& parsed) {
         parsed.options.output = value;
         return !value.empty();
     }},
    {"--output-dir", 0, true,
     [](const std::string& value, Parsed& parsed) {
         parsed.options.outputFolder = value;
         return !value.empty();
     }},
    {"--jobs", 'j', true,
     [](const std::string& value, Parsed& parsed) { return ParseNumber(value, 1, 999999999, parsed.options.jobs); }},
    {"--quiet", 'q', false,
     [](const std::string&, Parsed& parsed) {
         parsed.options.quiet = true;
         return true;
     }},
    {"--recursive", 'r', false,
     [](const std::string&, Parsed& parsed) {
         parsed.options.recursive = true;
         return true;
     }},
    {"--help", 'h', false,
     [](const std::string&, Parsed& parsed) {
         parsed.outcome = ParseOutcome::Help;
         return true;
     }},
    {"--version", 0, false,
     [](const std::string&, Parsed& parsed) {
         parsed.outcome = ParseOutcome::Version;
         return true;
     }},
};

// An argument starting with '-' as GNU's forms write an option: --name,
// --name=VALUE, -l or -lVALUE.
struct Written {
    std::string name;  // --name or -l
    std::string value;
    bool attached;  // whether the value came within the argument
};

Written Split(const std::string& argument) {
    const bool isLong = argument.rfind("--", 0) == 0;
    const size_t nameEnd = isLong ? std::min(argument.find('='), argument.size()) : 2;
    const bool attached = nameEnd < argument.size();
    const size_t valueStart = isLong ? nameEnd + 1 : nameEnd;
    return {argument.substr(0, nameEnd), attached ? argument.substr(valueStart) : "", attached};
}

// The option of that name, long or short; null for none.
const Option* FindOption(const std::string& name) {
    for (const Option& option : Options) {
        const bool byLetter = option.letter != 0 && name.size() == 2 && name[1] == option.letter;
        if (byLetter || (option.name && name == option.name)) return &option;
    }
    return nullptr;
}

// Refuses an -o name whose extension is no format's, or another format's
// than the one written; a name without an extension takes the format's
// bytes as they are.
bool CheckOutputExtension(const ConvertOptions& options, std::string& message) {
    if (velmora_format_of_name(options.output.c_str(), options.format) >= 0) return true;
    const int named = velmora_format_of_name(options.output.c_str(), -1);
    message = "output '" + options.output + "' ends in " + std::string(FileExtension(options.output));
    if (named >= 0) {
        message += std::string(", but --format ") + velmora_format_name(options.format) + " writes " +
                   velmora_format_extension(options.format) + " files";
        return false;
    }
    // "bmp writes .bmp, png .png and svg .svg files"
    std::vector<std::string> writes;
    for (int format = 0; const char* name = velmora_format_name(format); ++format) {
        writes.push_back(name + std::string(format == 0 ? " writes " : " ") + velmora_format_extension(format));
    }
    message += ", which is no format's: " + Joined(writes, " and ") + " files";
    return false;
}

// "needs PNG or SVG output, but the output is BMP, which has no
// transparency"
std::string TransparencyRefused(int format) {
    return "--background transparent needs " + FormatsWhere(velmora_format_transparency, FormatInCapitals) +
           " output, but the output is " + FormatInCapitals(format) + ", which has no transparency";
}

}  // namespace

ParseOutcome ParseArguments(const std::vector<std::string>& arguments, ConvertOptions& options,
                            std::string& message) {
    Parsed parsed{options};
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            options.inputs.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        Written written = Split(argument);
        const Option* option = FindOption(written.name);
        if (!option) {
            message = "unknown option '" + argument + "'";
            return ParseOutcome::UsageError;
        }
        if (written.attached && !option->takesValue) {
            message = "option '" + written.name + "' takes no value";
            return ParseOutcome::UsageError;
        }
        if (option->takesValue && !written.attached) {
            if (i + 1 == arguments.size()) {
                message = "option '" + written.name + "' needs a value";
                return ParseOutcome::UsageError;
            }
            written.value = arguments[++i];
        }
        if (!option->apply(written.value, parsed)) {
            message = "invalid value '" + written.value + "' for " + written.name;
            if (option->values) message += " (" + option->values() + ")";
            return ParseOutcome::UsageError;
        }
        if (parsed.outcome != ParseOutcome::Convert) return parsed.outcome;
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
    if (!options.output.empty() && options.inputs.front() != "-" && IsFolder(options.inputs.front())) {
        message = "-o names the output of a single file, but '" + options.inputs.front() +
                  "' is a folder; write its outputs with --output-dir";
        return ParseOutcome::UsageError;
    }
    if (!parsed.formatGiven) {
        const int named = velmora_format_of_name(options.output.c_str(), -1);
        options.format = named >= 0 ? named : VELMORA_FORMAT_BMP;
    }
    if (!CheckOutputExtension(options, message)) return ParseOutcome::UsageError;
    // A vector drawing is laid over whatever it is placed on.
    if (!parsed.backgroundGiven && velmora_format_transparent_by_default(options.format)) options.transparent = true;
    if (options.transparent && !velmora_format_transparency(options.format)) {
        message = TransparencyRefused(options.format);
        return ParseOutcome::UsageError;
    }
    return ParseOutcome::Convert;
}
