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
