// PNG decoding through libspng, row by row into a bitmap of the image
// module.
#pragma once

#include "dib.h"

#include <cstddef>
#include <cstdint>

// Decodes the PNG stream of size bytes at data. The result has 24 bits per
// pixel, or 32 (blue, green, red, alpha) when some pixel is not fully
// opaque; 16-bit samples are rounded to the nearest 8-bit value, gamma is
// not applied. Refused as Corrupt: a wrong chunk checksum, a stream cut
// short before its end chunk, damaged image data, or (before the bitmap is
// allocated) too little compressed data for the rows the header claims; as
// OutOfMemory, any stream when an allocation of the decoder or the library
// fails. Null on failure, with *error set.
DibHandle DecodePng(const uint8_t* data, size_t size, ImageError* error);
