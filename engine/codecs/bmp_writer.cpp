#include "bmp_writer.h"

#include "file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

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
    for (int32_t y = 0; y < image->header.biHeight; ++y) {
        const uint8_t* pixel = DibRow(image, y);
        for (int32_t x = 0; x < 3 * width; x += 3) {
            if ((pixel[x] != 0 && pixel[x] != 255) || pixel[x + 1] != pixel[x] || pixel[x + 2] != pixel[x]) {
                return false;
            }
        }
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
        RecolourRow(DibRow(image, y), width, colours, row.get());
        if (std::fwrite(row.get(), 1, size_t(stride), file) != size_t(stride)) return false;
    }
    return true;
}

bool WriteBmp(const char* path, DibHandle image, const OutputColours* colours, int* systemError) {
    if (!path || !image || (colours && colours->transparent)) {
        if (systemError) *systemError = EINVAL;
        return false;
    }
    const uint32_t pixelDataSize = static_cast<uint32_t>(image->info.pixelDataSize);
    uint8_t headers[BmpHeadersSize];
    PutBmpHeaders(image->header, headers);
    const bool recolour = colours && !IsBlackOnWhite(*colours) && image->header.biBitCount == 24 && BlackAndWhite(image);
    return WriteFileAtomically(
        path,
        [&](std::FILE* file) {
            if (std::fwrite(headers, 1, BmpHeadersSize, file) != BmpHeadersSize) return false;
            if (recolour) return WriteRecoloured(file, image, *colours);
            return std::fwrite(image->pixels.get(), 1, pixelDataSize, file) == pixelDataSize;
        },
        systemError);
}

}  // namespace

void RecolourRow(const uint8_t* from, int32_t width, const OutputColours& colours, uint8_t* to) {
    for (int32_t x = 0; x < width; ++x) PutBgr(to + 3 * x, from[3 * x] ? colours.background : colours.lines);
}

void PutBmpHeaders(const BitmapInfoHeader& header, uint8_t* to) {
    const uint32_t pixelDataSize = static_cast<uint32_t>(DibStride(header.biWidth, header.biBitCount) * header.biHeight);
    std::memset(to, 0, BmpHeadersSize);
    to[0] = 'B';
    to[1] = 'M';
    PutLittleEndian(to + 2, BmpHeadersSize + pixelDataSize, 4);
    PutLittleEndian(to + 10, BmpHeadersSize, 4);
    PutLittleEndian(to + 14, 40, 4);
    PutLittleEndian(to + 18, static_cast<uint32_t>(header.biWidth), 4);
    PutLittleEndian(to + 22, static_cast<uint32_t>(header.biHeight), 4);
    PutLittleEndian(to + 26, 1, 2);
    PutLittleEndian(to + 28, header.biBitCount, 2);
    PutLittleEndian(to + 34, pixelDataSize, 4);
    PutLittleEndian(to + 38, static_cast<uint32_t>(header.biXPelsPerMeter), 4);
    PutLittleEndian(to + 42, static_cast<uint32_t>(header.biYPelsPerMeter), 4);
}

bool ImgWriteBmp(const char* path, DibHandle image, int* systemError) {
    return WriteBmp(path, image, nullptr, systemError);
}

bool ImgWriteBmp(const char* path, DibHandle image, const OutputColours& colours, int* systemError) {
    return WriteBmp(path, image, &colours, systemError);
}
