// Reading PNG output back in tests with libspng itself, apart from the
// program's loader, and what a line drawing should read back as.
#pragma once

#include "output_colours.h"
#include "test_images.h"

#include <cstdint>
#include <string>
#include <vector>

struct PngContents {
    bool decoded = false;
    int bitDepth = 0;
    int colourType = 0;  // 0 grey, 2 RGB, 3 palette
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgba;  // 0xRRGGBBAA, row by row from the top
    uint32_t densityX = 0;       // pHYs in pixels per metre; 0 without
    uint32_t densityY = 0;
};

PngContents ReadPng(const std::vector<uint8_t>& bytes);

// The pixels a black-and-white picture should have when written in colours:
// black in the line colour, white in the background colour, both opaque, or
// white fully transparent.
std::vector<uint32_t> LineDrawingRgba(const Picture& picture, const OutputColours& colours);

// The picture's pixels, opaque, as ReadPng gives them.
std::vector<uint32_t> OpaqueRgba(const Picture& picture);

// Empty when equal, else the first pixel that differs; a pixel expected fully
// transparent may have any colour.
std::string FirstRgbaDifference(const std::vector<uint32_t>& expected, const std::vector<uint32_t>& actual);
