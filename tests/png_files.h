// PNG output read back by libspng itself, and what a line drawing in two
// colours should read back as.
#pragma once

#include "base/output_colours.h"
#include "test_images.h"

struct PngContents {
    int bitDepth = 0, colourType = 0;    // colour type 0 grey, 2 RGB, 3 palette
    std::vector<uint32_t> rgba;          // 0xRRGGBBAA from the top; 0 where alpha is 0
    uint32_t densityX = 0, densityY = 0;  // pHYs in pixels per metre; 0 without
};
PngContents ReadPng(const std::vector<uint8_t>& bytes);

// Black pixels in the opaque line colour, others in the background's (0 when transparent).
std::vector<uint32_t> LineDrawingRgba(const Picture& picture, const OutputColours& colours);
