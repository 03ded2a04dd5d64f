// Writing an image in the working layout as PNG, to a file or into memory,
// in the smallest form that keeps its pixels exactly.
//
// A picture whose pixels are all black (0, 0, 0) or white (255, 255, 255),
// as every extraction result is, is written at 1 bit per pixel in the given
// colours: greyscale when the lines are black or white and the background
// the other one or transparent (with tRNS), else a two-entry palette (with
// tRNS for a transparent background). Any other picture is written as 8-bit
// RGB with its own pixels; the colours do not apply. The image's pixel
// density, when it has one, is written as pHYs in pixels per metre.
#pragma once

#include "dib.h"
#include "output_colours.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

// Writes the 24-bit image as a PNG file, all or nothing as ImgWriteBmp
// does. On failure *systemError (if given) receives the errno value.
bool WritePng(const char* path, DibHandle image, const OutputColours& colours, int* systemError = nullptr);

// Encodes the 24-bit image as the bytes of a PNG file into png (replacing
// what it held). False, with png empty, when memory runs out.
bool EncodePng(DibHandle image, const OutputColours& colours, std::vector<uint8_t>& png);

struct spng_ctx;
struct PngForm;
struct PngContextFree {
    void operator()(spng_ctx* context) const;
};

// A black-and-white picture encoded a row at a time, top row first, to the
// same bytes WritePng and EncodePng give for it whole. Output goes to file
// or, when file is null, is appended to *memory. Row takes width pixels of
// 3 bytes, each black or white; Finished says whether the last row is in
// and the file complete. False, with errno set when memory ran out, on any
// failure of the encoder or its output.
class BilevelPngRows {
public:
    BilevelPngRows();
    ~BilevelPngRows();
    bool Start(std::FILE* file, std::vector<uint8_t>* memory, int32_t width, int32_t height, int32_t xPelsPerMeter,
               int32_t yPelsPerMeter, const OutputColours& colours);
    bool Row(const uint8_t* pixels);
    bool Finished() const;

private:
    std::unique_ptr<spng_ctx, PngContextFree> context_;
    std::unique_ptr<PngForm> form_;
    std::unique_ptr<uint8_t[]> scratch_;
    int lastCode_ = -1;
};
