// JPEG decoding through libjpeg-turbo, straight into a bitmap of the image
// module.
#pragma once

#include "base/dib.h"
#include "codecs/picture_rows.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// The most scans a JPEG stream may have. Each scan of a progressive image
// may visit every block for a few bytes of data, so the count bounds the
// decoding time; encoders write about ten.
constexpr int MaxJpegScans = 100;

// Decodes the JPEG stream of size bytes at data into a 24-bit bitmap
// (greyscale, YCbCr, RGB, CMYK and YCCK images). Refused as Corrupt: a
// stream that the library finds damaged or cut short, or with fewer bytes
// after its headers than one bit for each 8 x 8 block of each component (no
// scan codes a block in less), which is checked before the bitmap is
// allocated; as TooLarge, one of more pixels than a bitmap may hold or of
// more than 65500 a side (libjpeg-turbo's limit); as TooManyScans, one of
// more than MaxJpegScans scans; as OutOfMemory, any stream when the
// library's memory runs out. Null on failure, with *error set.
DibHandle DecodeJpeg(const uint8_t* data, size_t size, ImageError* error);

struct JpegSession;

// The same decoding a few rows at a time, top row first, for pictures that
// are not held whole: Start reads the headers (refusing what DecodeJpeg
// refuses before it allocates), ReadRow decodes the next row and ReadRows
// the next count rows of Width() pixels of 3 bytes (BGR), End checks the
// rest of the stream. After a false return, with *error set, the decoder is
// closed. The bytes at data must stay until End.
class JpegRows : public PictureRows {
public:
    JpegRows();
    ~JpegRows();
    JpegRows(const JpegRows&) = delete;
    JpegRows& operator=(const JpegRows&) = delete;

    bool Start(const uint8_t* data, size_t size, ImageError* error);
    int32_t Width() const;
    int32_t Height() const;
    bool ReadRow(uint8_t* bgr, ImageError* error) override { return ReadRows(&bgr, 1, error); }
    bool ReadRows(uint8_t* const* rows, int count, ImageError* error);
    bool End(ImageError* error) override;

private:
    void Close();
    std::unique_ptr<JpegSession> session_;
};
