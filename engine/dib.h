// Internal to the image module: allocation of bitmaps and row access, shared
// by the decoders and the conversions.
#pragma once

#include "image.h"

#include <cstddef>
#include <memory>

struct Dib {
    BitmapInfoHeader header{};
    DibInfo info{};
    std::unique_ptr<uint8_t[]> pixels;
};

// Largest pixel data a bitmap may hold: its size is a signed 32-bit number.
constexpr int64_t MaxPixelDataSize = INT32_MAX;

// Bytes per row for 24 or 32 bits per pixel, 0 when the width is unusable.
int64_t DibStride(int64_t width, int bitsPerPixel);

// Whether a width x height image of that depth may be allocated at all: both
// positive, at most MaxImagePixels pixels and MaxPixelDataSize bytes.
bool DibSizeAllowed(int64_t width, int64_t height, int bitsPerPixel);

// A new bottom-up bitmap of 24 or 32 bits per pixel. Pixel bytes are left
// unset, padding bytes are zero. Null when the size is not allowed or memory
// runs out; *error says which.
DibHandle DibCreate(int32_t width, int32_t height, int bitsPerPixel, ImageError* error);

// First byte of picture row y, counted from the top.
inline uint8_t* DibRow(DibHandle image, int32_t y) {
    const BitmapInfoHeader& header = image->header;
    const int64_t stride = DibStride(header.biWidth, header.biBitCount);
    return image->pixels.get() + (header.biHeight - 1 - y) * stride;
}
