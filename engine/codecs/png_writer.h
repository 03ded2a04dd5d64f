// Writing an image in the working layout as PNG, a row at a time, top row
// first, in the smallest form that keeps its pixels exactly.
//
// A picture whose pixels are all black (0, 0, 0) or white (255, 255, 255),
// as every extraction result is, is written at 1 bit per pixel in the given
// colours: greyscale when the lines are black or white and the background
// the other one or transparent (with tRNS), else a two-entry palette (with
// tRNS for a transparent background). Any other picture is written as 8-bit
// RGB with its own pixels; the colours do not apply. The image's pixel
// density, when it has one, is written as pHYs in pixels per metre.
#pragma once

#include "base/output_colours.h"
#include "base/output_sink.h"

#include <cstdint>
#include <memory>

struct spng_ctx;
struct PngForm;
struct PngContextFree {
    void operator()(spng_ctx* context) const;
};

// Start chooses the form: bilevel says every pixel is black or white. Row
// takes width pixels of 3 bytes; Finished says whether the last row is in
// and the file complete. The bytes go to sink as the encoder makes them.
// False, with errno set when memory ran out, on any failure of the encoder
// or its output.
class PngRowWriter {
public:
    PngRowWriter();
    ~PngRowWriter();
    bool Start(OutputSink& sink, int32_t width, int32_t height, int32_t xPelsPerMeter, int32_t yPelsPerMeter,
               const OutputColours& colours, bool bilevel);
    bool Row(const uint8_t* pixels);
    bool Finished() const;

private:
    std::unique_ptr<spng_ctx, PngContextFree> context_;
    std::unique_ptr<PngForm> form_;
    std::unique_ptr<uint8_t[]> scratch_;
    int lastCode_ = -1;
};
