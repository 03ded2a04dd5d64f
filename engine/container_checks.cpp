#include "container_checks.h"

#include <array>
#include <cstring>

namespace {

uint32_t ReadBigEndian32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

const std::array<uint32_t, 256> CrcTable = [] {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

uint32_t Crc32(const uint8_t* bytes, size_t size) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) c = CrcTable[(c ^ bytes[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

constexpr uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// Bytes of filtered, uncompressed image data that IHDR implies (one filter
// byte per row; interlaced images need a little more, which only raises the
// true size above this bound).
uint64_t PngRawSize(const uint8_t* header) {
    const uint64_t width = ReadBigEndian32(header);
    const uint64_t height = ReadBigEndian32(header + 4);
    const uint64_t bitDepth = header[8];
    const uint8_t colourType = header[9];
    const uint64_t channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    return (width * channels * bitDepth + 7) / 8 * height + height;
}

}  // namespace

bool LooksLikePng(const uint8_t* data, size_t size) {
    return size >= sizeof PngSignature && std::memcmp(data, PngSignature, sizeof PngSignature) == 0;
}

bool LooksLikeJpeg(const uint8_t* data, size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool PngStructureValid(const uint8_t* data, size_t size) {
    if (!LooksLikePng(data, size)) return false;
    size_t offset = sizeof PngSignature;
    uint64_t rawSize = 0;
    uint64_t compressedSize = 0;
    bool first = true;
    while (size - offset >= 12) {
        const uint64_t length = ReadBigEndian32(data + offset);
        const uint8_t* type = data + offset + 4;
        if (length > size - offset - 12) return false;
        const uint8_t* body = type + 4;
        if (ReadBigEndian32(body + length) != Crc32(type, length + 4)) return false;
        const bool isHeader = std::memcmp(type, "IHDR", 4) == 0;
        if (first != isHeader) return false;
        if (isHeader) {
            if (length != 13) return false;
            rawSize = PngRawSize(body);
        }
        if (std::memcmp(type, "IDAT", 4) == 0) compressedSize += length;
        if (std::memcmp(type, "IEND", 4) == 0) return compressedSize * 1032 + 1024 >= rawSize;
        first = false;
        offset += length + 12;
    }
    return false;
}

bool JpegStructureComplete(const uint8_t* data, size_t size) {
    if (!LooksLikeJpeg(data, size)) return false;
    size_t offset = 2;
    bool inScan = false;
    while (offset < size) {
        if (inScan) {
            // Entropy-coded data: a 0xFF byte is followed by a stuffed zero or
            // a restart marker; anything else starts the next segment.
            if (data[offset] != 0xFF) {
                ++offset;
                continue;
            }
            if (offset + 1 >= size) return false;
            const uint8_t next = data[offset + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7) || next == 0xFF) {
                offset += next == 0xFF ? 1 : 2;
                continue;
            }
            inScan = false;
        }
        if (data[offset] != 0xFF) return false;
        while (offset < size && data[offset] == 0xFF) ++offset;  // fill bytes
        if (offset >= size) return false;
        const uint8_t marker = data[offset++];
        if (marker == 0xD9) return true;
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (size - offset < 2) return false;
        const size_t length = size_t{data[offset]} << 8 | data[offset + 1];
        if (length < 2 || length > size - offset) return false;
        offset += length;
        inScan = marker == 0xDA;
    }
    return false;
}
