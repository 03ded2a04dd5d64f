#include "codecs/exif_orientation.h"

#include "codecs/container_checks.h"

#include <cstring>

namespace {

constexpr int Upright = 1;

uint32_t ReadBig16(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 8 | bytes[1];
}

}  // namespace

uint32_t TiffField::Read16(const uint8_t* bytes) const {
    return bigEndian ? ReadBig16(bytes) : uint32_t{bytes[1]} << 8 | bytes[0];
}

uint32_t TiffField::Read32(const uint8_t* bytes) const {
    return bigEndian ? Read16(bytes) << 16 | Read16(bytes + 2) : Read16(bytes + 2) << 16 | Read16(bytes);
}

// Walks the marker segments from after the start-of-image marker up to the
// first scan, whose compressed data follows.
const uint8_t* FindJpegSegment(const uint8_t* file, size_t size, uint8_t wanted, const char* signature,
                               size_t signatureSize, size_t* dataSize) {
    *dataSize = 0;
    if (!LooksLikeJpeg(file, size)) return nullptr;
    size_t at = 2;
    while (at < size && file[at] == 0xFF) {
        // A marker's 0xFF may be repeated as fill.
        while (at < size && file[at] == 0xFF) ++at;
        if (at == size) break;
        const uint8_t marker = file[at++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no segment
        if (marker == 0xD9 || marker == 0xDA || size - at < 2) break;
        const size_t length = ReadBig16(file + at);  // counts itself
        if (length < 2 || length > size - at) break;
        const uint8_t* segment = file + at + 2;
        const size_t segmentSize = length - 2;
        if (marker == wanted && segmentSize >= signatureSize && std::memcmp(segment, signature, signatureSize) == 0) {
            *dataSize = segmentSize - signatureSize;
            return segment + signatureSize;
        }
        at += length;
    }
    return nullptr;
}

// Walks the chunks (length, type, data, checksum) up to IEND. The checksums
// are the decoder's business: a file with a wrong one is refused anyway.
const uint8_t* FindPngChunk(const uint8_t* file, size_t size, const char* type, size_t* dataSize) {
    *dataSize = 0;
    if (!LooksLikePng(file, size)) return nullptr;
    size_t at = 8;  // after the signature
    while (at + 12 <= size) {
        const size_t length = ReadBigEndian32(file + at);
        const uint8_t* chunkType = file + at + 4;
        if (length > size - at - 12) return nullptr;
        if (std::memcmp(chunkType, type, 4) == 0) {
            *dataSize = length;
            return file + at + 8;
        }
        if (std::memcmp(chunkType, "IEND", 4) == 0) return nullptr;
        at += 12 + length;
    }
    return nullptr;
}

const uint8_t* ExifBlock(const uint8_t* file, size_t size, size_t* blockSize) {
    *blockSize = 0;
    if (!file) return nullptr;
    if (LooksLikeJpeg(file, size)) return FindJpegSegment(file, size, 0xE1, "Exif\0\0", 6, blockSize);
    return FindPngChunk(file, size, "eXIf", blockSize);
}

int ExifOrientation(const uint8_t* file, size_t size) {
    size_t blockSize = 0;
    const uint8_t* block = ExifBlock(file, size, &blockSize);
    return block ? TiffOrientation(block, blockSize) : Upright;
}

bool FindTiffField(const uint8_t* tiff, size_t size, uint32_t tag, TiffField* field) {
    constexpr size_t EntrySize = 12;  // tag, type, count, value or offset
    if (!tiff || size < 8) return false;
    TiffField found;
    if (tiff[0] == 'M' && tiff[1] == 'M') {
        found.bigEndian = true;
    } else if (tiff[0] != 'I' || tiff[1] != 'I') {
        return false;
    }
    if (found.Read16(tiff + 2) != 42) return false;
    // Only IFD0 is read, never the link to the next one, so a chain that
    // loops back on itself is harmless.
    const size_t directory = found.Read32(tiff + 4);
    if (directory > size - 2) return false;
    const size_t entries = found.Read16(tiff + directory);
    if (entries > (size - directory - 2) / EntrySize) return false;
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t* entry = tiff + directory + 2 + i * EntrySize;
        if (found.Read16(entry) != tag) continue;
        found.type = found.Read16(entry + 2);
        found.count = found.Read32(entry + 4);
        // Up to 4 bytes sit in the value field itself, more at its offset.
        const uint64_t unit = found.type == 3 ? 2 : found.type == 4 ? 4 : found.type == 5 ? 8 : 1;
        const uint64_t bytes = unit * found.count;
        if (bytes <= 4) {
            found.value = entry + 8;
        } else {
            const size_t offset = found.Read32(entry + 8);
            if (offset > size || bytes > size - offset) return false;
            found.value = tiff + offset;
        }
        *field = found;
        return true;
    }
    return false;
}

int TiffOrientation(const uint8_t* tiff, size_t size) {
    constexpr uint32_t OrientationTag = 0x0112;
    constexpr uint32_t TypeShort = 3;
    TiffField field;
    if (!FindTiffField(tiff, size, OrientationTag, &field)) return Upright;
    if (field.type != TypeShort || field.count != 1) return Upright;
    const uint32_t value = field.Read16(field.value);
    return value >= 1 && value <= 8 ? int(value) : Upright;
}
