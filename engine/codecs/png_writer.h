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
#include <vector>

// Writes the 24-bit image as a PNG file, all or nothing as ImgWriteBmp
// does. On failure *systemError (if given) receives the errno value.
bool WritePng(const char* path, DibHandle image, const OutputColours& colours, int* systemError = nullptr);

// Encodes the 24-bit image as the bytes of a PNG file into png (replacing
// what it held). False, with png empty, when memory runs out.
bool EncodePng(DibHandle image, const OutputColours& colours, std::vector<uint8_t>& png);
