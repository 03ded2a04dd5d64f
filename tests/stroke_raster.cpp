#include "stroke_raster.h"

#include <algorithm>
#include <cmath>

namespace {

__extension__ typedef __int128 Wide;

struct Fixed {
    int64_t x;
    int64_t y;
};

int64_t FloorDivide(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// Hundredths of a pixel, rounded half up as the SVG writer rounds.
Fixed ToFixed(TracePoint p) {
    return {int64_t(std::floor(p.x * 100 + 0.5)), int64_t(std::floor(p.y * 100 + 0.5))};
}

constexpr int64_t CurveSteps = 16;

// The points of the stroke's centre line as a polyline.
std::vector<Fixed> Flatten(const TraceStroke& stroke) {
    std::vector<Fixed> points{ToFixed(stroke.start)};
    for (const TraceSegment& segment : stroke.segments) {
        const Fixed end = ToFixed(segment.end);
        if (segment.curve) {
            const Fixed p0 = points.back(), p1 = ToFixed(segment.control1), p2 = ToFixed(segment.control2);
            constexpr int64_t Cube = CurveSteps * CurveSteps * CurveSteps;
            for (int64_t k = 1; k < CurveSteps; ++k) {
                const int64_t s = CurveSteps - k;
                const int64_t b0 = s * s * s, b1 = 3 * s * s * k, b2 = 3 * s * k * k, b3 = k * k * k;
                points.push_back({FloorDivide(b0 * p0.x + b1 * p1.x + b2 * p2.x + b3 * end.x + Cube / 2, Cube),
                                  FloorDivide(b0 * p0.y + b1 * p1.y + b2 * p2.y + b3 * end.y + Cube / 2, Cube)});
            }
        }
        points.push_back(end);
    }
    if (stroke.closed) points.push_back(points.front());
    return points;
}

// Whether c lies within radius of the segment from a to b.
bool Within(Fixed c, Fixed a, Fixed b, int64_t radius) {
    const int64_t px = c.x - a.x, py = c.y - a.y, dx = b.x - a.x, dy = b.y - a.y;
    const int64_t along = px * dx + py * dy, length2 = dx * dx + dy * dy;
    const int64_t r2 = radius * radius;
    if (length2 == 0 || along <= 0) return px * px + py * py <= r2;
    if (along >= length2) return (c.x - b.x) * (c.x - b.x) + (c.y - b.y) * (c.y - b.y) <= r2;
    const Wide across = Wide(px) * dy - Wide(py) * dx;
    return across * across <= Wide(r2) * length2;
}

}  // namespace

void RasteriseStroke(const TraceStroke& stroke, int width, int32_t pictureWidth, int32_t pictureHeight,
                     const std::function<void(int32_t x, int32_t y)>& pixel) {
    const std::vector<Fixed> points = Flatten(stroke);
    const int64_t radius = 50 * int64_t{width};
    for (size_t i = 0; i < points.size(); ++i) {
        const Fixed a = points[i], b = points[i + 1 < points.size() ? i + 1 : i];
        // Pixels whose centres, at 100 x + 50, can lie within the radius.
        const int64_t left = std::max<int64_t>(0, FloorDivide(std::min(a.x, b.x) - radius - 50, 100));
        const int64_t right = std::min<int64_t>(pictureWidth - 1, FloorDivide(std::max(a.x, b.x) + radius, 100));
        const int64_t top = std::max<int64_t>(0, FloorDivide(std::min(a.y, b.y) - radius - 50, 100));
        const int64_t bottom = std::min<int64_t>(pictureHeight - 1, FloorDivide(std::max(a.y, b.y) + radius, 100));
        for (int64_t y = top; y <= bottom; ++y) {
            for (int64_t x = left; x <= right; ++x) {
                if (Within({100 * x + 50, 100 * y + 50}, a, b, radius)) pixel(int32_t(x), int32_t(y));
            }
        }
    }
}

int64_t CountTracedTwice(const std::vector<TraceStroke>& strokes, int32_t width, int32_t height) {
    const size_t pixels = size_t(width) * size_t(height);
    std::vector<int32_t> last(pixels, -1);
    std::vector<uint8_t> lines(pixels, 0), ends(pixels, 0);
    for (size_t s = 0; s < strokes.size(); ++s) {
        const TraceStroke& stroke = strokes[s];
        RasteriseStroke(stroke, 1, width, height, [&](int32_t x, int32_t y) {
            const size_t i = size_t(y) * size_t(width) + size_t(x);
            if (last[i] == int32_t(s)) return;
            last[i] = int32_t(s);
            lines[i] = uint8_t(std::min(lines[i] + 1, 2));
        });
        TraceStroke end{stroke.start, {}, false, stroke.width};
        const auto mark = [&](int32_t x, int32_t y) { ends[size_t(y) * size_t(width) + size_t(x)] = 1; };
        RasteriseStroke(end, stroke.width + 2, width, height, mark);
        if (!stroke.segments.empty()) {
            end.start = stroke.segments.back().end;
            RasteriseStroke(end, stroke.width + 2, width, height, mark);
        }
    }
    int64_t twice = 0;
    for (size_t i = 0; i < pixels; ++i) twice += lines[i] >= 2 && !ends[i];
    return twice;
}
