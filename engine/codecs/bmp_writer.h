// The BMP writer's parts: the headers of an uncompressed 24-bit file and a
// row of a black-and-white picture in the colours of a line drawing. The
// BMP row output (row_outputs.h) puts them together.
#pragma once

#include "base/dib.h"
#include "base/output_colours.h"

#include <cstdint>

// The file and info headers of an uncompressed image with header's size,
// depth and density, whose rows follow bottom-up with stride DibStride.
constexpr uint32_t BmpHeadersSize = 14 + 40;
void PutBmpHeaders(const BitmapInfoHeader& header, uint8_t* to);

// A row of a black-and-white picture (3 bytes a pixel, no padding) with
// black pixels in colours.lines and white ones in colours.background.
void RecolourRow(const uint8_t* from, int32_t width, const OutputColours& colours, uint8_t* to);
