// Pictures as rows, for conversions that do not hold them whole: a row
// source gives a picture's rows in the order its file stores them, decoding
// each as it is read where the format allows (JPEG, a PNG that is not
// interlaced, an uncompressed BMP), and says how that order and the upright
// picture relate. Other pictures are loaded whole and upright first, as the
// document loads them; either way the rows are the document's.
#pragma once

#include "base/dib.h"
#include "codecs/picture_rows.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

struct RowSource {
    std::unique_ptr<PictureRows> rows;
    BitmapInfoHeader header{};  // size and density upright, 24 bits
    bool bottomUp = false;      // rows come bottom row first
    bool mirrored = false;      // each row comes right to left
    bool decodes = false;       // each row is decoded as it is read
};

// The source for the picture file's bytes in data, which must stay while it
// is read. Null with *error set on failure.
std::unique_ptr<RowSource> OpenSource(const uint8_t* data, size_t size, ImageError* error);

// The source for the PNG file open at its start (size bytes), read a chunk
// at a time as rows are read, when it streams; null, with *error None, for
// any other file, to be read whole instead; null with *error set when the
// file is refused.
std::unique_ptr<RowSource> OpenPngFile(std::FILE* file, uint64_t size, ImageError* error);

// Makes the source's rows decode on a thread of their own, up to a ring of
// rows ahead of their reader, for a processor to spare: decoding and the
// rest of a conversion then take turns no more. The rows are the same. The
// source stays as it is when it decodes nothing or the thread cannot be had.
void DecodeAhead(RowSource& source);
