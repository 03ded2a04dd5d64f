// The pixel density a file records, so that a drawing made from a 300 dpi
// scan prints at the scan's size.
//
// In pixels per metre, as a BMP header holds it; 0 for both when the file
// records none. From a JPEG: the JFIF density (unit 1 dots per inch, 2 per
// centimetre; unit 0 is only an aspect ratio), else the EXIF XResolution and
// YResolution in its ResolutionUnit (2 inch, the default, or 3 centimetre).
// From a PNG: pHYs with the metre as unit. From a BMP: the header's values.
// Damaged, zero or negative values count as none; only the bytes given are
// read.
#pragma once

#include <cstddef>
#include <cstdint>

struct PixelDensity {
    int32_t x = 0;
    int32_t y = 0;
};

PixelDensity FilePixelDensity(const uint8_t* file, size_t size);

// Pixels per metre for pixels (up to 2^32) in length tenths of a millimetre
// (254 for an inch, 100 for a centimetre; at most 2^40), rounded to the
// nearest: 300 in 254 is 11811. 0 when it does not fit an int32_t.
int32_t PixelsPerMetre(uint64_t pixels, uint64_t length);
