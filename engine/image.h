// The image module: device-independent bitmaps loaded from BMP, JPEG and PNG
// files, converted to the working layout, copied and written as BMP files.
//
// Every handle returned here is owned by the caller and released once with
// ImgRelease. A failed operation returns null (or false) and changes nothing.
//
// Working layout, which every image has after ImgMake24: 3 bytes per pixel in
// blue, green, red order; rows bottom-up; each row padded to a multiple of 4
// bytes. Pixel (x, y), y counted from the top, starts at byte
// (height - 1 - y) * stride + 3 * x.
#pragma once

#include "output_colours.h"

#include <cstddef>
#include <cstdint>

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
};
const char* ImageErrorText(ImageError error);

// The most pixels an image may have: INT32_MAX / 8, about 268 million (for
// example 16384 x 16383). The widest buffer a decoder needs, 16-bit RGBA at
// 8 bytes a pixel, then still has a signed 32-bit size. Larger images are
// refused with TooLarge before any pixel memory is allocated.
constexpr int64_t MaxImagePixels = INT32_MAX / 8;

// Loads a BMP, JPEG or PNG file. JPEG and PNG pictures are turned upright as
// their EXIF orientation says. Images with transparency are kept with their
// alpha channel until ImgMake24. Null on failure; *error (if given) says why.
// The file's pixel density, if it records one, is kept in biXPelsPerMeter
// and biYPelsPerMeter (see pixel_density.h), else both are 0; every copy,
// turn and output of the image carries it on.
DibHandle ImgLoadFile(const char* path, ImageError* error = nullptr);

// Loads an image from the size bytes at data, which are only read during the
// call; the format is told by the first bytes. Otherwise as ImgLoadFile.
//
// Whatever the bytes, the result is null or a valid image, and memory is
// only allocated for what the bytes can hold: a file whose pixels are not
// there is refused as Corrupt before its claimed size is allocated. A BMP
// needs every row of uncompressed pixels, or one byte of RLE data per 4096
// pixels; a PNG one byte of compressed data per 1032 bytes of rows (deflate
// compresses no further); a JPEG one bit of coded data for each 8 x 8 block
// of each component (no JPEG codes a block in less) and at most 100 scans.
DibHandle ImgLoadMemory(const uint8_t* data, size_t size, ImageError* error = nullptr);

// Releases a handle; null is ignored.
void ImgRelease(DibHandle image);

// A new handle with its own copy of the pixels; null for null or when memory
// runs out.
DibHandle ImgDuplicate(DibHandle image);

// Converts the image to the working layout within its own pixel buffer, so it
// needs no memory and cannot fail; transparent pixels are composited over
// white. Null is ignored.
void ImgMake24(DibHandle image);

// Writes the image as an uncompressed BMP file. The bytes go to a temporary
// file beside the target, which replaces the target only once complete, so a
// failed write leaves any existing file as it was. On failure *systemError
// (if given) receives the errno value.
bool ImgWriteBmp(const char* path, DibHandle image, int* systemError = nullptr);

// The same with the colours of a line drawing: when every pixel is black or
// white, black ones are written in colours.lines and white ones in
// colours.background; other pictures are written as they are. A BMP has no
// transparency: colours.transparent is refused with EINVAL.
bool ImgWriteBmp(const char* path, DibHandle image, const OutputColours& colours, int* systemError = nullptr);

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
