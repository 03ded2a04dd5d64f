// Writing a line drawing as SVG 1.1 with one stroke per line, traced through
// the middle of the lines (centre_line_tracer.h), to a file or into memory.
//
// The document is `width` by `height` in millimetres when the picture has a
// pixel density in both directions, else in pixels, with a viewBox in pixels.
// The strokes are drawn in colours.lines, 1 pixel wide for thin lines
// (thickness 0) and 2 for thick ones, wider where a thick line is wider (a
// path of their own with its stroke-width), with round caps and joins. A
// stroke that starts where the one before ended, as wide, continues its path
// without a move, so a plotter lifts its pen only between the tracer's
// walks. The
// background is colours.background painted as a rectangle, or nothing when
// colours.transparent: callers pass transparent unless a background was
// chosen. Path data uses relative coordinates with at most two decimals,
// formatted by integer code, so the same drawing gives the same bytes on
// every platform.
#pragma once

#include "centre_line_tracer.h"
#include "dib.h"
#include "output_colours.h"

#include <cstdint>
#include <vector>

// Traces the 24-bit drawing and writes it as an SVG file, all or nothing as
// ImgWriteBmp does. On failure *systemError (if given) receives the errno
// value (ENOMEM when memory runs out).
bool WriteSvg(const char* path, DibHandle drawing, int thickness, const OutputColours& colours,
              int* systemError = nullptr);

// Traces the drawing into the bytes of an SVG file in svg (replacing what it
// held). False, with svg empty, when memory runs out.
bool EncodeSvg(DibHandle drawing, int thickness, const OutputColours& colours, std::vector<uint8_t>& svg);

// The same for a drawing given as its line pixels and pixel density, for a
// drawing made a row at a time.
bool EncodeSvg(const LinePixels& lines, int32_t xPelsPerMeter, int32_t yPelsPerMeter, int thickness,
               const OutputColours& colours, std::vector<uint8_t>& svg);
