#include "convert.h"

#include "image_document.h"

#include <cstring>

std::string ConvertFile(const std::string& input, const std::string& output, const ConvertOptions& options) {
    ImageDocument document;
    ImageError loadError = ImageError::None;
    if (!document.LoadFile(input.c_str(), &loadError)) {
        return input + ": cannot read: " + ImageErrorText(loadError);
    }
    if (!document.Extract(options.thickness, options.contrast - 1)) return input + ": out of memory";
    if (options.noise) document.RemoveNoise(options.thickness);

    int writeError = 0;
    const char* path = output.c_str();
    const bool written = options.format == OutputFormat::Png   ? document.SavePng(path, options.colours, &writeError)
                         : options.format == OutputFormat::Svg ? document.SaveSvg(path, options.colours, &writeError)
                                                               : document.SaveBmp(path, options.colours, &writeError);
    if (!written) return output + ": cannot write: " + std::strerror(writeError);
    return {};
}
