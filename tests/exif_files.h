// Test files that carry an EXIF orientation, made from the plain test images
// by splicing an EXIF block into their bytes, as cameras and phones write it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Where the parts of the block that TiffBlock builds sit, for tests that
// damage them. IFD0 holds three entries, the orientation in the middle.
namespace TiffLayout {
constexpr size_t DirectoryOffset = 4;  // 32-bit offset of IFD0
constexpr size_t Directory = 8;        // 16-bit entry count, then the entries
constexpr size_t Orientation = 22;     // tag, type, count, value
constexpr size_t OrientationType = Orientation + 2;
constexpr size_t OrientationCount = Orientation + 4;
constexpr size_t OrientationValue = Orientation + 8;
constexpr size_t NextDirectory = 46;   // 32-bit offset of IFD1, 0 for none
constexpr size_t Size = 50;
}  // namespace TiffLayout

// An EXIF block (TIFF structure) in the given byte order whose IFD0 holds
// the orientation tag with that value, between two other tags.
std::vector<uint8_t> TiffBlock(int orientation, bool bigEndian);

// Writes value into the block at offset in the block's own byte order.
void Put16(std::vector<uint8_t>& tiff, size_t offset, uint32_t value);
void Put32(std::vector<uint8_t>& tiff, size_t offset, uint32_t value);

// The JPEG file with an APP1 segment holding "Exif\0\0" and the block
// inserted right after its start-of-image marker.
std::vector<uint8_t> WithJpegExif(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& tiff);

// The JPEG file with any other segment (marker, bytes) inserted right after
// its start-of-image marker.
std::vector<uint8_t> WithJpegSegment(const std::vector<uint8_t>& jpeg, uint8_t marker,
                                     const std::vector<uint8_t>& bytes);

// The PNG file with an eXIf chunk holding the block, with a correct
// checksum, inserted after IHDR or, if afterData, just before IEND.
std::vector<uint8_t> WithPngExif(const std::vector<uint8_t>& png, const std::vector<uint8_t>& tiff,
                                 bool afterData = false);
