// What the loader reads itself from a stream: which format its first bytes
// name, and whether a PNG's compressed data could hold the image its header
// claims. The decoder checks everything else, but the bitmap is allocated
// before it reads the pixel data, so a file of a few bytes claiming a huge
// image must be refused first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// True when data starts with a BMP's "BM".
bool LooksLikeBmp(const uint8_t* data, size_t size);

// True when data starts with the PNG signature.
bool LooksLikePng(const uint8_t* data, size_t size);

// True when data starts with a JPEG start-of-image marker.
bool LooksLikeJpeg(const uint8_t* data, size_t size);

// The big-endian 32-bit number at bytes, as PNG stores lengths and checksums.
uint32_t ReadBigEndian32(const uint8_t* bytes);

// Whether the PNG's chunks run whole from its header (IHDR) to its end chunk
// (IEND), and its image data chunks (IDAT) are large enough for the rows
// that the header claims: deflate cannot shrink data more than about 1032
// to 1. Checksums are left to the decoder.
bool PngChunksHoldImage(const uint8_t* data, size_t size);


// Reads the PNG file from its start (fileSize bytes) as a skeleton: its
// signature and every chunk but IDAT, verbatim, which the chunk finders of
// exif_orientation.h and pixel_density.h read as they read the whole file,
// while IDAT chunks are only counted. False where PngChunksHoldImage is
// false for the whole file, on a read error, or for a chunk other than IDAT
// of more than maxChunk bytes.
bool ReadPngSkeleton(std::FILE* file, uint64_t fileSize, std::vector<uint8_t>& skeleton, size_t maxChunk);
