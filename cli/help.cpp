#include "help.h"

#include "choices.h"
#include "options.h"
#include "paths.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace {

// Words for one value of the library's lists, by its name.
struct Words {
    const char* name;
    const char* text;
};

// What each style draws, in --style's description.
constexpr Words StyleWords[] = {
    {"edges", "lines along the borders of what is drawn, two along a wide stroke"},
    {"ink", "each dark stroke solid, as wide as it is"},
    {"photo", "the outlines of what a photograph shows, the same at any size"},
};

// Each format as the default output ("else a 24-bit BMP").
constexpr Words FormatAsDefault[] = {{"bmp", "a 24-bit BMP"}, {"png", "a PNG"}, {"svg", "an SVG"}};

// What each format's output holds, in the notes below the options.
constexpr Words FormatNotes[] = {
    {"bmp", ""},
    {"png", "A PNG output of a line drawing takes 1 bit per pixel."},
    {"svg", "An SVG output holds one stroke along the middle of each line, as wide as the lines (1 pixel thin, "
            "2 pixels thick; with ink, as wide as each stroke; with photo, as wide as its lines)."},
};

// The words for each value of the list nameOf, in its order.
template <size_t Size>
std::vector<std::string> InOrder(const Words (&words)[Size], NameOf nameOf) {
    std::vector<std::string> texts;
    for (int value = 0; const char* name = nameOf(value); ++value) {
        const Words* found = nullptr;
        for (const Words& entry : words) {
            if (std::string(entry.name) == name) found = &entry;
        }
        if (!found) throw std::logic_error(std::string("--help has no words for '") + name + "'");
        texts.push_back(found->text);
    }
    if (texts.size() != Size) throw std::logic_error("--help has words for a choice the library lacks");
    return texts;
}

// The width of the help's synopsis and option list.
constexpr size_t Width = 78;

// The words, a space apart, in lines of at most width columns, each line
// after the first indented by indent spaces (the first is where the caller
// has got to, indent columns in).
std::string Wrapped(const std::vector<std::string>& words, size_t indent, size_t width) {
    std::string lines;
    size_t column = indent;
    for (const std::string& word : words) {
        if (column > indent) {
            const bool fits = column + 1 + word.size() <= width;
            lines += fits ? " " : "\n" + std::string(indent, ' ');
            column = fits ? column + 1 : indent;
        }
        lines += word;
        column += word.size();
    }
    return lines;
}

// The same with the words of a text.
std::string Wrapped(const std::string& text, size_t indent, size_t width) {
    std::vector<std::string> words;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find(' ', start), text.size());
        words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return Wrapped(words, indent, width);
}

// A line of the option list: the option and its description from column
// 26, on a line of its own below an option too long to leave room.
std::string Row(const std::string& option, const std::string& description) {
    constexpr size_t Column = 26;
    std::string row = "  " + option;
    row += row.size() + 2 <= Column ? std::string(Column - row.size(), ' ') : "\n" + std::string(Column, ' ');
    return row + Wrapped(description, Column, Width) + "\n";
}

// The notes below the option list are set narrower.
std::string Note(const std::string& text) {
    return Wrapped(text, 0, 72) + "\n";
}

int IsNotDefault(int format) {
    return format != ConvertOptions{}.format;
}

std::string Extension(int format) {
    return velmora_format_extension(format);
}

std::string DefaultName(int format) {
    return DefaultOutputPath("NAME", velmora_format_extension(format));
}

}  // namespace

std::string UsageText() {
    const ConvertOptions defaults;
    const std::string styles = Alternatives(velmora_style_name);
    const std::string thicknesses = Alternatives(velmora_thickness_name);
    const std::string contrasts = ContrastRange();
    const std::string formats = Alternatives(velmora_format_name);
    const std::string formatDefault = "output format (default: " + FormatsWhere(IsNotDefault, FormatInCapitals) +
                                    " when the -o name ends in " + FormatsWhere(IsNotDefault, Extension) + ", else " +
                                    InOrder(FormatAsDefault, velmora_format_name)[size_t(defaults.format)] + ")";

    // "edges: lines along ...; ink: each dark stroke ... (default edges)"
    std::string drawn;
    const std::vector<std::string> styleWords = InOrder(StyleWords, velmora_style_name);
    for (size_t style = 0; style < styleWords.size(); ++style) {
        drawn += (style > 0 ? "; " : "") + std::string(velmora_style_name(int(style))) + ": " + styleWords[style];
    }
    drawn += " (default " + std::string(velmora_style_name(defaults.style)) + ")";

    std::string notes = "COLOR is black, white or #RRGGBB in hexadecimal.";
    for (const std::string& note : InOrder(FormatNotes, velmora_format_name)) {
        if (!note.empty()) notes += " " + note;
    }

    // The synopsis's groups in lines of the help's width: the library's
    // lists lengthen them.
    const std::string usage = "usage: velmora-cli ";
    const std::vector<std::string> synopsis = {
        "[--style " + styles + "]", "[--thickness " + thicknesses + "]", "[--contrast " + contrasts + "]",
        "[--noise off|on]", "[--format " + formats + "]", "[--lines COLOR]", "[--background COLOR|transparent]",
        "[-j N]", "[-q]", "[-r]", "[-o OUTPUT | --output-dir DIR]", "INPUT...",
    };

    return usage + Wrapped(synopsis, usage.size(), Width) + "\n"
           "\n"
           "Turns each BMP, JPEG or PNG input into a line drawing, black on white unless\n"
           "other colours are given.\n"
           "\n" +
           Row("--style " + styles, drawn) +
           Row("--thickness " + thicknesses,
               "line thickness (default " + std::string(velmora_thickness_name(defaults.thickness)) + ")") +
           Row("--contrast " + contrasts,
               "larger numbers keep only stronger edges (default " + std::to_string(defaults.contrast) + ")") +
           Row("--noise off|on", "remove small specks (default off)") +
           Row("--format " + formats, formatDefault) +
           Row("--lines COLOR", "colour of the lines (default black)") +
           Row("--background COLOR|transparent",
               "colour of the rest (default white, for " +
                   FormatsWhere(velmora_format_transparent_by_default, FormatInCapitals) +
                   " transparent); transparent needs " + FormatsWhere(velmora_format_transparency, FormatInCapitals)) +
           Row("-o OUTPUT", "output file of a single input; - is standard output; an extension must be the format's") +
           Row("--output-dir DIR", "write the outputs into DIR, created if missing") +
           Row("-r, --recursive",
               "convert the pictures in the folders below an INPUT folder too (into the same sub-folders of DIR)") +
           Row("-j, --jobs N", "convert N files at once (default: one per processor)") +
           Row("-q, --quiet", "do not list the files written") + Row("--help", "show this help") +
           Row("--version", "show the version") +
           "\n"
           "A value may also be attached: --contrast=5, -j4, -oOUTPUT.\n" +
           Note(notes) +
           "The input's pixel density, if it has one, is kept in the output.\n"
           "\n" +
           Note("Without -o, each output is written beside its input (or into DIR) as " + DefaultName(defaults.format) +
                ", or " + FormatsWhere(IsNotDefault, DefaultName) + " with --format.") +
           "An INPUT folder gives its BMP, JPEG and PNG files (by extension, in the\n"
           "order of their names, outputs of earlier runs left out).\n"
           "An INPUT of - is standard input, which needs -o; -o - writes the drawing to\n"
           "standard output, as " + FormatInCapitals(defaults.format) + " unless --format says otherwise.\n";
}
