// The bitmap module, on which the rest of the engine stands: device-
// independent bitmaps, their allocation under the memory budget, copying,
// conversion to the working layout and row access.
//
// Every handle returned here is owned by the caller and released once with
// ImgRelease. A failed operation returns null (or false) and changes nothing.
//
// Working layout, which every image has after ImgMake24: 3 bytes per pixel in
// blue, green, red order; rows bottom-up; each row padded to a multiple of 4
// bytes. Pixel (x, y), y counted from the top, starts at byte
// (height - 1 - y) * stride + 3 * x.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Same layout as the platform's BITMAPINFOHEADER.
struct BitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

// What the module reports for a handle. It belongs to the handle: valid while
// the handle lives, never freed by the caller.
struct DibInfo {
    int32_t reserved;
    int32_t pixelDataSize;           // stride * height, in bytes
    const BitmapInfoHeader* header;  // biWidth and biHeight (positive: bottom-up)
    uint8_t* pixels;                 // first byte of the bottom row
};

struct Dib;
using DibHandle = Dib*;

// Why a load failed, for callers that tell the user more than "it failed".
enum class ImageError {
    None,
    CannotOpen,    // missing, a folder, or not readable
    NotAnImage,    // neither BMP, JPEG nor PNG
    Corrupt,       // truncated, damaged or inconsistent data
    TooLarge,      // more than MaxImagePixels pixels, or a file over 2 GiB
    OutOfMemory,
    TooManyScans,  // a progressive JPEG of more scans than the decoder takes
};

// The most pixels an image may have: INT32_MAX / 8, about 268 million (for
// example 16384 x 16383). The widest buffer a decoder needs, 16-bit RGBA at
// 8 bytes a pixel, then still has a signed 32-bit size. Larger images are
// refused with TooLarge before any pixel memory is allocated.
constexpr int64_t MaxImagePixels = INT32_MAX / 8;

// Releases a handle; null is ignored.
void ImgRelease(DibHandle image);

// An owned handle, released with ImgRelease when it goes.
struct DibRelease {
    void operator()(DibHandle image) const { ImgRelease(image); }
};
using DibPtr = std::unique_ptr<Dib, DibRelease>;

// A new handle with its own copy of the pixels; null for null or when memory
// runs out.
DibHandle ImgDuplicate(DibHandle image);

// Width pixels of 4 bytes (blue, green, red, alpha) over white, as 3 bytes
// each; bgr may be bgra itself.
void CompositeOnWhite(const uint8_t* bgra, int32_t width, uint8_t* bgr);

// Converts a 24- or 32-bit image to the working layout within its own pixel
// buffer, so it needs no memory; transparent pixels are composited over
// white. False, with the image unchanged, for null or any other depth.
bool ImgMake24(DibHandle image);

// The handle's record; the handle must not be null.
const DibInfo* ImgQueryInfo(DibHandle image);

// Test hook for running out of memory. Every pixel buffer, of images and of
// history entries, counts toward the pixel bytes in use; with a budget set,
// an allocation that would take them beyond bytes fails as if memory ran out.
// Negative bytes: no budget, as at start-up.
void ImgSetMemoryBudgetForTesting(int64_t bytes);

// The pixel bytes now in use by every live handle.
int64_t ImgPixelBytesInUse();

// Bytes per row of a 24-bit image of the given width: 3 * width rounded up
// to a multiple of 4.
constexpr int32_t Stride24(int32_t width) { return (width * 3 + 3) & ~3; }

// What follows is for the engine's own modules: allocation of bitmaps and row
// access, shared by the decoders, the conversions and the history's packed
// images.

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
