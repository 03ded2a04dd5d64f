// Structural checks that run before a PNG or JPEG stream is handed to the
// decoder, which itself tolerates damage the program must refuse: a PNG chunk
// whose checksum is wrong, or a JPEG stream cut off before its end marker.
#pragma once

#include <cstddef>
#include <cstdint>

// True when data starts with the PNG signature.
bool LooksLikePng(const uint8_t* data, size_t size);

// True when data starts with a JPEG start-of-image marker.
bool LooksLikeJpeg(const uint8_t* data, size_t size);

// Every chunk up to IEND is complete with a correct CRC, IHDR comes first and
// the compressed data (IDAT) is large enough for the image it claims:
// deflate cannot shrink data more than about 1032 to 1.
bool PngStructureValid(const uint8_t* data, size_t size);

// The marker segments are complete and an end-of-image marker follows the
// entropy-coded data.
bool JpegStructureComplete(const uint8_t* data, size_t size);
