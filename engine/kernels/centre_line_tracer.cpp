#include "kernels/centre_line_tracer.h"

#include "base/dib.h"
#include "kernels/chamfer_distance.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_set>

namespace {

// The eight neighbours, counter-clockwise from east: E NE N NW W SW S SE.
// A neighbourhood is a mask with bit d set when neighbour d is a line pixel.
constexpr int Dx[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int Dy[8] = {0, -1, -1, -1, 0, 1, 1, 1};
constexpr int East = 0, NorthEast = 1, North = 2, West = 4, South = 6, SouthEast = 7;

// Yokoi's connectivity number for eight-connected lines: how many separate
// groups of line pixels the neighbourhood would fall into without its centre.
constexpr int ConnectivityNumber(int mask) {
    auto background = [mask](int d) { return ((mask >> (d & 7)) & 1) ^ 1; };
    int number = 0;
    for (int d = 0; d < 8; d += 2) {
        number += background(d) - background(d) * background(d + 1) * background(d + 2);
    }
    return number;
}

// Whether a pixel with that neighbourhood may be thinned away: removing it
// changes no connection, and it has three neighbours or more. A pixel with
// two stays, even where they touch each other, so that the tips and sharp
// corners of two-pixel lines keep a pixel to be traced through.
constexpr std::array<bool, 256> MakeRemovable() {
    std::array<bool, 256> removable{};
    for (int mask = 0; mask < 256; ++mask) {
        removable[mask] = std::popcount(unsigned(mask)) >= 3 && ConnectivityNumber(mask) == 1;
    }
    return removable;
}
constexpr std::array<bool, 256> Removable = MakeRemovable();

// A pixel whose two neighbours touch each other: the line needs no step
// through it.
constexpr bool IsShortcut(int mask) { return std::popcount(unsigned(mask)) == 2 && ConnectivityNumber(mask) == 1; }

// The neighbours a line is followed to (mixed adjacency): a diagonal
// neighbour only where neither pixel beside that diagonal is a line pixel,
// for a line that turns through one of them already joins the two. Without
// this, the pixels where lines cross or branch would all be junctions of
// each other, joined by strokes one pixel long.
constexpr std::array<uint8_t, 256> MakeLinks() {
    std::array<uint8_t, 256> links{};
    for (int mask = 0; mask < 256; ++mask) {
        int kept = mask;
        for (int d = 1; d < 8; d += 2) {
            if ((mask >> (d - 1) & 1) || (mask >> ((d + 1) & 7) & 1)) kept &= ~(1 << d);
        }
        links[mask] = uint8_t(kept);
    }
    return links;
}
constexpr std::array<uint8_t, 256> Links = MakeLinks();

// Calls visit(x) for every set pixel of row y, left to right or right to
// left. visit may clear the pixel it is given.
template <class Visit>
void ForEachSet(const BitPlane& plane, int32_t y, bool rightToLeft, Visit visit) {
    const uint64_t* row = plane.Row(y);
    const int64_t words = plane.RowWords();
    for (int64_t j = 0; j < words; ++j) {
        const int64_t i = rightToLeft ? words - 1 - j : j;
        uint64_t word = row[i];
        while (word != 0) {
            const int bit = rightToLeft ? 63 - std::countl_zero(word) : std::countr_zero(word);
            word &= ~(uint64_t{1} << bit);
            visit(int32_t(64 * i + bit - 1));
        }
    }
}

// Removes the removable pixels whose neighbour on side `side` is background,
// walking away from that side so that a pixel uncovered by a removal waits for
// the next pass: one layer per pass. True when a pixel was removed.
bool ThinSide(BitPlane& plane, int32_t height, int side) {
    bool removed = false;
    for (int32_t i = 0; i < height; ++i) {
        const int32_t y = side == North ? height - 1 - i : i;
        ForEachSet(plane, y, side == West, [&](int32_t x) {
            const int mask = plane.Neighbours(x, y);
            if (((mask >> side) & 1) == 0 && Removable[mask]) {
                plane.Clear(x, y);
                removed = true;
            }
        });
    }
    return removed;
}

// The holes of one or two pixels: groups of background pixels joined side to
// side that have no more pixels. -1 when (x, y) is not in such a hole, 8 when
// it is the hole, else the direction of the hole's other pixel.
int SmallHole(const BitPlane& plane, int32_t x, int32_t y) {
    if (plane.Get(x, y)) return -1;
    int open = 8;
    for (int d = 0; d < 8; d += 2) {
        if (plane.Get(x + Dx[d], y + Dy[d])) continue;
        if (open != 8) return -1;
        open = d;
    }
    if (open == 8) return 8;
    const int32_t nx = x + Dx[open], ny = y + Dy[open];
    for (int d = 0; d < 8; d += 2) {
        if (d != ((open + 4) & 7) && !plane.Get(nx + Dx[d], ny + Dy[d])) return -1;
    }
    return open;
}

// Whether the pixels from (x0, y0) to (x1, y1), a row or a column, are all
// background, those outside the picture included.
bool AllBackground(const BitPlane& plane, int32_t width, int32_t height, int32_t x0, int32_t y0, int32_t x1,
                   int32_t y1) {
    for (int32_t y = std::max(y0, 0); y <= std::min(y1, height - 1); ++y) {
        for (int32_t x = std::max(x0, 0); x <= std::min(x1, width - 1); ++x) {
            if (plane.Get(x, y)) return false;
        }
    }
    return true;
}

// Whether the band of line round the hole from (x0, y0) to (x1, y1) is one
// pixel wide across a line that runs along the hole's length: filled, that
// line is three pixels across, as much as a stroke one pixel wide comes
// within a pixel of.
bool InNarrowBand(const BitPlane& plane, int32_t width, int32_t height, int32_t x0, int32_t y0, int32_t x1,
                  int32_t y1) {
    if (y0 == y1 && AllBackground(plane, width, height, x0 - 1, y0 - 2, x1 + 1, y0 - 2) &&
        AllBackground(plane, width, height, x0 - 1, y1 + 2, x1 + 1, y1 + 2)) {
        return true;
    }
    return x0 == x1 && AllBackground(plane, width, height, x0 - 2, y0 - 1, x0 - 2, y1 + 1) &&
           AllBackground(plane, width, height, x1 + 2, y0 - 1, x1 + 2, y1 + 1);
}

// Fills the holes of one or two pixels, so that the band of line around
// such a hole thins to one line through it and not to a loop round it; with
// narrowOnly, only those in a narrow band. Only pixels with line pixels on
// two opposite sides are looked at.
void FillSmallHoles(BitPlane& plane, int32_t width, int32_t height, bool narrowOnly) {
    const int64_t words = plane.RowWords();
    for (int32_t y = 0; y < height; ++y) {
        const uint64_t* above = plane.Row(y - 1);
        const uint64_t* below = plane.Row(y + 1);
        uint64_t* row = plane.Row(y);
        for (int64_t i = 0; i < words; ++i) {
            const uint64_t left = row[i] << 1 | (i > 0 ? row[i - 1] >> 63 : 0);
            const uint64_t right = row[i] >> 1 | (i + 1 < words ? row[i + 1] << 63 : 0);
            uint64_t candidates = ~row[i] & ((above[i] & below[i]) | (left & right));
            while (candidates != 0) {
                const int bit = std::countr_zero(candidates);
                candidates &= candidates - 1;
                const int32_t x = int32_t(64 * i + bit - 1);
                const int other = SmallHole(plane, x, y);
                if (other < 0) continue;
                const int32_t ox = other == 8 ? x : x + Dx[other], oy = other == 8 ? y : y + Dy[other];
                const int32_t x0 = std::min(x, ox), x1 = std::max(x, ox), y0 = std::min(y, oy), y1 = std::max(y, oy);
                if (narrowOnly && !InNarrowBand(plane, width, height, x0, y0, x1, y1)) continue;
                plane.Set(x, y);
                plane.Set(ox, oy);
            }
        }
    }
}

// Whether the 24 bytes from bytes, eight pixels, are all 255.
bool AllWhite(const uint8_t* bytes) {
    uint64_t words[3];
    std::memcpy(words, bytes, sizeof words);
    return (words[0] & words[1] & words[2]) == ~uint64_t{0};
}

// Lines of the drawing are at most two pixels wide, which one round of four
// sides thins; wider blots get a few more, and what is left of them then is
// traced as it is, so that time stays linear.
constexpr int MaxThinningRounds = 4;
// Ink strokes are as wide as they are drawn, up to the bands about 32 pixels
// wide round dark areas, grown by a pixel on either side on thick lines:
// each round thins two layers across a stroke.
constexpr int MaxInkThinningRounds = 24;

TracePoint operator-(TracePoint a, TracePoint b) { return {a.x - b.x, a.y - b.y}; }
TracePoint operator+(TracePoint a, TracePoint b) { return {a.x + b.x, a.y + b.y}; }
TracePoint operator*(double s, TracePoint a) { return {s * a.x, s * a.y}; }
double Dot(TracePoint a, TracePoint b) { return a.x * b.x + a.y * b.y; }
double Length(TracePoint a) { return std::sqrt(Dot(a, a)); }

// Greatest distance along an axis: at most 1 when b lies within half a pixel
// of the pixel around a.
double ChebyshevDistance(TracePoint a, TracePoint b) { return std::max(std::fabs(a.x - b.x), std::fabs(a.y - b.y)); }

TracePoint Unit(TracePoint a) {
    const double length = Length(a);
    return length > 0 ? (1 / length) * a : TracePoint{1, 0};
}

// How far p lies from the segment from a to b along an axis, at most half
// when the segment passes through p's pixel, at most 1 when it passes through
// the four pixels around p's pixel.
double Deviation(TracePoint p, TracePoint a, TracePoint b) {
    const TracePoint ab = b - a;
    const double lengthSquared = Dot(ab, ab);
    const double t = lengthSquared > 0 ? Dot(p - a, ab) / lengthSquared : 0;
    if (t <= 0 || t >= 1) return ChebyshevDistance(p, t <= 0 ? a : b);
    // A square of half side h reaches h (|ab.x| + |ab.y|) / |ab| across the
    // line.
    const double across = std::fabs((p.x - a.x) * ab.y - (p.y - a.y) * ab.x);
    return across / (std::fabs(ab.x) + std::fabs(ab.y));
}

struct Bezier {
    TracePoint p[4];

    TracePoint At(double t) const {
        const double s = 1 - t;
        return (s * s * s) * p[0] + (3 * s * s * t) * p[1] + (3 * s * t * t) * p[2] + (t * t * t) * p[3];
    }
    TracePoint Derivative(double t) const {
        const double s = 1 - t;
        return (3 * s * s) * (p[1] - p[0]) + (6 * s * t) * (p[2] - p[1]) + (3 * t * t) * (p[3] - p[2]);
    }
    TracePoint SecondDerivative(double t) const {
        return (6 * (1 - t)) * (p[2] - 2 * p[1] + p[0]) + (6 * t) * (p[3] - 2 * p[2] + p[1]);
    }
};

// How far the stroke may pass from a point of its chain along an axis: thin
// strokes pass through every pixel of their chain; thick ones, whose points
// lie between two pixels, within three quarters of a pixel where their line
// is up to three pixels across. A whole pixel, the line's half width, let
// long strokes drift to one side of their line, away from the pixels that
// stand out on its other side (measured on photos: 99.5 % of line pixels
// near a stroke instead of 99.8 %). Where the line is four to six pixels
// across, a stroke two pixels narrower comes within a pixel of its edge
// pixels only within less than half a pixel of the middle.
constexpr double ThinTolerance = 0.5;
constexpr double ThickTolerance = 0.75;
constexpr double WideTolerance = 0.4;
// A thick line's cross-section at a pixel of a chain is taken straight
// across the chain between the pixels CrossReach before and after it, up to
// MaxHalfAcross - 1 pixels to either side, and counts where it is at most
// MaxAcross pixels.
constexpr size_t CrossReach = 2;
constexpr int MaxHalfAcross = 4;
constexpr int MaxAcross = 6;
// Fewer wide pixels in a row are traced two pixels wide.
constexpr size_t MinWideRun = 2;
// An ink stroke passes within half a pixel of its chain's pixels (moved to
// the middle of strokes an even number of pixels wide), so that a stroke a
// pixel wide stays on its pixels. A change of its width by more than a
// pixel starts a stroke of the new width unless fewer than MinInkRun pixels
// have it (InkRuns).
constexpr double InkTolerance = 0.5;
constexpr size_t MinInkRun = 4;

// The direction, of the eight, that crosses a chain running (dx, dy).
int AcrossStep(int32_t dx, int32_t dy) {
    if (std::abs(dx) >= 2 * std::abs(dy)) return South;
    if (std::abs(dy) >= 2 * std::abs(dx)) return East;
    return (dx > 0) == (dy > 0) ? NorthEast : SouthEast;
}

// A turn sharper than 60 degrees between the pixels three before and three
// after a vertex keeps the vertex a corner.
constexpr double CornerCosine = 0.5;
constexpr int CornerReach = 3;
// Simplification and fitting work on pieces of at most this many points, so
// that their time per point is bounded.
constexpr size_t MaxPiece = 1024;
// A curve is written with three points, a line with one, and the curve's
// numbers have more digits: a run is written as curves only when it needs
// fewer than a quarter as many curves as lines.
constexpr size_t CurveCost = 4;

// Fits chains of points with lines and curves into a stroke.
class Fitter {
public:
    // The count points of the chain, each with how far the stroke may pass
    // from it.
    void Fit(const TracePoint* chain, const double* tolerances, size_t count, bool closed, TraceStroke& stroke) {
        points_.assign(chain, chain + count);
        tolerances_.assign(tolerances, tolerances + count);
        stroke.start = chain[0];
        stroke.segments.clear();
        stroke.closed = closed && count >= 3;
        if (stroke.closed) {
            points_.push_back(chain[0]);
            tolerances_.push_back(tolerances[0]);
        }
        segments_ = &stroke.segments;
        const size_t last = points_.size() - 1;
        for (size_t first = 0; first < last;) {
            const size_t end = std::min(first + MaxPiece - 1, last);
            FitPiece(first, end);
            first = end;
        }
    }

private:
    void FitPiece(size_t first, size_t last) {
        vertices_.clear();
        vertices_.push_back(first);
        Simplify(first, last);
        vertices_.push_back(last);
        size_t runStart = 0;
        for (size_t v = 1; v + 1 < vertices_.size(); ++v) {
            if (IsCorner(vertices_[v], first, last)) {
                FitRun(runStart, v);
                runStart = v;
            }
        }
        FitRun(runStart, vertices_.size() - 1);
    }

    // Douglas-Peucker: appends, in order, the points between first and last
    // that the polyline through them needs.
    void Simplify(size_t first, size_t last) {
        double farthest = 0;
        size_t split = first;
        for (size_t i = first + 1; i < last; ++i) {
            const double excess = Deviation(points_[i], points_[first], points_[last]) / tolerances_[i];
            if (excess > farthest) {
                farthest = excess;
                split = i;
            }
        }
        if (farthest <= 1) return;
        Simplify(first, split);
        vertices_.push_back(split);
        Simplify(split, last);
    }

    bool IsCorner(size_t v, size_t first, size_t last) const {
        const TracePoint in = points_[v] - points_[v - std::min<size_t>(CornerReach, v - first)];
        const TracePoint out = points_[v + std::min<size_t>(CornerReach, last - v)] - points_[v];
        const double lengths = Length(in) * Length(out);
        return lengths > 0 && Dot(in, out) < CornerCosine * lengths;
    }

    // The points from vertex a to vertex b, as the polyline through the
    // vertices or as curves, whichever is shorter to write.
    void FitRun(size_t a, size_t b) {
        const size_t first = vertices_[a], last = vertices_[b];
        const size_t lines = b - a;
        if (lines >= CurveCost && last - first >= 4) {
            curves_.clear();
            const TracePoint startTangent = Unit(points_[std::min(first + 2, last)] - points_[first]);
            const TracePoint endTangent = Unit(points_[std::max(last - 2, first)] - points_[last]);
            FitCubic(first, last, startTangent, endTangent);
            size_t cost = 0;
            for (const TraceSegment& segment : curves_) cost += segment.curve ? CurveCost : 1;
            if (cost < lines) {
                segments_->insert(segments_->end(), curves_.begin(), curves_.end());
                return;
            }
        }
        for (size_t v = a + 1; v <= b; ++v) segments_->push_back({false, {}, {}, points_[vertices_[v]]});
    }

    // Schneider's fitting of one cubic from first to last leaving and
    // entering along the given unit tangents, split at the worst point until
    // every point is within tolerance.
    void FitCubic(size_t first, size_t last, TracePoint startTangent, TracePoint endTangent) {
        if (last - first == 1) {
            curves_.push_back({false, {}, {}, points_[last]});
            return;
        }
        ChordLengthParameters(first, last);
        Bezier curve = LeastSquaresCurve(first, last, startTangent, endTangent);
        size_t split = first;
        double error = MaxError(curve, first, last, split);
        for (int i = 0; i < 4 && error > 1 && error < 2; ++i) {
            Reparameterize(curve, first, last);
            curve = LeastSquaresCurve(first, last, startTangent, endTangent);
            error = MaxError(curve, first, last, split);
        }
        if (error <= 1) {
            curves_.push_back({true, curve.p[1], curve.p[2], curve.p[3]});
            return;
        }
        const TracePoint centre = Unit(points_[split - std::min<size_t>(2, split - first)] -
                                       points_[split + std::min<size_t>(2, last - split)]);
        FitCubic(first, split, startTangent, centre);
        FitCubic(split, last, -1 * centre, endTangent);
    }

    void ChordLengthParameters(size_t first, size_t last) {
        parameters_.resize(last - first + 1);
        parameters_[0] = 0;
        for (size_t i = first + 1; i <= last; ++i) {
            parameters_[i - first] = parameters_[i - first - 1] + Length(points_[i] - points_[i - 1]);
        }
        const double total = parameters_.back();
        for (double& u : parameters_) u = total > 0 ? u / total : 0;
    }

    // The curve from points first to last with the given end tangents whose
    // points at the parameters are nearest the chain's, in least squares.
    Bezier LeastSquaresCurve(size_t first, size_t last, TracePoint startTangent, TracePoint endTangent) const {
        const TracePoint p0 = points_[first], p3 = points_[last];
        double c00 = 0, c01 = 0, c11 = 0, x0 = 0, x1 = 0;
        for (size_t i = first; i <= last; ++i) {
            const double t = parameters_[i - first], s = 1 - t;
            const double b0 = s * s * s, b1 = 3 * s * s * t, b2 = 3 * s * t * t, b3 = t * t * t;
            const TracePoint a0 = b1 * startTangent, a1 = b2 * endTangent;
            c00 += Dot(a0, a0);
            c01 += Dot(a0, a1);
            c11 += Dot(a1, a1);
            const TracePoint rest = points_[i] - ((b0 + b1) * p0 + (b2 + b3) * p3);
            x0 += Dot(a0, rest);
            x1 += Dot(a1, rest);
        }
        const double determinant = c00 * c11 - c01 * c01;
        double alpha0 = determinant != 0 ? (x0 * c11 - x1 * c01) / determinant : 0;
        double alpha1 = determinant != 0 ? (c00 * x1 - c01 * x0) / determinant : 0;
        // A negative or tiny length would loop the curve: fall back on a
        // third of the chord, as Schneider does.
        const double chord = Length(p3 - p0);
        if (alpha0 < 1e-6 * chord || alpha1 < 1e-6 * chord) alpha0 = alpha1 = chord / 3;
        return {{p0, p0 + alpha0 * startTangent, p3 + alpha1 * endTangent, p3}};
    }

    // Largest deviation of a point from its place on the curve, as a
    // multiple of the point's tolerance, and where it is.
    double MaxError(const Bezier& curve, size_t first, size_t last, size_t& worst) const {
        double largest = 0;
        worst = (first + last) / 2;
        for (size_t i = first + 1; i < last; ++i) {
            const double error = ChebyshevDistance(curve.At(parameters_[i - first]), points_[i]) / tolerances_[i];
            if (error > largest) {
                largest = error;
                worst = i;
            }
        }
        return largest;
    }

    // One Newton-Raphson step per point towards the parameter of the
    // curve's nearest point.
    void Reparameterize(const Bezier& curve, size_t first, size_t last) {
        for (size_t i = first + 1; i < last; ++i) {
            double& u = parameters_[i - first];
            const TracePoint off = curve.At(u) - points_[i];
            const TracePoint d1 = curve.Derivative(u);
            const double denominator = Dot(d1, d1) + Dot(off, curve.SecondDerivative(u));
            if (denominator != 0) u = std::clamp(u - Dot(off, d1) / denominator, 0.0, 1.0);
        }
    }

    std::vector<TracePoint> points_;
    std::vector<double> tolerances_;
    std::vector<size_t> vertices_;
    std::vector<double> parameters_;
    std::vector<TraceSegment> curves_;
    std::vector<TraceSegment>* segments_ = nullptr;
};

// A pixel of a chain.
struct Pixel {
    int32_t x;
    int32_t y;
};

class Tracer {
public:
    Tracer(const LinePixels& lines, int thickness, bool ink, const std::function<void(const TraceStroke&)>& stroke)
        : lines_(lines),
          thick_(thickness != 0),
          ink_(ink),
          width_(lines.Width()),
          height_(lines.Height()),
          stroke_(stroke) {}

    bool Run() {
        if (!skeleton_.CopyOf(lines_.Plane()) || !visited_.Allocate(width_, height_)) return false;
        FillSmallHoles(skeleton_, width_, height_, !thick_ && !ink_);
        if (ink_) ChamferDistances(skeleton_, width_, height_, distances_);
        for (int round = 0; round < (ink_ ? MaxInkThinningRounds : MaxThinningRounds); ++round) {
            bool removed = false;
            for (int side : {North, South, West, East}) removed |= ThinSide(skeleton_, height_, side);
            if (!removed) break;
        }
        // Shortcuts and spurs of one pixel on the side of a line, left by its
        // bumps, lie within a pixel of what stays. Shortcuts go first: the
        // pixel a spur leaves would be taken for one, and at the tip of a
        // line that would shorten it by two pixels.
        for (int32_t y = 0; y < height_; ++y) {
            ForEachSet(skeleton_, y, false, [&](int32_t x) {
                if (IsShortcut(skeleton_.Neighbours(x, y))) skeleton_.Clear(x, y);
            });
        }
        for (int32_t y = 0; y < height_; ++y) {
            ForEachSet(skeleton_, y, false, [&](int32_t x) {
                if (IsSpur(x, y, skeleton_.Neighbours(x, y))) skeleton_.Clear(x, y);
            });
        }
        if (ink_) {
            PruneInkSpurs();
            TrimInkTips();
        }
        for (int32_t y = 0; y < height_; ++y) {
            ForEachSet(skeleton_, y, false, [&](int32_t x) { TraceFromNode(x, y); });
        }
        for (int32_t y = 0; y < height_; ++y) {
            ForEachSet(skeleton_, y, false, [&](int32_t x) {
                if (!visited_.Get(x, y)) TraceLoop(x, y);
            });
        }
        return true;
    }

private:
    bool IsSpur(int32_t x, int32_t y, int mask) const {
        if (std::popcount(unsigned(mask)) != 1) return false;
        const int d = std::countr_zero(unsigned(mask));
        return std::popcount(unsigned(skeleton_.Neighbours(x + Dx[d], y + Dy[d]))) >= 3;
    }

    // The neighbours that a line through (x, y) is followed to, and their count.
    int LinkMask(int32_t x, int32_t y) const { return Links[size_t(skeleton_.Neighbours(x, y))]; }
    int Degree(int32_t x, int32_t y) const { return std::popcount(unsigned(LinkMask(x, y))); }

    // Every line not yet traced that starts at an end or junction (x, y),
    // each followed on through the end or junction it reaches by a line of
    // that one not yet traced, for as long as there is one: the strokes of
    // such a walk meet end to start, which the SVG writes as one path.
    void TraceFromNode(int32_t x, int32_t y) {
        const int mask = LinkMask(x, y);
        const int degree = std::popcount(unsigned(mask));
        if (degree == 2) return;
        visited_.Set(x, y);
        if (degree == 0) {
            chain_.assign(1, {x, y});
            Emit(false);
            return;
        }
        for (int d = 0; d < 8; ++d) {
            if (((mask >> d) & 1) == 0) continue;
            for (int32_t atX = x, atY = y, towards = d; towards >= 0 && TraceLine(atX, atY, towards);) {
                towards = UntracedLine(atX, atY);
            }
        }
    }

    // Traces the line that leaves the end or junction (x, y) towards
    // neighbour d, unless it was traced. True when it reached an end or
    // junction, which (x, y) becomes.
    bool TraceLine(int32_t& x, int32_t& y, int d) {
        const int32_t nx = x + Dx[d], ny = y + Dy[d];
        chain_.assign(1, {x, y});
        if (Degree(nx, ny) != 2) {
            if (!tracedLinks_.insert(LinkKey(x, y, d)).second) return false;
            // Ink strokes that cross slanted meet in a square of four
            // junctions, which their ends share (PlaceInk): its sides are
            // no strokes.
            TracePoint corner;
            if (ink_ && (d & 1) == 0 && InSquare(x, y, corner) && InSquare(nx, ny, corner)) return false;
            chain_.push_back({nx, ny});
            Emit(false);
            x = nx;
            y = ny;
            return true;
        }
        if (visited_.Get(nx, ny)) return false;
        int32_t endX = nx, endY = ny;
        const bool reached = Follow(x, y, endX, endY);
        Emit(false);
        x = endX;
        y = endY;
        return reached;
    }

    // The first neighbour of the end or junction (x, y) whose line is not yet
    // traced, or -1.
    int UntracedLine(int32_t x, int32_t y) const {
        const int mask = LinkMask(x, y);
        for (int d = 0; d < 8; ++d) {
            if (((mask >> d) & 1) == 0) continue;
            const int32_t nx = x + Dx[d], ny = y + Dy[d];
            if (Degree(nx, ny) != 2 ? !tracedLinks_.contains(LinkKey(x, y, d)) : !visited_.Get(nx, ny)) return d;
        }
        return -1;
    }

    // Names the step between two neighbouring ends or junctions the same
    // from either one: by the earlier of the two and the direction from it.
    uint64_t LinkKey(int32_t x, int32_t y, int d) const {
        const int32_t nx = x + Dx[d], ny = y + Dy[d];
        if (ny < y || (ny == y && nx < x)) return LinkKey(nx, ny, (d + 4) & 7);
        return (uint64_t(y) * uint64_t(width_) + uint64_t(x)) * 8 + uint64_t(d);
    }

    // A ring of pixels with two neighbours each, from (x, y) round to it.
    void TraceLoop(int32_t x, int32_t y) {
        visited_.Set(x, y);
        const int d = std::countr_zero(unsigned(LinkMask(x, y)));
        chain_.assign(1, {x, y});
        int32_t nx = x + Dx[d], ny = y + Dy[d];
        Follow(x, y, nx, ny);
        Emit(true);
    }

    // Appends the pixels from (x, y), reached from (fromX, fromY), on to the
    // next end or junction (included), which (x, y) becomes and then true,
    // or back to a pixel already visited (not included).
    bool Follow(int32_t fromX, int32_t fromY, int32_t& x, int32_t& y) {
        for (;;) {
            if (Degree(x, y) != 2) {
                chain_.push_back({x, y});
                return true;
            }
            if (visited_.Get(x, y)) return false;
            visited_.Set(x, y);
            chain_.push_back({x, y});
            const int mask = LinkMask(x, y);
            int d = std::countr_zero(unsigned(mask));
            if (x + Dx[d] == fromX && y + Dy[d] == fromY) d = std::countr_zero(unsigned(mask & (mask - 1)));
            fromX = x;
            fromY = y;
            x += Dx[d];
            y += Dy[d];
        }
    }

    // Where the stroke passes the pixels of the chain, how far it may pass
    // from each and how wide it is there. Where the width changes the chain
    // is split into strokes that meet end to start, each as wide as the
    // pixels from its start.
    void Emit(bool closed) {
        const size_t count = chain_.size();
        points_.resize(count);
        tolerances_.resize(count);
        widths_.resize(count);
        if (ink_) {
            for (size_t i = 0; i < count; ++i) PlaceInk(i);
            InkRuns();
        } else {
            for (size_t i = 0; i < count; ++i) Place(i, closed);
            WidenRuns();
        }
        size_t runs = 1;
        for (size_t i = 1; i < count; ++i) runs += widths_[i] != widths_[i - 1];
        if (runs == 1) {
            EmitPiece(0, count, closed);
            return;
        }
        if (closed) {
            points_.push_back(points_[0]);
            tolerances_.push_back(tolerances_[0]);
            widths_.push_back(widths_[0]);
        }
        const size_t last = points_.size() - 1;
        for (size_t first = 0; first < last;) {
            size_t end = first + 1;
            while (end < last && widths_[end] == widths_[first]) ++end;
            EmitPiece(first, std::min(end, last) - first + 1, false);
            first = end;
        }
    }

    // A run of wide pixels is as wide as its widest, so that it is one
    // stroke; a single one, mostly where a line's cross-section runs into a
    // line that joins it, is two pixels wide, which is no new stroke and
    // misses less than it saves.
    void WidenRuns() {
        for (size_t first = 0; first < widths_.size();) {
            if (widths_[first] <= 2) {
                ++first;
                continue;
            }
            size_t end = first;
            int widest = 2;
            while (end < widths_.size() && widths_[end] > 2) widest = std::max(widest, widths_[end++]);
            if (end - first < MinWideRun) widest = 2;
            std::fill(widths_.begin() + std::ptrdiff_t(first), widths_.begin() + std::ptrdiff_t(end), widest);
            first = end;
        }
    }

    void EmitPiece(size_t first, size_t count, bool closed) {
        fitter_.Fit(points_.data() + first, tolerances_.data() + first, count, closed, current_);
        current_.width = widths_[first];
        stroke_(current_);
    }

    // Thin lines are traced through the centres of their pixels, one pixel
    // wide, thick ones two pixels wide through the mean of the line pixels
    // around each pixel, which lies in the middle of a line up to three
    // pixels across. Inside a chain, where the line is four to six pixels
    // across (grain joined to it, or a band round filled holes), that mean
    // lies up to a pixel off the middle: there the stroke passes through the
    // middle of the line's cross-section, the line pixels on either side
    // straight across the chain, two pixels narrower than the line. The ends
    // of a chain, which other strokes share, take the mean.
    void Place(size_t i, bool closed) {
        const auto [x, y] = chain_[i];
        if (!thick_) {
            points_[i] = {x + 0.5, y + 0.5};
            tolerances_[i] = ThinTolerance;
            widths_[i] = 1;
            return;
        }
        const size_t last = chain_.size() - 1;
        if (chain_.size() >= 3 && (closed || (i > 0 && i < last))) {
            const size_t before = closed ? (i + chain_.size() - CrossReach) % chain_.size() : i - std::min(i, CrossReach);
            const size_t after = closed ? (i + CrossReach) % chain_.size() : std::min(i + CrossReach, last);
            const int step = AcrossStep(chain_[after].x - chain_[before].x, chain_[after].y - chain_[before].y);
            const int back = LineRun(x, y, (step + 4) & 7), ahead = LineRun(x, y, step);
            const int across = back + 1 + ahead;
            if (across >= 4 && across <= MaxAcross && back < MaxHalfAcross && ahead < MaxHalfAcross) {
                const double shift = (ahead - back) / 2.0;
                points_[i] = {x + 0.5 + shift * Dx[step], y + 0.5 + shift * Dy[step]};
                tolerances_[i] = WideTolerance;
                widths_[i] = std::max(2, across - 2);
                return;
            }
        }
        int count = 0, sumX = 0, sumY = 0;
        for (int32_t dy = -1; dy <= 1; ++dy) {
            for (int32_t dx = -1; dx <= 1; ++dx) {
                if (!Filled(x + dx, y + dy)) continue;
                ++count;
                sumX += dx;
                sumY += dy;
            }
        }
        points_[i] = {x + 0.5 + double(sumX) / count, y + 0.5 + double(sumY) / count};
        tolerances_[i] = ThickTolerance;
        widths_[i] = 2;
    }

    int Distance(int32_t x, int32_t y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
        return distances_[size_t(y) * size_t(width_) + size_t(x)];
    }

    // Thinning a wide stroke leaves branches from its middle towards the
    // corners of its ends and the bumps of its border. A branch from an end
    // to a junction goes when it is no longer than one and a half times the
    // stroke's half width at the junction: a corner of a square end lies
    // 1.41 half widths from the middle. Every such branch is found on the
    // skeleton as thinned before any goes, so that the second branch to a
    // corner of an end is not taken for the stroke itself once the first
    // has gone.
    void PruneInkSpurs() {
        pruned_.clear();
        for (int32_t y = 0; y < height_; ++y) {
            ForEachSet(skeleton_, y, false, [&](int32_t x) {
                if (Degree(x, y) == 1 && IsInkSpur(x, y)) pruned_.insert(pruned_.end(), branch_.begin(), branch_.end());
            });
        }
        for (const Pixel& pixel : pruned_) skeleton_.Clear(pixel.x, pixel.y);
    }

    // Whether the branch from the end (x, y) reaches a junction within the
    // length that makes it a spur, with its pixels (the junction's not
    // included) in branch_.
    bool IsInkSpur(int32_t x, int32_t y) {
        branch_.assign(1, {x, y});
        int32_t fromX = x, fromY = y;
        int d = std::countr_zero(unsigned(LinkMask(x, y)));
        // Chamfer units, as the distances; no spur is longer than the widest
        // distance allows.
        constexpr int MaxSpur = 255 * 3 / 2;
        for (int length = 0;;) {
            length += (d & 1) ? ChamferDiagonal : ChamferSide;
            x += Dx[d];
            y += Dy[d];
            if (length > MaxSpur) return false;
            const int mask = LinkMask(x, y), degree = std::popcount(unsigned(mask));
            if (degree != 2) return degree >= 3 && 2 * length <= 3 * Distance(x, y);
            branch_.push_back({x, y});
            d = std::countr_zero(unsigned(mask));
            if (x + Dx[d] == fromX && y + Dy[d] == fromY) d = std::countr_zero(unsigned(mask & (mask - 1)));
            fromX = x;
            fromY = y;
        }
    }

    // Thinning a wide stroke's round tip leaves its last pixels bending
    // towards the border. From each end, pixels go while the next pixel's
    // circle of ink holds theirs: no farther from the border by less than
    // the step between them (less 2 for the chamfer's rounding), which a
    // stroke narrowing towards its tip at less than 45 degrees is not. A
    // line short enough, as a disc thins to, goes down to its widest pixel.
    void TrimInkTips() {
        for (int32_t y = 0; y < height_; ++y) {
            ForEachSet(skeleton_, y, false, [&](int32_t x) {
                // A pixel of this row that an earlier walk took is still
                // visited: it starts none.
                for (int32_t atX = x, atY = y; skeleton_.Get(atX, atY);) {
                    const int mask = LinkMask(atX, atY);
                    if (std::popcount(unsigned(mask)) != 1) return;
                    const int d = std::countr_zero(unsigned(mask));
                    const int32_t nx = atX + Dx[d], ny = atY + Dy[d];
                    const int step = (d & 1) ? ChamferDiagonal : ChamferSide;
                    if (Degree(nx, ny) > 2 || Distance(nx, ny) - Distance(atX, atY) < step - 2) return;
                    skeleton_.Clear(atX, atY);
                    atX = nx;
                    atY = ny;
                }
            });
        }
    }

    // Whether (x, y) is a corner of a square of four skeleton pixels, and
    // the point in the middle of the first such square.
    bool InSquare(int32_t x, int32_t y, TracePoint& corner) const {
        for (int32_t top = y - 1; top <= y; ++top) {
            for (int32_t left = x - 1; left <= x; ++left) {
                if (skeleton_.Get(left, top) && skeleton_.Get(left + 1, top) && skeleton_.Get(left, top + 1) &&
                    skeleton_.Get(left + 1, top + 1)) {
                    corner = {left + 1.0, top + 1.0};
                    return true;
                }
            }
        }
        return false;
    }

    // An ink stroke passes through the pixels of its chain, and is as wide
    // there as the stroke's cross-section: a pixel at chamfer distance D
    // from the background lies D / 5 - 1/2 pixels from the stroke's border.
    // Where neighbours off the chain lie as far from the border, the stroke
    // is an even number of pixels wide, its middle half a pixel towards
    // them, and one pixel wider than the pixel's own distance says. Widths
    // here are in tenths of a pixel.
    void PlaceInk(size_t i) {
        const auto [x, y] = chain_[i];
        const int distance = Distance(x, y);
        int twins = 0, sumX = 0, sumY = 0;
        for (int d = 0; d < 8; ++d) {
            const int32_t nx = x + Dx[d], ny = y + Dy[d];
            if (skeleton_.Get(nx, ny) || Distance(nx, ny) < distance) continue;
            ++twins;
            sumX += Dx[d];
            sumY += Dy[d];
        }
        const double shift = twins > 0 ? 0.5 / twins : 0;
        points_[i] = {x + 0.5 + shift * sumX, y + 0.5 + shift * sumY};
        if (i == 0 || i + 1 == chain_.size()) InSquare(x, y, points_[i]);
        tolerances_[i] = InkTolerance;
        widths_[i] = std::max(10, (20 * distance) / ChamferSide - 10 + (twins > 0 ? 10 : 0));
    }

    // Turns the widths measured at the chain's pixels into whole pixels, the
    // same along runs: a run goes on while its pixels, rounded to whole
    // pixels, are within a pixel of its first. Two neighbouring runs then
    // become one while their widths are within a pixel of each other, or
    // either is shorter than MinInkRun or than one and a half times the
    // wider's width: a change of width over a shorter stretch is none to the
    // eye, and thinning bends the last pixels of a wide stroke's tip towards
    // its border, where they measure narrower. Each run is as wide as its
    // pixels' mean.
    void InkRuns() {
        const size_t count = widths_.size();
        const auto whole = [this](size_t i) { return (widths_[i] + 5) / 10; };
        runs_.clear();
        for (size_t first = 0; first < count;) {
            size_t end = first + 1;
            int sum = widths_[first];
            while (end < count && std::abs(whole(end) - whole(first)) <= 1) sum += widths_[end++];
            runs_.push_back({first, end, sum});
            while (runs_.size() >= 2 && Joined(runs_[runs_.size() - 2], runs_.back())) {
                runs_[runs_.size() - 2].end = runs_.back().end;
                runs_[runs_.size() - 2].sum += runs_.back().sum;
                runs_.pop_back();
            }
            first = end;
        }
        for (const WidthRun& run : runs_) {
            std::fill(widths_.begin() + std::ptrdiff_t(run.first), widths_.begin() + std::ptrdiff_t(run.end), run.Width());
        }
    }

    // Pixels first to end (excluded) of a chain, with the sum of their widths
    // in tenths of a pixel.
    struct WidthRun {
        size_t first;
        size_t end;
        int sum;
        int Width() const {
            const int n = int(end - first);
            return std::max(1, (sum + 5 * n) / (10 * n));
        }
    };

    static bool Joined(const WidthRun& a, const WidthRun& b) {
        const int wa = a.Width(), wb = b.Width();
        const size_t shortest = std::max(MinInkRun, size_t(3 * std::max(wa, wb) / 2));
        return std::abs(wa - wb) <= 1 || a.end - a.first < shortest || b.end - b.first < shortest;
    }

    // How many line pixels follow (x, y) in direction d, up to MaxHalfAcross.
    int LineRun(int32_t x, int32_t y, int d) const {
        int run = 0;
        while (run < MaxHalfAcross && Filled(x + (run + 1) * Dx[d], y + (run + 1) * Dy[d])) ++run;
        return run;
    }

    // A line pixel of the drawing, or a pixel of a small hole, as the
    // skeleton of a thick drawing was made from.
    bool Filled(int32_t x, int32_t y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
        return lines_.Plane().Get(x, y) || SmallHole(lines_.Plane(), x, y) >= 0;
    }

    const LinePixels& lines_;
    bool thick_;
    bool ink_;
    int32_t width_;
    int32_t height_;
    const std::function<void(const TraceStroke&)>& stroke_;
    BitPlane skeleton_;
    BitPlane visited_;
    std::unordered_set<uint64_t> tracedLinks_;
    std::vector<Pixel> chain_;
    std::vector<TracePoint> points_;
    std::vector<double> tolerances_;
    std::vector<int> widths_;
    std::vector<uint8_t> distances_;
    std::vector<WidthRun> runs_;
    std::vector<Pixel> branch_;
    std::vector<Pixel> pruned_;
    Fitter fitter_;
    TraceStroke current_{};
};

}  // namespace

bool LinePixels::Allocate(int32_t width, int32_t height) {
    width_ = width;
    height_ = height;
    return plane_.Allocate(width, height);
}

void LinePixels::SetRow(int32_t y, const uint8_t* row) {
    for (int32_t x = 0; x < width_; ++x) {
        // Drawings are mostly background: eight white pixels at a time are
        // passed over with three 8-byte comparisons.
        if (x + 8 <= width_ && AllWhite(row + 3 * x)) {
            x += 7;
        } else if (row[3 * x] != 255) {
            plane_.Set(x, y);
        }
    }
}

bool TraceCentreLines(const LinePixels& lines, int thickness, const std::function<void(const TraceStroke&)>& stroke) {
    try {
        return Tracer(lines, thickness, false, stroke).Run();
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool TraceCentreLines(DibHandle drawing, int thickness, const std::function<void(const TraceStroke&)>& stroke) {
    LinePixels lines;
    if (!lines.Allocate(drawing->header.biWidth, drawing->header.biHeight)) return false;
    for (int32_t y = 0; y < drawing->header.biHeight; ++y) lines.SetRow(y, DibRow(drawing, y));
    return TraceCentreLines(lines, thickness, stroke);
}

bool TraceInkLines(const LinePixels& lines, const std::function<void(const TraceStroke&)>& stroke) {
    try {
        return Tracer(lines, 0, true, stroke).Run();
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool TraceInkLines(DibHandle drawing, const std::function<void(const TraceStroke&)>& stroke) {
    LinePixels lines;
    if (!lines.Allocate(drawing->header.biWidth, drawing->header.biHeight)) return false;
    for (int32_t y = 0; y < drawing->header.biHeight; ++y) lines.SetRow(y, DibRow(drawing, y));
    return TraceInkLines(lines, stroke);
}
