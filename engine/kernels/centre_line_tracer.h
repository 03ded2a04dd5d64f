// Centre-line tracing: turns a line drawing into strokes that run through the
// middle of its lines, for vector output that a cutter or plotter follows
// once per line.
//
// The drawing's lines are thinned to one pixel (sequential removal of
// simple border pixels from the four sides in turn, which keeps every line
// connected and every loop closed), the thinned pixels are followed from end
// to end, and each chain of pixels is simplified (Douglas-Peucker) and fitted
// with straight lines and cubic Bezier curves (Schneider's least-squares
// fitting), every pixel centre of the chain within half a pixel of the
// result. Sharp turns stay corners.
//
// Coordinates are in pixels from the top left corner; the centre of pixel
// (x, y) is (x + 0.5, y + 0.5). Thin lines (thickness 0) are traced through
// the centres of their pixels; thick ones (two pixels wide) through the
// middle of each pixel's neighbourhood, which lies between the two pixels.
//
// Only additions, multiplications, divisions and square roots of doubles are
// used, which IEEE arithmetic gives alike everywhere: the same drawing gives
// the same strokes on every platform.
#pragma once

#include "dib.h"

#include <functional>
#include <vector>

struct TracePoint {
    double x;
    double y;
};

// One piece of a stroke, from where the previous one ended (or the stroke's
// start) to end: a straight line, or a cubic Bezier curve with two control
// points.
struct TraceSegment {
    bool curve;
    TracePoint control1;
    TracePoint control2;
    TracePoint end;
};

// A stroke: a closed one returns to its start after its last segment. A
// stroke without segments is a dot at start.
struct TraceStroke {
    TracePoint start;
    std::vector<TraceSegment> segments;
    bool closed;
};

// Traces the drawing, in the working layout, whose line pixels are those
// with a blue byte other than 255, as the extraction gives them: thickness 0
// for one-pixel lines, any other for two-pixel lines. Calls stroke for each
// stroke, in an order that depends only on the pixels: ends and junctions
// from the top row down, then closed loops. Each line between two ends or
// junctions is one stroke; a group of line pixels that thins to a single
// pixel is a dot. Takes time linear in the picture; besides the drawing,
// which is only read, it keeps two bits per pixel and the current stroke.
// False when that memory cannot be had (strokes already given stand).
bool TraceCentreLines(DibHandle drawing, int thickness, const std::function<void(const TraceStroke&)>& stroke);
