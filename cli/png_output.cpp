#include "png_output.h"

#include "file_io.h"

#include <cerrno>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include "stb_image_write.h"

namespace {

void AppendBytes(void* context, void* data, int size) {
    auto* bytes = static_cast<std::vector<uint8_t>*>(context);
    const auto* from = static_cast<const uint8_t*>(data);
    bytes->insert(bytes->end(), from, from + size);
}

}  // namespace

bool WritePng(const char* path, const DibInfo& image, int* systemError) {
    const int width = image.header->biWidth;
    const int height = image.header->biHeight;
    const int stride = Stride24(width);
    std::vector<uint8_t> rgb;
    std::vector<uint8_t> encoded;
    try {
        rgb.resize(size_t(width) * 3 * size_t(height));
    } catch (const std::bad_alloc&) {
        *systemError = ENOMEM;
        return false;
    }
    for (int y = 0; y < height; ++y) {
        const uint8_t* from = image.pixels + int64_t{height - 1 - y} * stride;
        uint8_t* to = rgb.data() + size_t(y) * 3 * size_t(width);
        for (int x = 0; x < width; ++x, from += 3, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    if (!stbi_write_png_to_func(AppendBytes, &encoded, width, height, 3, rgb.data(), width * 3)) {
        *systemError = ENOMEM;
        return false;
    }
    return WriteFileAtomically(
        path, [&](std::FILE* file) { return std::fwrite(encoded.data(), 1, encoded.size(), file) == encoded.size(); },
        systemError);
}
