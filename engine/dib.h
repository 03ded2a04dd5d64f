// Internal to the image module: allocation of bitmaps and row access, shared
// by the decoders, the conversions and the history's packed images.
#pragma once

#include "image.h"

#include <cstddef>
#include <memory>

// Frees a pixel buffer and takes its bytes off the count of pixel bytes in
// use (see ImgSetMemoryBudgetForTesting).
struct PixelDeleter {
    int64_t size = 0;
    void operator()(uint8_t* bytes) const;
};
using PixelBuffer = std::unique_ptr<uint8_t[], PixelDeleter>;

struct Dib {
    BitmapInfoHeader header{};
    DibInfo info{};
    PixelBuffer pixels;
};

// Largest pixel data a bitmap may hold: its size is a signed 32-bit number.
constexpr int64_t MaxPixelDataSize = INT32_MAX;

// Bytes per row for 1, 24 or 32 bits per pixel (rows padded to a multiple of
// 4 bytes), 0 when the width or depth is unusable.
int64_t DibStride(int64_t width, int bitsPerPixel);

// Whether a width x height image of that depth may be allocated at all: both
// positive, at most MaxImagePixels pixels and MaxPixelDataSize bytes.
bool DibSizeAllowed(int64_t width, int64_t height, int bitsPerPixel);

// A new bottom-up bitmap of 1, 24 or 32 bits per pixel. Pixel bytes are left
// unset, padding bytes are zero. Null when the size is not allowed or memory
// runs out; *error says which. Every pixel buffer of the program is allocated
// here.
DibHandle DibCreate(int32_t width, int32_t height, int bitsPerPixel, ImageError* error);

// A buffer of size bytes counted as pixel memory, for the working rows of
// the image kernels; null when memory runs out.
PixelBuffer DibAllocate(int64_t size);

// Gives image the size, depth and pixels of replacement, which is released:
// the handle stays its owner's while its picture changes.
void DibReplacePixels(DibHandle image, DibHandle replacement);

// First byte of picture row y, counted from the top.
inline uint8_t* DibRow(DibHandle image, int32_t y) {
    const BitmapInfoHeader& header = image->header;
    const int64_t stride = DibStride(header.biWidth, header.biBitCount);
    return image->pixels.get() + (header.biHeight - 1 - y) * stride;
}
