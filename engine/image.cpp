#include "image.h"

#include "bit_packing.h"
#include "bmp_reader.h"
#include "container_checks.h"
#include "dib.h"
#include "exif_orientation.h"
#include "file_io.h"
#include "jpeg_decoder.h"
#include "orientation.h"
#include "pixel_density.h"
#include "png_decoder.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

const char* ImageErrorText(ImageError error) {
    switch (error) {
    case ImageError::None: return "no error";
    case ImageError::CannotOpen: return "cannot open the file";
    case ImageError::NotAnImage: return "not a BMP, JPEG or PNG image";
    case ImageError::Corrupt: return "the image data is damaged or incomplete";
    case ImageError::TooLarge: return "the image is too large";
    case ImageError::OutOfMemory: return "out of memory";
    }
    return "unknown error";
}

DibHandle ImgLoadFile(const char* path, ImageError* error) {
    ImageError ignored = ImageError::None;
    if (!error) error = &ignored;
    *error = ImageError::None;
    if (!path) {
        *error = ImageError::CannotOpen;
        return nullptr;
    }
    std::vector<uint8_t> bytes;
    switch (ReadWholeFile(path, bytes, MaxPixelDataSize)) {
    case ReadResult::Ok: break;
    case ReadResult::CannotOpen: *error = ImageError::CannotOpen; return nullptr;
    case ReadResult::TooLarge: *error = ImageError::TooLarge; return nullptr;
    }
    return ImgLoadMemory(bytes.data(), bytes.size(), error);
}

DibHandle ImgLoadMemory(const uint8_t* data, size_t size, ImageError* error) {
    ImageError ignored = ImageError::None;
    if (!error) error = &ignored;
    *error = ImageError::None;
    if (!data) size = 0;
    DibHandle image = nullptr;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        image = DecodeBmp(data, size, error);
    } else if (LooksLikePng(data, size)) {
        image = DecodePng(data, size, error);
    } else if (LooksLikeJpeg(data, size)) {
        image = DecodeJpeg(data, size, error);
    } else {
        *error = ImageError::NotAnImage;
        return nullptr;
    }
    if (!image) return nullptr;
    const PixelDensity density = FilePixelDensity(data, size);
    image->header.biXPelsPerMeter = density.x;
    image->header.biYPelsPerMeter = density.y;
    return OrientImage(image, ExifOrientation(data, size), error);
}

void ImgRelease(DibHandle image) {
    delete image;
}

DibHandle ImgDuplicate(DibHandle image) {
    if (!image) return nullptr;
    ImageError error = ImageError::None;
    DibHandle copy = DibCreate(image->header.biWidth, image->header.biHeight, image->header.biBitCount, &error);
    if (!copy) return nullptr;
    std::memcpy(copy->pixels.get(), image->pixels.get(), size_t(image->info.pixelDataSize));
    copy->header.biXPelsPerMeter = image->header.biXPelsPerMeter;
    copy->header.biYPelsPerMeter = image->header.biYPelsPerMeter;
    return copy;
}

// Each 24-bit row is no longer than its 32-bit row and starts no later, and
// each pixel is read whole before it is written, so converting from the
// first byte on never overwrites a byte still to be read.
void ImgMake24(DibHandle image) {
    if (!image || image->header.biBitCount == 24) return;
    const int32_t width = image->header.biWidth;
    const int32_t height = image->header.biHeight;
    const int64_t stride32 = DibStride(width, 32);
    const int64_t stride24 = DibStride(width, 24);
    uint8_t* pixels = image->pixels.get();
    for (int64_t row = 0; row < height; ++row) {
        const uint8_t* from = pixels + row * stride32;
        uint8_t* to = pixels + row * stride24;
        for (int32_t x = 0; x < width; ++x, from += 4, to += 3) {
            const unsigned blue = from[0], green = from[1], red = from[2], alpha = from[3];
            // Over white paper: c * a + 255 * (255 - a), divided by 255 with rounding.
            const unsigned paper = 255 * (255 - alpha) + 127;
            to[0] = static_cast<uint8_t>((blue * alpha + paper) / 255);
            to[1] = static_cast<uint8_t>((green * alpha + paper) / 255);
            to[2] = static_cast<uint8_t>((red * alpha + paper) / 255);
        }
        for (int64_t i = 3 * int64_t{width}; i < stride24; ++i) pixels[row * stride24 + i] = 0;
    }
    image->header.biBitCount = 24;
    image->header.biSizeImage = static_cast<uint32_t>(stride24 * height);
    image->info.pixelDataSize = static_cast<int32_t>(stride24 * height);
}

namespace {

void PutLittleEndian(uint8_t* to, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) to[i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutBgr(uint8_t* to, uint32_t colour) {
    to[0] = static_cast<uint8_t>(colour);
    to[1] = static_cast<uint8_t>(colour >> 8);
    to[2] = static_cast<uint8_t>(colour >> 16);
}

// Whether every pixel of the 24-bit image is black or white.
bool BlackAndWhite(DibHandle image) {
    const int32_t width = image->header.biWidth;
    const std::unique_ptr<uint8_t[]> bits(new (std::nothrow) uint8_t[DibStride(width, 1)]);
    if (!bits) return false;
    for (int32_t y = 0; y < image->header.biHeight; ++y) {
        if (!PackRow(DibRow(image, y), width, bits.get())) return false;
    }
    return true;
}

// Writes the pixel rows bottom-up with black pixels in the line colour and
// white ones in the background colour; padding stays zero.
bool WriteRecoloured(std::FILE* file, DibHandle image, const OutputColours& colours) {
    const int32_t width = image->header.biWidth;
    const int64_t stride = DibStride(width, 24);
    const std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[stride]());
    if (!row) {
        errno = ENOMEM;
        return false;
    }
    for (int32_t y = image->header.biHeight - 1; y >= 0; --y) {
        const uint8_t* from = DibRow(image, y);
        for (int32_t x = 0; x < width; ++x) PutBgr(row.get() + 3 * x, from[3 * x] ? colours.background : colours.lines);
        if (std::fwrite(row.get(), 1, size_t(stride), file) != size_t(stride)) return false;
    }
    return true;
}

bool WriteBmp(const char* path, DibHandle image, const OutputColours* colours, int* systemError) {
    if (!path || !image || (colours && colours->transparent)) {
        if (systemError) *systemError = EINVAL;
        return false;
    }
    const BitmapInfoHeader& header = image->header;
    constexpr uint32_t headersSize = 14 + 40;
    const uint32_t pixelDataSize = static_cast<uint32_t>(image->info.pixelDataSize);
    uint8_t headers[headersSize] = {};
    headers[0] = 'B';
    headers[1] = 'M';
    PutLittleEndian(headers + 2, headersSize + pixelDataSize, 4);
    PutLittleEndian(headers + 10, headersSize, 4);
    PutLittleEndian(headers + 14, 40, 4);
    PutLittleEndian(headers + 18, static_cast<uint32_t>(header.biWidth), 4);
    PutLittleEndian(headers + 22, static_cast<uint32_t>(header.biHeight), 4);
    PutLittleEndian(headers + 26, 1, 2);
    PutLittleEndian(headers + 28, header.biBitCount, 2);
    PutLittleEndian(headers + 34, pixelDataSize, 4);
    PutLittleEndian(headers + 38, static_cast<uint32_t>(header.biXPelsPerMeter), 4);
    PutLittleEndian(headers + 42, static_cast<uint32_t>(header.biYPelsPerMeter), 4);
    const bool recolour = colours && !IsBlackOnWhite(*colours) && header.biBitCount == 24 && BlackAndWhite(image);
    return WriteFileAtomically(
        path,
        [&](std::FILE* file) {
            if (std::fwrite(headers, 1, headersSize, file) != headersSize) return false;
            if (recolour) return WriteRecoloured(file, image, *colours);
            return std::fwrite(image->pixels.get(), 1, pixelDataSize, file) == pixelDataSize;
        },
        systemError);
}

}  // namespace

bool ImgWriteBmp(const char* path, DibHandle image, int* systemError) {
    return WriteBmp(path, image, nullptr, systemError);
}

bool ImgWriteBmp(const char* path, DibHandle image, const OutputColours& colours, int* systemError) {
    return WriteBmp(path, image, &colours, systemError);
}

const DibInfo* ImgQueryInfo(DibHandle image) {
    return &image->info;
}
