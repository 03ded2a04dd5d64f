#include "convert.h"

#include "file_io.h"
#include "image_document.h"
#include "paths.h"

#include <cstring>

std::string ConvertFile(const std::string& input, const std::string& output, int thickness, int contrast,
                        bool noise) {
    ImageDocument document;
    ImageError loadError = ImageError::None;
    if (!document.LoadFile(input.c_str(), &loadError)) {
        return input + ": cannot read: " + ImageErrorText(loadError);
    }
    if (!document.Extract(thickness, contrast - 1)) return input + ": out of memory";
    if (noise) document.RemoveNoise(thickness);

    int writeError = 0;
    const bool written = HasPngExtension(output) ? document.SavePng(output.c_str(), OutputColours{}, &writeError)
                                                 : document.SaveBmp(output.c_str(), &writeError);
    if (!written) return output + ": cannot write: " + std::strerror(writeError);
    return {};
}
