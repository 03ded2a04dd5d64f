// The output formats, in one table: for each its name, extension, MIME type,
// whether it holds transparency and has it by default, and the row output
// that writes it. The document's saves, the save dialog and the clipboard
// read it here, the converter, Python and the page through the C library.
#pragma once

#include "base/dib.h"
#include "base/failure.h"
#include "base/output_colours.h"
#include "base/output_sink.h"
#include "pipeline/row_outputs.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

// The index of a format in the table.
enum class LineFormat { Bmp, Png, Svg };

struct LineFormatInfo {
    LineFormat format;
    const char* name;       // "bmp"
    const char* extension;  // ".bmp": the name with its dot
    const char* mime;       // "image/bmp"
    bool transparency;      // can hold a transparent background
    bool transparentByDefault;  // with no background asked for, none: strokes laid over anything
    std::unique_ptr<RowOutput> (*open)(const RowOutputSettings& settings, OutputSink& sink);
};

// Every format, in the order of LineFormat.
extern const LineFormatInfo LineFormats[3];

inline const LineFormatInfo& InfoOf(LineFormat format) {
    return LineFormats[int(format)];
}

// The format a file named path is written in, by the one rule for names of
// every front end: the format whose extension (FileExtension) the name ends
// with, in any letter case ("a.PNG" is PNG); for a name without an
// extension, wanted, or BMP when no format is wanted. Empty when the
// extension is another format's than wanted, or no format's ("a.jpg").
std::optional<LineFormat> FormatOfName(std::string_view path, std::optional<LineFormat> wanted);

// Whether format can be written in colours: false for a transparent
// background in a format without transparency.
inline bool Holds(LineFormat format, const OutputColours& colours) {
    return !colours.transparent || InfoOf(format).transparency;
}

// The lines of a drawing as the extraction that made them, which its traced
// strokes follow: their thickness (0 thin) and style. From a thickness
// alone, edge lines.
struct LineKind {
    LineKind(int thicknessOfLines = 0, LineStyle styleOfLines = LineStyle::Edges)
        : thickness(thicknessOfLines), style(styleOfLines) {}
    int thickness;
    LineStyle style;
};

// Writes the 24-bit image through the format's row output, top row first:
// a picture whose pixels are all black or white in colours, any other as it
// is (see the formats' writers); traced strokes as lines says.
// False, with failure->system (if given) an errno value, when it could not be
// written: EINVAL for colours the format cannot hold or no image, ENOMEM
// when memory ran out, also as std::bad_alloc.
bool WriteImage(DibHandle image, LineFormat format, const OutputColours& colours, LineKind lines, OutputSink& sink,
                Failure* failure = nullptr);

// The same into the file at path, all or nothing (WriteFileAtomically): a
// failed write leaves any existing file as it was.
bool SaveImage(const char* path, DibHandle image, LineFormat format = LineFormat::Bmp,
               const OutputColours& colours = {}, LineKind lines = {}, Failure* failure = nullptr);

// The same into the bytes of the file in bytes, replacing what it held;
// empty on failure.
bool EncodeImage(DibHandle image, LineFormat format, const OutputColours& colours, LineKind lines,
                 std::vector<uint8_t>& bytes, Failure* failure = nullptr);
