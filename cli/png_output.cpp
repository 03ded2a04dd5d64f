#include "png_output.h"

#include "file_io.h"

#include <cerrno>
#include <memory>
#include <new>
#include <vector>

#include <spng.h>

namespace {

struct ContextFree {
    void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};
using Context = std::unique_ptr<spng_ctx, ContextFree>;

const uint8_t* RowFromTop(const DibInfo& image, int y) {
    return image.pixels + int64_t{image.header->biHeight - 1 - y} * Stride24(image.header->biWidth);
}

// Whether every pixel is black (0, 0, 0) or white (255, 255, 255).
bool BlackAndWhite(const DibInfo& image) {
    const int width = image.header->biWidth;
    for (int y = 0; y < image.header->biHeight; ++y) {
        const uint8_t* pixel = RowFromTop(image, y);
        for (int x = 0; x < 3 * width; x += 3) {
            if ((pixel[x] != 0 && pixel[x] != 255) || pixel[x + 1] != pixel[x] || pixel[x + 2] != pixel[x]) {
                return false;
            }
        }
    }
    return true;
}

// One 1-bit greyscale row, most significant bit first, 1 for white.
void PackBits(const uint8_t* bgr, int width, uint8_t* bits) {
    for (int x = 0; x < width; x += 8) {
        uint8_t byte = 0;
        for (int bit = 0; bit < 8 && x + bit < width; ++bit) {
            byte = static_cast<uint8_t>(byte | (bgr[3 * (x + bit)] & 1) << (7 - bit));
        }
        bits[x / 8] = byte;
    }
}

void ToRgb(const uint8_t* bgr, int width, uint8_t* rgb) {
    for (int x = 0; x < width; ++x, bgr += 3, rgb += 3) {
        rgb[0] = bgr[2];
        rgb[1] = bgr[1];
        rgb[2] = bgr[0];
    }
}

// Encodes the image row by row into file. False on any failure of the
// encoder or the file, with errno set when the file failed.
bool Encode(std::FILE* file, const DibInfo& image) {
    const int width = image.header->biWidth;
    const int height = image.header->biHeight;
    const bool bilevel = BlackAndWhite(image);
    const Context context(spng_ctx_new(SPNG_CTX_ENCODER));
    spng_ctx* png = context.get();
    const size_t rowSize = bilevel ? (size_t(width) + 7) / 8 : 3 * size_t(width);
    const std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[rowSize]);
    if (!png || !row) {
        errno = ENOMEM;
        return false;
    }
    spng_ihdr header = {};
    header.width = static_cast<uint32_t>(width);
    header.height = static_cast<uint32_t>(height);
    header.bit_depth = bilevel ? 1 : 8;
    header.color_type = bilevel ? SPNG_COLOR_TYPE_GRAYSCALE : SPNG_COLOR_TYPE_TRUECOLOR;
    if (spng_set_png_file(png, file) || spng_set_ihdr(png, &header) ||
        spng_encode_image(png, nullptr, 0, SPNG_FMT_PNG, SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE)) {
        return false;
    }
    int code = 0;
    for (int y = 0; y < height && code == 0; ++y) {
        if (bilevel) {
            PackBits(RowFromTop(image, y), width, row.get());
        } else {
            ToRgb(RowFromTop(image, y), width, row.get());
        }
        code = spng_encode_row(png, row.get(), rowSize);
    }
    return code == SPNG_EOI;
}

}  // namespace

bool WritePng(const char* path, const DibInfo& image, int* systemError) {
    return WriteFileAtomically(path, [&](std::FILE* file) { return Encode(file, image); }, systemError);
}
