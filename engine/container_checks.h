// Structural checks that run before a PNG or JPEG stream is handed to the
// decoder, which itself tolerates damage the program must refuse: a PNG chunk
// whose checksum is wrong, a JPEG stream cut off before its end marker, or a
// header claiming far more pixels than the data that follows can hold, which
// the decoder would allocate before noticing. Also the one repair the decoder
// needs: a full palette for a paletted PNG.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// True when data starts with the PNG signature.
bool LooksLikePng(const uint8_t* data, size_t size);

// True when data starts with a JPEG start-of-image marker.
bool LooksLikeJpeg(const uint8_t* data, size_t size);

// The big-endian 32-bit number at bytes, as PNG stores lengths and checksums.
uint32_t ReadBigEndian32(const uint8_t* bytes);

// The CRC-32 that PNG chunks carry, over size bytes.
uint32_t Crc32(const uint8_t* bytes, size_t size);

// Every chunk up to IEND is complete with a correct CRC, IHDR comes first and
// the compressed data (IDAT) is large enough for the image it claims:
// deflate cannot shrink data more than about 1032 to 1.
bool PngStructureValid(const uint8_t* data, size_t size);

// A paletted PNG whose pixels use indices past the end of its palette makes
// the decoder read colours that it never set, from its stack. For such a
// file, which must have passed PngStructureValid, this gives a copy whose
// palette is filled up to 256 entries with black, so those pixels come out
// opaque black; for any other file an empty vector.
std::vector<uint8_t> PngWithFullPalette(const uint8_t* png, size_t size);

// The most scans a JPEG stream may have. Each scan of a progressive image
// may visit every block for a few bytes of data, so the count bounds the
// decoding time; encoders write about ten.
constexpr int MaxJpegScans = 100;

// The marker segments are complete, every Huffman table holds at most 256
// codes, a frame header comes before the first scan, each scan names only
// components of the frame and Huffman and quantisation tables defined before
// it, there are at most MaxJpegScans scans and an end-of-image marker
// follows the entropy-coded data, which holds at least one bit for every
// 8 x 8 block of every component that the frame header claims.
bool JpegStructureValid(const uint8_t* data, size_t size);
