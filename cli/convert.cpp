#include "convert.h"

#include "image_document.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace {

std::string Convert(const std::string& input, const std::string& output, const ConvertOptions& options) {
    ImageDocument document;
    ImageError loadError = ImageError::None;
    if (!document.LoadFile(input.c_str(), &loadError)) {
        return input + ": cannot read: " + ImageErrorText(loadError);
    }
    if (!document.Extract(options.thickness, options.contrast - 1, options.noise)) return input + ": out of memory";

    int writeError = 0;
    const char* path = output.c_str();
    const bool written = options.format == OutputFormat::Png   ? document.SavePng(path, options.colours, &writeError)
                         : options.format == OutputFormat::Svg ? document.SaveSvg(path, options.colours, &writeError)
                                                               : document.SaveBmp(path, options.colours, &writeError);
    if (written) return {};
    if (writeError == ENOMEM) return input + ": out of memory";
    return output + ": cannot write: " + std::strerror(writeError);
}

}  // namespace

// The engine reports memory it could not have; this catches what the
// strings and containers on the way could not.
std::string ConvertFile(const std::string& input, const std::string& output, const ConvertOptions& options) {
    try {
        return Convert(input, output, options);
    } catch (const std::bad_alloc&) {
        return input + ": out of memory";
    }
}
