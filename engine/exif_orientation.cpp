#include "exif_orientation.h"

#include "container_checks.h"

#include <cstring>

namespace {

constexpr int Upright = 1;

// Reads 16- and 32-bit numbers in the byte order that the block declares.
struct ByteOrder {
    bool bigEndian = false;

    uint32_t Read16(const uint8_t* bytes) const {
        return bigEndian ? uint32_t{bytes[0]} << 8 | bytes[1] : uint32_t{bytes[1]} << 8 | bytes[0];
    }
    uint32_t Read32(const uint8_t* bytes) const {
        return bigEndian ? Read16(bytes) << 16 | Read16(bytes + 2) : Read16(bytes + 2) << 16 | Read16(bytes);
    }
};

constexpr ByteOrder BigEndian{true};

// Walks the marker segments from after the start-of-image marker up to the
// first scan, whose compressed data follows.
int JpegOrientation(const uint8_t* file, size_t size) {
    size_t at = 2;
    while (at < size && file[at] == 0xFF) {
        // A marker's 0xFF may be repeated as fill.
        while (at < size && file[at] == 0xFF) ++at;
        if (at == size) break;
        const uint8_t marker = file[at++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no segment
        if (marker == 0xD9 || marker == 0xDA || size - at < 2) break;
        const size_t length = BigEndian.Read16(file + at);  // counts itself
        if (length < 2 || length > size - at) break;
        const uint8_t* segment = file + at + 2;
        const size_t segmentSize = length - 2;
        if (marker == 0xE1 && segmentSize >= 6 && std::memcmp(segment, "Exif\0\0", 6) == 0) {
            return TiffOrientation(segment + 6, segmentSize - 6);
        }
        at += length;
    }
    return Upright;
}

// Walks the chunks (length, type, data, checksum) up to IEND. The checksums
// are the decoder's business: a file with a wrong one is refused anyway.
int PngOrientation(const uint8_t* file, size_t size) {
    size_t at = 8;  // after the signature
    while (at + 12 <= size) {
        const size_t length = BigEndian.Read32(file + at);
        const uint8_t* type = file + at + 4;
        if (length > size - at - 12) return Upright;
        if (std::memcmp(type, "eXIf", 4) == 0) return TiffOrientation(file + at + 8, length);
        if (std::memcmp(type, "IEND", 4) == 0) return Upright;
        at += 12 + length;
    }
    return Upright;
}

}  // namespace

int ExifOrientation(const uint8_t* file, size_t size) {
    if (!file) return Upright;
    if (LooksLikeJpeg(file, size)) return JpegOrientation(file, size);
    if (LooksLikePng(file, size)) return PngOrientation(file, size);
    return Upright;
}

int TiffOrientation(const uint8_t* tiff, size_t size) {
    constexpr uint32_t OrientationTag = 0x0112;
    constexpr uint32_t TypeShort = 3;
    constexpr size_t EntrySize = 12;  // tag, type, count, value or offset
    if (!tiff || size < 8) return Upright;
    ByteOrder order;
    if (tiff[0] == 'M' && tiff[1] == 'M') {
        order.bigEndian = true;
    } else if (tiff[0] != 'I' || tiff[1] != 'I') {
        return Upright;
    }
    if (order.Read16(tiff + 2) != 42) return Upright;
    // Only IFD0 is read, never the link to the next one, so a chain that
    // loops back on itself is harmless.
    const size_t directory = order.Read32(tiff + 4);
    if (directory > size - 2) return Upright;
    const size_t entries = order.Read16(tiff + directory);
    if (entries > (size - directory - 2) / EntrySize) return Upright;
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t* entry = tiff + directory + 2 + i * EntrySize;
        if (order.Read16(entry) != OrientationTag) continue;
        if (order.Read16(entry + 2) != TypeShort || order.Read32(entry + 4) != 1) return Upright;
        // A single SHORT sits in the first two bytes of the value field.
        const uint32_t value = order.Read16(entry + 8);
        return value >= 1 && value <= 8 ? int(value) : Upright;
    }
    return Upright;
}
