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
    TooLarge,      // pixel data would not fit a signed 32-bit size
    OutOfMemory,
};
const char* ImageErrorText(ImageError error);

// Loads a BMP, JPEG or PNG file. Images with transparency are kept with their
// alpha channel until ImgMake24. Null on failure; *error (if given) says why.
DibHandle ImgLoadFile(const char* path, ImageError* error = nullptr);

// Releases a handle; null is ignored.
void ImgRelease(DibHandle image);

// A new handle with its own copy of the pixels; null for null or when memory
// runs out.
DibHandle ImgDuplicate(DibHandle image);

// Converts the image in place to the working layout; transparent pixels are
// composited over white. False (image unchanged) only when memory runs out.
// Null is ignored and reported as success.
bool ImgMake24(DibHandle image);

// Writes the image as an uncompressed BMP file. The bytes go to a temporary
// file beside the target, which replaces the target only once complete, so a
// failed write leaves any existing file as it was. On failure *systemError
// (if given) receives the errno value.
bool ImgWriteBmp(const char* path, DibHandle image, int* systemError = nullptr);

// The handle's record; the handle must not be null.
const DibInfo* ImgQueryInfo(DibHandle image);

// Bytes per row of a 24-bit image of the given width: 3 * width rounded up
// to a multiple of 4.
constexpr int32_t Stride24(int32_t width) { return (width * 3 + 3) & ~3; }
