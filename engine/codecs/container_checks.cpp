#include "codecs/container_checks.h"

#include "base/file_io.h"

#include <cstring>

namespace {

constexpr uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// Bytes of filtered, uncompressed image data that IHDR implies (one filter
// byte per row; interlaced images need a little more, which only raises the
// true size above this bound), UINT64_MAX when that does not fit.
uint64_t PngRawSize(const uint8_t* header) {
    const uint64_t width = ReadBigEndian32(header);
    const uint64_t height = ReadBigEndian32(header + 4);
    const uint64_t bitDepth = header[8];
    const uint8_t colourType = header[9];
    const uint64_t channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    const uint64_t rowSize = (width * channels * bitDepth + 7) / 8 + 1;
    return height != 0 && rowSize > UINT64_MAX / height ? UINT64_MAX : rowSize * height;
}

}  // namespace

uint32_t ReadBigEndian32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

bool LooksLikeBmp(const uint8_t* data, size_t size) {
    return size >= 2 && data[0] == 'B' && data[1] == 'M';
}

bool LooksLikePng(const uint8_t* data, size_t size) {
    return size >= sizeof PngSignature && std::memcmp(data, PngSignature, sizeof PngSignature) == 0;
}

bool LooksLikeJpeg(const uint8_t* data, size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool PngChunksHoldImage(const uint8_t* data, size_t size) {
    constexpr size_t HeaderEnd = sizeof PngSignature + 8 + 13;
    if (!LooksLikePng(data, size) || size < HeaderEnd || std::memcmp(data + 12, "IHDR", 4) != 0) return false;
    const uint64_t rawSize = PngRawSize(data + 16);
    uint64_t compressedSize = 0;
    size_t offset = sizeof PngSignature;
    while (size - offset >= 8) {
        const uint64_t length = ReadBigEndian32(data + offset);
        const uint8_t* type = data + offset + 4;
        if (length + 12 > size - offset) return false;
        if (std::memcmp(type, "IDAT", 4) == 0) compressedSize += length;
        if (std::memcmp(type, "IEND", 4) == 0) return compressedSize * 1032 + 1024 >= rawSize;
        offset += length + 12;
    }
    return false;
}

bool ReadPngSkeleton(std::FILE* file, uint64_t fileSize, std::vector<uint8_t>& skeleton, size_t maxChunk) {
    constexpr size_t HeaderEnd = sizeof PngSignature + 8 + 13;
    skeleton.resize(sizeof PngSignature);
    if (std::fread(skeleton.data(), 1, skeleton.size(), file) != skeleton.size()) return false;
    uint64_t rawSize = UINT64_MAX;
    uint64_t compressedSize = 0;
    uint64_t offset = sizeof PngSignature;
    while (fileSize - offset >= 8) {
        uint8_t head[8];
        if (std::fread(head, 1, 8, file) != 8) return false;
        const uint64_t length = ReadBigEndian32(head);
        if (length + 12 > fileSize - offset) return false;
        const bool imageData = std::memcmp(head + 4, "IDAT", 4) == 0;
        if (imageData) {
            compressedSize += length;
            if (!SeekFile(file, int64_t(length) + 4, SEEK_CUR)) return false;
        } else {
            if (length > maxChunk) return false;
            const size_t at = skeleton.size();
            skeleton.resize(at + 12 + size_t(length));
            std::memcpy(skeleton.data() + at, head, 8);
            if (std::fread(skeleton.data() + at + 8, 1, size_t(length) + 4, file) != size_t(length) + 4) return false;
            if (at == sizeof PngSignature) {
                if (std::memcmp(head + 4, "IHDR", 4) != 0 || skeleton.size() < HeaderEnd) return false;
                rawSize = PngRawSize(skeleton.data() + 16);
            }
        }
        if (std::memcmp(head + 4, "IEND", 4) == 0) return compressedSize * 1032 + 1024 >= rawSize;
        offset += length + 12;
    }
    return false;
}
