// PNG decoding through libspng, row by row into a bitmap of the image
// module.
#pragma once

#include "base/dib.h"
#include "codecs/picture_rows.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

struct spng_ctx;

// The largest ancillary chunk the decoder reads (text, colour profiles).
constexpr size_t PngMaxChunkSize = size_t{16} << 20;

// Decodes the PNG stream of size bytes at data. The result has 24 bits per
// pixel, or 32 (blue, green, red, alpha) when some pixel is not fully
// opaque; 16-bit samples are rounded to the nearest 8-bit value, gamma is
// not applied. Refused as Corrupt: a wrong chunk checksum, a stream cut
// short before its end chunk, damaged image data, or (before the bitmap is
// allocated) too little compressed data for the rows the header claims; as
// OutOfMemory, any stream when an allocation of the decoder or the library
// fails. Null on failure, with *error set.
DibHandle DecodePng(const uint8_t* data, size_t size, ImageError* error);

// The same decoding a row at a time, for pictures that are not held whole.
// Start reads the header and refuses what DecodePng refuses before it
// allocates. Rows of a picture that is not interlaced come with ReadRow,
// top row first, as Width() pixels of 3 bytes (BGR, any transparency over
// white, as ImgMake24 makes it); DecodeWhole decodes every row (interlaced
// too) as DecodePng does. End checks the rest of the file after the last
// row. The bytes at data must stay until then. False (null) with *error set
// on failure.
class PngRows : public PictureRows {
public:
    bool Start(const uint8_t* data, size_t size, ImageError* error);
    // The same reading the file from its current position, a chunk at a
    // time as rows are read. Whether its chunks can hold the image is the
    // caller's to check first (ReadPngSkeleton).
    bool StartFile(std::FILE* file, ImageError* error);
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    bool Interlaced() const { return interlaced_; }
    bool ReadRow(uint8_t* bgr, ImageError* error) override;
    bool End(ImageError* error) override;
    DibHandle DecodeWhole(ImageError* error);

private:
    template <typename SetInput, typename ChunksHoldImage>
    bool Start(SetInput setInput, ChunksHoldImage chunksHoldImage, ImageError* error);
    template <typename Target>
    int DecodeRow(int bytesPerPixel, Target target);

    struct ContextFree {
        void operator()(spng_ctx* context) const;
    };
    std::unique_ptr<spng_ctx, ContextFree> context_;
    std::unique_ptr<uint16_t[]> rgba_;
    std::unique_ptr<uint8_t[]> transparentRow_;
    size_t rowSize_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    bool interlaced_ = false;
    bool mayBeTransparent_ = false;
    bool wide_ = false;
    int lastCode_ = 0;
};
