// Draws traced strokes (centre_line_tracer.h) back into pixels as an SVG
// renderer or a plotter draws them: each stroke as wide as its width, with
// round caps and joins. For measuring how well the strokes cover the lines
// they were traced from. Points are taken in hundredths of a pixel, rounded
// as the SVG writer writes them, and curves flattened to 16 lines each; from
// there only integers are used, so every platform draws the same pixels.
#pragma once

#include "kernels/centre_line_tracer.h"

#include <cstdint>
#include <functional>
#include <vector>

// Calls pixel(x, y) for each pixel of a picture of that size whose centre
// lies within width / 2 of the stroke, some of them more than once.
void RasteriseStroke(const TraceStroke& stroke, int width, int32_t pictureWidth, int32_t pictureHeight,
                     const std::function<void(int32_t x, int32_t y)>& pixel);

// Pixels that the centre lines of two strokes or more pass through (within
// half a pixel) away from their ends: lines traced twice. The pixels within
// a pixel more than half its width of a stroke's ends, where strokes meet,
// do not count.
int64_t CountTracedTwice(const std::vector<TraceStroke>& strokes, int32_t width, int32_t height);
