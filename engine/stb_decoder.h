// JPEG and PNG decoding through stb_image, into bitmaps of the image module.
#pragma once

#include "image.h"

#include <cstddef>

// Decodes a JPEG or PNG stream held in memory. The result has 24 bits per
// pixel, or 32 (blue, green, red, alpha) when some pixel is not fully opaque.
// Null on failure, with *error set.
DibHandle DecodeWithStb(const uint8_t* data, size_t size, ImageError* error);
