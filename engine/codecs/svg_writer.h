// Writing a line drawing as SVG 1.1 with one stroke per line, traced through
// the middle of the lines (centre_line_tracer.h).
//
// The document is `width` by `height` in millimetres when the picture has a
// pixel density in both directions, else in pixels, with a viewBox in pixels.
// The strokes are drawn in colours.lines, 1 pixel wide for thin lines
// (thickness 0) and 2 for thick ones, wider where a thick line is wider (a
// path of their own with its stroke-width), with round caps and joins. A
// stroke that starts where the one before ended, as wide, continues its path
// without a move, so a plotter lifts its pen only between the tracer's
// walks. The background is colours.background painted as a rectangle, or
// nothing when colours.transparent: callers pass transparent unless a
// background was chosen. Path data uses relative coordinates with at most two decimals,
// formatted by integer code, so the same drawing gives the same bytes on
// every platform.
#pragma once

#include "centre_line_tracer.h"
#include "output_colours.h"
#include "output_sink.h"

#include <cstdint>

// Traces the drawing given as its line pixels and pixel density and writes
// it to sink, in pieces of at most a few tens of kilobytes. False, with
// errno set (ENOMEM when memory runs out), when it could not be written.
bool WriteSvg(const LinePixels& lines, int32_t xPelsPerMeter, int32_t yPelsPerMeter, int thickness,
              const OutputColours& colours, OutputSink& sink);
