// Centre-line tracing: turns a line drawing into strokes that run through the
// middle of its lines, for vector output that a cutter or plotter follows
// once per line.
//
// Holes of one or two pixels in the drawing's lines are filled first, so
// that a band of line around such a hole is traced as one stroke through
// it, not as a small loop round it (on thin lines only where the band is a
// pixel wide, as a one-pixel stroke covers no more). The lines are then
// thinned to one pixel (sequential removal of simple border pixels from the
// four sides in turn, which keeps every line connected and every loop
// closed), the thinned pixels are followed from end to end (to a diagonal
// neighbour only where no pixel beside the diagonal is a line pixel: mixed
// adjacency, so that where lines cross or branch one pixel is the junction),
// and each chain of pixels is simplified (Douglas-Peucker) and fitted with
// straight lines and cubic Bezier curves (Schneider's least-squares
// fitting), every point of the chain within a tolerance of the result: half
// a pixel on thin lines, less than a pixel on thick ones. Sharp turns stay
// corners.
//
// Coordinates are in pixels from the top left corner; the centre of pixel
// (x, y) is (x + 0.5, y + 0.5). Thin lines (thickness 0) are traced through
// the centres of their pixels; thick ones (two pixels wide) through the
// middle of each pixel's neighbourhood, which lies between the two pixels,
// and where grain widens them to four or five pixels through the middle of
// their cross-section, closer than elsewhere.
//
// Only additions, multiplications, divisions and square roots of doubles are
// used, which IEEE arithmetic gives alike everywhere: the same drawing gives
// the same strokes on every platform.
#pragma once

#include "base/bit_plane.h"
#include "base/dib.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
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
// stroke without segments is a dot at start. Its width in pixels: 1 on thin
// lines, 2 on thick ones, up to 4 where a thick line is up to six across; an
// ink stroke's is the stroke's own.
struct TraceStroke {
    TracePoint start;
    std::vector<TraceSegment> segments;
    bool closed;
    int width;
};

// The line pixels of a drawing at one bit each, which is all the tracer
// reads of it: filled a row at a time (width pixels of 3 bytes in the working
// layout, a line pixel where the blue byte is not 255), so that a drawing
// made a row at a time need not be held whole.
class LinePixels {
public:
    bool Allocate(int32_t width, int32_t height);  // false when memory runs out
    void SetRow(int32_t y, const uint8_t* row);
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    const BitPlane& Plane() const { return plane_; }

private:
    BitPlane plane_;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

// Traces the drawing, in the working layout, whose line pixels are those
// with a blue byte other than 255, as the extraction gives them: thickness 0
// for one-pixel lines, any other for two-pixel lines. Calls stroke for each
// stroke, in an order that depends only on the pixels: ends and junctions
// from the top row down, then closed loops. Each line between two ends or
// junctions is one stroke, and from the end or junction a stroke reaches the
// next stroke goes on along a line not yet traced while there is one, so
// that the strokes of such a walk meet end to start. A group of line pixels
// that thins to a single pixel is a dot. Takes time linear in the picture;
// besides the drawing, which is only read, it keeps three bits per pixel
// (its line pixels, their thinned skeleton and what is traced), the steps
// traced between neighbouring ends or junctions, and the current stroke.
// False when that memory cannot be had (strokes already given stand).
bool TraceCentreLines(DibHandle drawing, int thickness, const std::function<void(const TraceStroke&)>& stroke);

// The same for a drawing given as its line pixels, which take the drawing's
// place in memory.
bool TraceCentreLines(const LinePixels& lines, int thickness, const std::function<void(const TraceStroke&)>& stroke);

// Traces a drawing of ink lines (ink_extraction.h), whose strokes are solid
// and as wide as they were drawn, thin or thick alike: one stroke through
// the middle of each, as wide as it is there to within a pixel, so that the
// strokes drawn with their widths cover the ink once. Holes of one or two
// pixels are filled whatever the band round them; the lines are thinned as
// above, as far as the widest ink needs, and the branches that thinning
// leaves towards the corners and bumps of a wide stroke are cut off. Each
// pixel's width comes from its chamfer distance to the background
// (chamfer_distance.h), which takes a byte per pixel more; where the width
// along a line changes by more than a pixel, the line is split into strokes
// that meet end to start, each of its own width. Order, walks, dots and
// memory otherwise as TraceCentreLines.
bool TraceInkLines(const LinePixels& lines, const std::function<void(const TraceStroke&)>& stroke);
bool TraceInkLines(DibHandle drawing, const std::function<void(const TraceStroke&)>& stroke);
