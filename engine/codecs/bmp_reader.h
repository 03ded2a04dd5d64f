// Reading BMP files held in memory: Windows and OS/2 bitmaps with headers of
// 12, 40, 52, 56, 64, 108 or 124 bytes; 1, 4, 8, 16, 24 or 32 bits per pixel;
// uncompressed, RLE8, RLE4 or bit fields; rows stored bottom-up or top-down.
//
// The result is 24 bits per pixel when the picture is opaque, and 32 bits
// (blue, green, red, alpha) when it has real transparency: an alpha field
// that is neither all zero nor all full, or RLE pixels that the file skips,
// which come out as transparent black.
//
// Pixel memory is allocated only once the file is known to hold the pixels:
// every row of an uncompressed bitmap, and at least one byte of RLE data for
// every 4096 pixels.
#pragma once

#include "base/dib.h"
#include "codecs/picture_rows.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// Decodes a whole BMP file held in memory. The caller owns the result and
// releases it with ImgRelease. Null on any bytes this reader does not accept,
// with *error set (if error is non-null): NotAnImage for files that are not
// BMP or use a compression this reader lacks (JPEG, PNG, ...), TooLarge when
// the image has more than MaxImagePixels pixels, Corrupt for damaged or
// inconsistent data or too little of it.
DibHandle DecodeBmp(const uint8_t* data, size_t size, ImageError* error);

struct BmpRowLayout;

// An uncompressed BMP held in memory, decoded a row at a time, top row first,
// for pictures that are not held whole. Start reads the headers and refuses
// what DecodeBmp refuses before it allocates; an RLE bitmap does not stream
// (Streams false). ReadRow gives the next row as Width() pixels of 3 bytes
// (BGR, any transparency over white, as ImgMake24 makes it); it and End
// never fail, as Start found every row in the file. The bytes at data must
// stay while rows are read.
class BmpRows : public PictureRows {
public:
    BmpRows();
    ~BmpRows();
    bool Start(const uint8_t* data, size_t size, ImageError* error);
    bool Streams() const;
    int32_t Width() const;
    int32_t Height() const;
    bool ReadRow(uint8_t* bgr, ImageError* error) override;
    bool End(ImageError*) override { return true; }

private:
    std::unique_ptr<BmpRowLayout> layout_;
    std::unique_ptr<uint8_t[]> transparentRow_;
    int channels_ = 0;
    int32_t next_ = 0;
};
