// Writing a line drawing as SVG 1.1 with one stroke per line, traced through
// the middle of the lines (centre_line_tracer.h).
//
// The document is `width` by `height` in millimetres when the picture has a
// pixel density in both directions, else in pixels, with a viewBox in pixels.
// The strokes are drawn in colours.lines, 1 pixel wide for thin lines
// (thickness 0) and 2 for thick ones, wider where a thick line is wider (a
// path of their own with its stroke-width), with round caps and joins. Ink
// lines (LineStyle::Ink) are traced as ink (TraceInkLines): each stroke as
// wide as its ink, a path of its own with its stroke-width where that is
// not the group's, 1 pixel on thin ink and 3 on thick, the narrowest each
// gives. Photo lines (LineStyle::Photo) are traced as ink too, the group's
// width being the width they are drawn with (PhotoRows::LineWidth). A
// stroke that starts where the one before ended, as wide, continues its path
// without a move, so a plotter lifts its pen only between the tracer's
// walks. The background is colours.background painted as a rectangle, or
// nothing when colours.transparent: callers pass transparent unless a
// background was chosen. Path data uses relative coordinates with at most two decimals,
// formatted by integer code, so the same drawing gives the same bytes on
// every platform.
#pragma once

#include "base/line_choices.h"
#include "base/output_colours.h"
#include "base/output_sink.h"
#include "kernels/centre_line_tracer.h"

#include <cstdint>

// Traces the drawing given as its line pixels and pixel density and writes
// it to sink, in pieces of at most a few tens of kilobytes. False, with
// errno set (ENOMEM when memory runs out), when it could not be written.
bool WriteSvg(const LinePixels& lines, int32_t xPelsPerMeter, int32_t yPelsPerMeter, int thickness,
              const OutputColours& colours, OutputSink& sink, LineStyle style = LineStyle::Edges);
