#include "exif_files.h"

#include <cstring>

namespace {

void PutBigEndian(std::vector<uint8_t>& bytes, size_t offset, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * (size - 1 - i)));
}

void PutInOrder(std::vector<uint8_t>& tiff, size_t offset, uint32_t value, int size) {
    if (tiff[0] == 'M') {
        PutBigEndian(tiff, offset, value, size);
        return;
    }
    for (int i = 0; i < size; ++i) tiff[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// PNG's CRC-32, bit by bit: slow and plainly right.
uint32_t Crc32(const uint8_t* bytes, size_t size) {
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
    }
    return ~crc;
}

}  // namespace

void Put16(std::vector<uint8_t>& tiff, size_t offset, uint32_t value) {
    PutInOrder(tiff, offset, value, 2);
}

void Put32(std::vector<uint8_t>& tiff, size_t offset, uint32_t value) {
    PutInOrder(tiff, offset, value, 4);
}

std::vector<uint8_t> TiffBlock(int orientation, bool bigEndian) {
    using namespace TiffLayout;
    constexpr uint32_t Short = 3;
    constexpr uint32_t Ascii = 2;
    std::vector<uint8_t> tiff(Size, 0);
    tiff[0] = tiff[1] = bigEndian ? 'M' : 'I';
    Put16(tiff, 2, 42);
    Put32(tiff, DirectoryOffset, Directory);
    Put16(tiff, Directory, 3);
    // Make: "Pho" and its terminating zero fit in the value field.
    Put16(tiff, Orientation - 12, 0x010F);
    Put16(tiff, Orientation - 10, Ascii);
    Put32(tiff, Orientation - 8, 4);
    std::memcpy(&tiff[Orientation - 4], "Pho", 4);
    Put16(tiff, Orientation, 0x0112);
    Put16(tiff, OrientationType, Short);
    Put32(tiff, OrientationCount, 1);
    Put16(tiff, OrientationValue, uint32_t(orientation));
    // Resolution unit: inches.
    Put16(tiff, Orientation + 12, 0x0128);
    Put16(tiff, Orientation + 14, Short);
    Put32(tiff, Orientation + 16, 1);
    Put16(tiff, Orientation + 20, 2);
    Put32(tiff, NextDirectory, 0);
    return tiff;
}

std::vector<uint8_t> WithJpegSegment(const std::vector<uint8_t>& jpeg, uint8_t marker,
                                     const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> segment(4);
    segment[0] = 0xFF;
    segment[1] = marker;
    PutBigEndian(segment, 2, uint32_t(bytes.size() + 2), 2);
    segment.insert(segment.end(), bytes.begin(), bytes.end());
    std::vector<uint8_t> file = jpeg;
    file.insert(file.begin() + 2, segment.begin(), segment.end());
    return file;
}

std::vector<uint8_t> WithJpegExif(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& tiff) {
    std::vector<uint8_t> app1 = {'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), tiff.begin(), tiff.end());
    return WithJpegSegment(jpeg, 0xE1, app1);
}

std::vector<uint8_t> WithPngExif(const std::vector<uint8_t>& png, const std::vector<uint8_t>& tiff, bool afterData) {
    std::vector<uint8_t> chunk(8);
    PutBigEndian(chunk, 0, uint32_t(tiff.size()), 4);
    std::memcpy(&chunk[4], "eXIf", 4);
    chunk.insert(chunk.end(), tiff.begin(), tiff.end());
    chunk.resize(chunk.size() + 4);
    PutBigEndian(chunk, chunk.size() - 4, Crc32(&chunk[4], tiff.size() + 4), 4);
    // Signature (8) and IHDR (4 + 4 + 13 + 4); IEND is the last 12 bytes.
    const size_t at = afterData ? png.size() - 12 : 33;
    std::vector<uint8_t> file = png;
    file.insert(file.begin() + ptrdiff_t(at), chunk.begin(), chunk.end());
    return file;
}
