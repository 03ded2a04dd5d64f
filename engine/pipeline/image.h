// Loading: device-independent bitmaps (see dib.h) read from BMP, JPEG and
// PNG files or bytes in memory, whichever decoder the first bytes call for.
#pragma once

#include "base/dib.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Loads a BMP, JPEG or PNG file. JPEG and PNG pictures are turned upright as
// their EXIF orientation says. Images with transparency are kept with their
// alpha channel until ImgMake24. Null on failure; *error (if given) says why.
// The file's pixel density, if it records one, is kept in biXPelsPerMeter
// and biYPelsPerMeter (see pixel_density.h), else both are 0; every copy,
// turn and output of the image carries it on.
DibHandle ImgLoadFile(const char* path, ImageError* error = nullptr);

// Loads an image from the size bytes at data, which are only read during the
// call; the format is told by the first bytes. Otherwise as ImgLoadFile.
//
// Whatever the bytes, the result is null or a valid image, and memory is
// only allocated for what the bytes can hold: a file whose pixels are not
// there is refused as Corrupt before its claimed size is allocated. A BMP
// needs every row of uncompressed pixels, or one byte of RLE data per 4096
// pixels; a PNG one byte of compressed data per 1032 bytes of rows (deflate
// compresses no further); a JPEG one bit of coded data for each 8 x 8 block
// of each component (no JPEG codes a block in less) and at most 100 scans.
DibHandle ImgLoadMemory(const uint8_t* data, size_t size, ImageError* error = nullptr);

// Whether the first bytes of a file (FileStartSize of them suffice, fewer
// for a shorter file) start a BMP, JPEG or PNG: what decides whether the rest
// of a file or a stream is read at all.
bool StartsLikeAnImage(const uint8_t* data, size_t size);

// Reads the file ImgLoadFile would load into bytes: refused without reading
// the rest when its first bytes start no BMP, JPEG or PNG (NotAnImage), or
// when larger than any picture (TooLarge). None when read.
ImageError ReadImageFile(const char* path, std::vector<uint8_t>& bytes);
