// Where the rows of a line drawing go as they become final: an uncompressed
// BMP, a PNG or an SVG, to a file (when file is given) or else into memory,
// with the bytes the document's writers give for the whole drawing. Rows are
// pure black and white, width pixels of 3 bytes. False from any call, with
// errno set, when the output fails or memory runs out.
#pragma once

#include "centre_line_tracer.h"
#include "dib.h"
#include "output_colours.h"
#include "png_writer.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

// Put takes row y of the upright picture, in whatever order the rows come
// (top row first for PNG); End completes the output.
class RowOutput {
public:
    virtual ~RowOutput() = default;
    virtual bool Put(int32_t y, uint8_t* row) = 0;
    virtual bool End() { return true; }
};

// Headers, then each row at its place, bottom row first: memory holds the
// whole file; a file gets a block of neighbouring rows (about 256 KiB) at a
// time, one seek and one write each, as its last row comes. The rows come
// top row first or bottom row first.
class BmpOutput : public RowOutput {
public:
    BmpOutput(const BitmapInfoHeader& header, const OutputColours& colours, std::FILE* file,
              std::vector<uint8_t>* memory);
    bool Begin();
    bool Put(int32_t y, uint8_t* row) override;

private:
    BitmapInfoHeader header_;
    OutputColours colours_;
    std::FILE* file_;
    std::vector<uint8_t>* memory_;
    int64_t stride_;
    int32_t blockRows_;                 // rows of the file in a block
    int32_t blockFilled_ = 0;           // rows of the current block put so far
    std::unique_ptr<uint8_t[]> block_;  // for a file: its rows in file order, zero padded
};

// Rows that come bottom row first (reversed) are kept packed at one bit a
// pixel until the last one is in, as PNG is written top row first.
class PngOutput : public RowOutput {
public:
    bool Begin(const BitmapInfoHeader& header, const OutputColours& colours, std::FILE* file,
               std::vector<uint8_t>* memory, bool reversed);
    bool Put(int32_t y, uint8_t* row) override;
    bool End() override;

private:
    BilevelPngRows rows_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    size_t packedStride_ = 0;
    PixelBuffer packed_;  // the reversed rows, null for rows in order
};

// The tracer needs the whole drawing: its line pixels are gathered at one
// bit each and traced at the end.
class SvgOutput : public RowOutput {
public:
    SvgOutput(int thickness, const OutputColours& colours, std::FILE* file, std::vector<uint8_t>* memory);
    bool Begin(const BitmapInfoHeader& header);
    bool Put(int32_t y, uint8_t* row) override;
    bool End() override;

private:
    LinePixels lines_;
    int32_t xPelsPerMeter_ = 0;
    int32_t yPelsPerMeter_ = 0;
    int thickness_;
    OutputColours colours_;
    std::FILE* file_;
    std::vector<uint8_t>* memory_;
};
