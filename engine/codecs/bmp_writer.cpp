#include "codecs/bmp_writer.h"

#include <cstring>

namespace {

void PutLittleEndian(uint8_t* to, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) to[i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutBgr(uint8_t* to, uint32_t colour) {
    to[0] = static_cast<uint8_t>(colour);
    to[1] = static_cast<uint8_t>(colour >> 8);
    to[2] = static_cast<uint8_t>(colour >> 16);
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
