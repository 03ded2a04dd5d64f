// Finds the orientation that a camera recorded in a JPEG or PNG file's EXIF
// block: how the stored pixels must be turned to show the picture upright.
// Phones store most photos sideways and rely on this tag.
//
// Values as EXIF defines them (tag 0x0112, stored row 0 and column 0 as
// seen upright): 1 as stored, 2 mirrored, 3 turned half round, 4 flipped
// upside down, 5 mirrored across the top-left to bottom-right diagonal,
// 6 to be turned a quarter clockwise, 7 mirrored across the other diagonal,
// 8 to be turned a quarter anticlockwise.
//
// Only the bytes given are read, never past size. A missing, damaged or
// out-of-range tag gives 1: a picture is never refused for its EXIF data.
#pragma once

#include <cstddef>
#include <cstdint>

// The orientation of a JPEG file (the first APP1 segment starting with
// "Exif\0\0" before the first scan) or a PNG file (the first eXIf chunk,
// before or after the image data); 1 for anything else.
int ExifOrientation(const uint8_t* file, size_t size);

// The orientation tag of IFD0 in a TIFF-structured EXIF block (from its
// "II" or "MM" byte-order mark on); 1 unless the tag is there with type
// SHORT, count 1 and a value from 1 to 8.
int TiffOrientation(const uint8_t* tiff, size_t size);

// The finders the orientation is read with, shared with the pixel density
// (pixel_density.h). Each returns the first match's data within the bytes
// given, with its size in *dataSize, or null with *dataSize 0.

// A JPEG marker segment before the first scan whose data starts with the
// signature; the data returned follows the signature.
const uint8_t* FindJpegSegment(const uint8_t* file, size_t size, uint8_t marker, const char* signature,
                               size_t signatureSize, size_t* dataSize);

// The data of a PNG chunk of the 4-letter type before the end chunk.
const uint8_t* FindPngChunk(const uint8_t* file, size_t size, const char* type, size_t* dataSize);

// The EXIF block (TIFF-structured) of a JPEG or PNG file, as described
// above for ExifOrientation.
const uint8_t* ExifBlock(const uint8_t* file, size_t size, size_t* dataSize);

// One entry of IFD0 of a TIFF-structured block: its type and count, and its
// value's bytes, read in the block's byte order.
struct TiffField {
    bool bigEndian = false;
    uint32_t type = 0;  // 3 SHORT, 4 LONG, 5 RATIONAL
    uint32_t count = 0;
    const uint8_t* value = nullptr;

    uint32_t Read16(const uint8_t* bytes) const;
    uint32_t Read32(const uint8_t* bytes) const;
};

// Finds tag in IFD0; false when the block is damaged, the tag is missing or
// its value lies outside the block.
bool FindTiffField(const uint8_t* tiff, size_t size, uint32_t tag, TiffField* field);
