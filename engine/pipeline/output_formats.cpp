#include "pipeline/output_formats.h"

#include "base/file_io.h"
#include "kernels/bit_packing.h"

#include <algorithm>
#include <cerrno>
#include <new>

const LineFormatInfo LineFormats[3] = {
    {LineFormat::Bmp, "bmp", ".bmp", "image/bmp", false, false, OpenBmpOutput},
    {LineFormat::Png, "png", ".png", "image/png", true, false, OpenPngOutput},
    {LineFormat::Svg, "svg", ".svg", "image/svg+xml", true, true, OpenSvgOutput},
};

namespace {

// Whether every pixel of the 24-bit image is black or white.
bool IsBilevel(DibHandle image) {
    const int32_t width = image->header.biWidth;
    const std::unique_ptr<uint8_t[]> packed(new uint8_t[(size_t(width) + 7) / 8]);
    for (int32_t y = 0; y < image->header.biHeight; ++y) {
        if (!PackRow(DibRow(image, y), width, packed.get())) return false;
    }
    return true;
}

bool Write(DibHandle image, LineFormat format, const OutputColours& colours, LineKind lines, OutputSink& sink) {
    if (!image || image->header.biBitCount != 24 || !Holds(format, colours)) {
        errno = EINVAL;
        return false;
    }
    RowOutputSettings settings;
    settings.header = image->header;
    settings.colours = colours;
    settings.thickness = lines.thickness;
    settings.style = lines.style;
    settings.bilevel = IsBilevel(image);
    const std::unique_ptr<RowOutput> output = InfoOf(format).open(settings, sink);
    if (!output) return false;
    for (int32_t y = 0; y < image->header.biHeight; ++y) {
        if (!output->Put(y, DibRow(image, y))) return false;
    }
    return output->End();
}

// Runs write, which sets errno when it fails, into failure->system; running
// out of memory, also as std::bad_alloc, is ENOMEM.
template <typename Write>
bool Reported(Failure* failure, Write write) {
    Failure ignored;
    if (!failure) failure = &ignored;
    *failure = {};
    errno = 0;
    try {
        if (write()) return true;
        failure->system = errno != 0 ? errno : EIO;
    } catch (const std::bad_alloc&) {
        failure->system = ENOMEM;
    }
    return false;
}

}  // namespace

bool WriteImage(DibHandle image, LineFormat format, const OutputColours& colours, LineKind lines, OutputSink& sink,
                Failure* failure) {
    return Reported(failure, [&] { return Write(image, format, colours, lines, sink); });
}

bool SaveImage(const char* path, DibHandle image, LineFormat format, const OutputColours& colours, LineKind lines,
               Failure* failure) {
    return Reported(failure, [&] {
        if (!path || !image || !Holds(format, colours)) {
            errno = EINVAL;
            return false;
        }
        int error = 0;
        const bool saved = WriteFileAtomically(
            path,
            [&](std::FILE* file) {
                OutputSink sink(file);
                return Write(image, format, colours, lines, sink);
            },
            &error);
        errno = error;
        return saved;
    });
}

bool EncodeImage(DibHandle image, LineFormat format, const OutputColours& colours, LineKind lines,
                 std::vector<uint8_t>& bytes, Failure* failure) {
    std::vector<uint8_t>().swap(bytes);
    OutputSink sink(bytes);
    if (WriteImage(image, format, colours, lines, sink, failure)) return true;
    std::vector<uint8_t>().swap(bytes);
    return false;
}

std::optional<LineFormat> FormatOfName(std::string_view path, std::optional<LineFormat> wanted) {
    const std::string_view extension = FileExtension(path);
    if (extension.empty()) return wanted.value_or(LineFormat::Bmp);
    const auto sameLetters = [](char a, char b) { return (a >= 'A' && a <= 'Z' ? char(a - 'A' + 'a') : a) == b; };
    for (const LineFormatInfo& info : LineFormats) {
        const std::string_view known = info.extension;
        if (std::equal(extension.begin(), extension.end(), known.begin(), known.end(), sameLetters) &&
            wanted.value_or(info.format) == info.format) {
            return info.format;
        }
    }
    return std::nullopt;
}
