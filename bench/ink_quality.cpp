// How well each line style draws the strokes of a photographed drawing, on
// pages whose strokes are known: straight strokes at many angles, circles,
// curves and hatching, one stroke width (1 to 12 pixels) a page, from dark
// ink to light pencil grey, with soft edges, on textured paper under light
// falling off to one side and a soft shadow, blurred and saved as a JPEG file
// by libjpeg-turbo, then read back as the programs read it. Everything comes
// from fixed seeds.
//
// Per width and overall: precision (the share of line pixels within one
// pixel of a stroke), recall (the share of stroke pixels within one pixel of
// a line pixel), F1, and for strokes of 5 pixels or more the share of their
// inside (stroke pixels whose eight neighbours are all stroke) left white.
//
// Ink results are then traced as ink (TraceInkLines) and the strokes drawn
// back as wide as they are (stroke_raster.h): per width and overall, the
// share of ink pixels within one pixel of a drawn one ("covered"), the share
// of drawn pixels within one pixel of ink ("on ink"), the pixels that the
// centre lines of two strokes pass through away from their ends ("twice"),
// the mean difference, weighted by length, between a stroke's traced width
// and the width drawn on the page (two pixels more for thick ink; "page")
// or the ink's width across the stroke ("ink"), and the share of the
// strokes' length within a pixel of the ink's width ("within 1"). Where
// strokes drawn close together come out of ink extraction as one area
// (hatching on thick ink), the widths are the area's rather than a
// stroke's.
//
//     velmora-ink-quality [PAGE_FOLDER]
//
// writes each page as a JPEG file into PAGE_FOLDER when one is given.
#include "base/dib.h"
#include "base/line_choices.h"
#include "kernels/edge_extraction.h"
#include "kernels/ink_extraction.h"
#include "pipeline/image.h"
#include "stroke_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

// After <cstdio>, which it needs.
#include <jpeglib.h>

namespace {

constexpr int PageWidth = 640;
constexpr int PageHeight = 480;
constexpr int PagesPerWidth = 2;
constexpr int MaxStrokeWidth = 12;
constexpr int JpegQuality = 85;
constexpr double Pi = 3.14159265358979323846;

struct Point {
    double x, y;
};

// A stroke: its centre line as a polyline, its width and how much of the
// light its colour absorbs in blue, green and red.
struct Stroke {
    std::vector<Point> line;
    double width;
    double absorb[3];
};

double SegmentDistance(Point p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return std::sqrt(ex * ex + ey * ey);
}

double Distance(const Stroke& stroke, Point p) {
    double best = 1e9;
    for (size_t i = 0; i + 1 < stroke.line.size(); ++i) {
        best = std::min(best, SegmentDistance(p, stroke.line[i], stroke.line[i + 1]));
    }
    return best;
}

struct Page {
    int width = PageWidth;
    int height = PageHeight;
    std::vector<uint8_t> truth;  // 1 on a stroke: its centre line within half its width
    std::vector<uint8_t> jpeg;
};

// Ink, blue ink, brown ink and graphite, dark to light.
void PickColour(std::mt19937& random, double absorb[3]) {
    const double strength = std::uniform_real_distribution<double>(0.35, 0.92)(random);
    const int kind = int(random() % 4);
    const double tints[4][3] = {{1, 1, 1}, {0.55, 0.9, 1}, {1, 0.9, 0.7}, {0.95, 0.97, 1}};
    for (int c = 0; c < 3; ++c) absorb[c] = strength * tints[kind][c];
}

std::vector<Stroke> MakeStrokes(int strokeWidth, std::mt19937& random) {
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<Stroke> strokes;
    const double w = strokeWidth;
    const auto add = [&](std::vector<Point> line) {
        Stroke stroke{std::move(line), w, {}};
        PickColour(random, stroke.absorb);
        strokes.push_back(std::move(stroke));
    };
    // Straight strokes at angles all round.
    for (int i = 0; i < 10; ++i) {
        const double angle = Pi * (i + unit(random)) / 10;
        const Point centre{40 + unit(random) * (PageWidth - 80), 40 + unit(random) * (PageHeight - 80)};
        const double half = 40 + unit(random) * 80;
        add({{centre.x - half * std::cos(angle), centre.y - half * std::sin(angle)},
             {centre.x + half * std::cos(angle), centre.y + half * std::sin(angle)}});
    }
    // Circles.
    for (int i = 0; i < 3; ++i) {
        const Point centre{80 + unit(random) * (PageWidth - 160), 80 + unit(random) * (PageHeight - 160)};
        const double radius = 20 + unit(random) * 60;
        std::vector<Point> line;
        for (int k = 0; k <= 180; ++k) {
            const double angle = 2 * Pi * k / 180;
            line.push_back({centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)});
        }
        add(std::move(line));
    }
    // Curves: waves along a slanted axis.
    for (int i = 0; i < 3; ++i) {
        const Point start{30 + unit(random) * 200, 30 + unit(random) * (PageHeight - 60)};
        const double angle = (unit(random) - 0.5) * Pi / 2;
        const double amplitude = 10 + unit(random) * 30;
        const double wavelength = 80 + unit(random) * 120;
        std::vector<Point> line;
        for (int k = 0; k <= 120; ++k) {
            const double along = 3.0 * k;
            const double across = amplitude * std::sin(2 * Pi * along / wavelength);
            line.push_back({start.x + along * std::cos(angle) - across * std::sin(angle),
                            start.y + along * std::sin(angle) + across * std::cos(angle)});
        }
        add(std::move(line));
    }
    // Hatching: parallel strokes with gaps of at least 3 pixels.
    for (int i = 0; i < 2; ++i) {
        const double angle = Pi * unit(random);
        const Point corner{60 + unit(random) * (PageWidth - 220), 60 + unit(random) * (PageHeight - 220)};
        const double spacing = w + std::max(3.0, w);
        for (double offset = 0; offset < 100; offset += spacing) {
            const Point a{corner.x + offset * std::sin(angle), corner.y - offset * std::cos(angle)};
            add({a, {a.x + 100 * std::cos(angle), a.y + 100 * std::sin(angle)}});
        }
    }
    return strokes;
}

// Smooth paper texture: random values on a coarse grid, interpolated.
class ValueNoise {
public:
    ValueNoise(int width, int height, int cell, std::mt19937& random)
        : cell_(cell), columns_(width / cell + 2), values_(size_t(columns_) * (height / cell + 2)) {
        for (double& v : values_) v = std::uniform_real_distribution<double>(-1, 1)(random);
    }
    double At(int x, int y) const {
        const double fx = double(x) / cell_, fy = double(y) / cell_;
        const int ix = int(fx), iy = int(fy);
        const double tx = fx - ix, ty = fy - iy;
        const auto v = [&](int cx, int cy) { return values_[size_t(cy) * columns_ + cx]; };
        return (v(ix, iy) * (1 - tx) + v(ix + 1, iy) * tx) * (1 - ty) +
               (v(ix, iy + 1) * (1 - tx) + v(ix + 1, iy + 1) * tx) * ty;
    }

private:
    int cell_;
    int columns_;
    std::vector<double> values_;
};

// Separable Gaussian blur of one plane, borders repeated.
void Blur(std::vector<double>& plane, int width, int height, double sigma) {
    const int reach = int(std::ceil(3 * sigma));
    std::vector<double> weights(size_t(2 * reach + 1));
    double total = 0;
    for (int k = -reach; k <= reach; ++k) total += weights[size_t(k + reach)] = std::exp(-k * k / (2 * sigma * sigma));
    for (double& weight : weights) weight /= total;
    std::vector<double> copy(plane.size());
    for (int pass = 0; pass < 2; ++pass) {
        copy = plane;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                double sum = 0;
                for (int k = -reach; k <= reach; ++k) {
                    const int sx = pass == 0 ? std::clamp(x + k, 0, width - 1) : x;
                    const int sy = pass == 1 ? std::clamp(y + k, 0, height - 1) : y;
                    sum += weights[size_t(k + reach)] * copy[size_t(sy) * width + sx];
                }
                plane[size_t(y) * width + x] = sum;
            }
        }
    }
}

std::vector<uint8_t> EncodeJpeg(const std::vector<uint8_t>& rgb, int width, int height) {
    jpeg_compress_struct info = {};
    jpeg_error_mgr errors = {};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, JpegQuality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + size_t(info.next_scanline) * 3 * width);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return bytes;
}

Page MakePage(int strokeWidth, uint32_t seed) {
    std::mt19937 random(seed);
    Page page;
    const int width = page.width, height = page.height;
    const size_t pixels = size_t(width) * height;
    const std::vector<Stroke> strokes = MakeStrokes(strokeWidth, random);
    // How much of the light each channel's ink takes, strokes overlapping
    // taking the most of any.
    std::vector<double> absorbed[3] = {std::vector<double>(pixels), std::vector<double>(pixels),
                                       std::vector<double>(pixels)};
    page.truth.assign(pixels, 0);
    for (const Stroke& stroke : strokes) {
        double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
        for (const Point& p : stroke.line) {
            left = std::min(left, p.x), right = std::max(right, p.x);
            top = std::min(top, p.y), bottom = std::max(bottom, p.y);
        }
        const double half = stroke.width / 2;
        const int x0 = std::max(0, int(left - half - 2)), x1 = std::min(width - 1, int(right + half + 2));
        const int y0 = std::max(0, int(top - half - 2)), y1 = std::min(height - 1, int(bottom + half + 2));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const double centre = Distance(stroke, {x + 0.5, y + 0.5});
                if (centre > half + 0.75) continue;
                const size_t i = size_t(y) * width + x;
                if (centre <= half) page.truth[i] = 1;
                // The share of the pixel the stroke covers, from 4 x 4 samples
                // where its border crosses the pixel.
                double coverage = 1;
                if (centre > half - 0.75) {
                    int inside = 0;
                    for (int sy = 0; sy < 4; ++sy) {
                        for (int sx = 0; sx < 4; ++sx) {
                            inside += Distance(stroke, {x + (sx + 0.5) / 4, y + (sy + 0.5) / 4}) <= half;
                        }
                    }
                    coverage = inside / 16.0;
                }
                for (int c = 0; c < 3; ++c) absorbed[c][i] = std::max(absorbed[c][i], coverage * stroke.absorb[c]);
            }
        }
    }
    // The camera's softness.
    for (std::vector<double>& plane : absorbed) Blur(plane, width, height, 0.7);
    // Warm paper with texture and grain; light falling off to one side and
    // the soft shadow of a hand or phone from one corner.
    const ValueNoise texture(width, height, 6, random);
    std::uniform_real_distribution<double> grain(-4, 4);
    const double paper[3] = {215, 232, 238};
    const bool fromLeft = random() % 2 == 0;
    const Point shadowCentre{width * (0.6 + 0.4 * std::uniform_real_distribution<double>(0, 1)(random)), height * 1.1};
    const double shadowRadius = 0.55 * height;
    std::vector<uint8_t> rgb(3 * pixels);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const size_t i = size_t(y) * width + x;
            const double across = fromLeft ? double(x) / width : 1 - double(x) / width;
            double light = 1 - 0.3 * across;
            const double distance = std::hypot(x - shadowCentre.x, y - shadowCentre.y);
            light *= 1 - 0.3 * std::clamp((shadowRadius + 40 - distance) / 80, 0.0, 1.0);
            const double surface = 1 + 0.025 * texture.At(x, y);
            const double noise = grain(random);
            for (int c = 0; c < 3; ++c) {
                const double value = paper[c] * surface * light * (1 - absorbed[c][i]) + noise;
                rgb[3 * i + size_t(2 - c)] = uint8_t(std::clamp(std::lround(value), 0L, 255L));
            }
        }
    }
    page.jpeg = EncodeJpeg(rgb, width, height);
    return page;
}

double Share(int64_t part, int64_t whole) {
    return whole > 0 ? double(part) / double(whole) : 0;
}

struct Counts {
    int64_t marked = 0, markedNearStroke = 0, stroke = 0, strokeNearMark = 0, inside = 0, insideWhite = 0;
    void Add(const Counts& o) {
        marked += o.marked, markedNearStroke += o.markedNearStroke, stroke += o.stroke;
        strokeNearMark += o.strokeNearMark, inside += o.inside, insideWhite += o.insideWhite;
    }
    double Precision() const { return Share(markedNearStroke, marked); }
    double Recall() const { return Share(strokeNearMark, stroke); }
    double F1() const {
        const double p = Precision(), r = Recall();
        return p + r > 0 ? 2 * p * r / (p + r) : 0;
    }
};

// Whether a pixel of the mask within one pixel (eight neighbours) of (x, y)
// is set; all eight must be when all is set.
bool Near(const std::vector<uint8_t>& mask, int width, int height, int x, int y, bool all) {
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            const bool set = nx >= 0 && nx < width && ny >= 0 && ny < height && mask[size_t(ny) * width + nx];
            if (set != all) return set;
        }
    }
    return all;
}

Counts Score(const Page& page, const std::vector<uint8_t>& lines, bool countInside) {
    Counts counts;
    for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x) {
            const size_t i = size_t(y) * page.width + x;
            if (lines[i]) {
                ++counts.marked;
                counts.markedNearStroke += Near(page.truth, page.width, page.height, x, y, false);
            }
            if (page.truth[i]) {
                ++counts.stroke;
                counts.strokeNearMark += Near(lines, page.width, page.height, x, y, false);
                if (countInside && Near(page.truth, page.width, page.height, x, y, true)) {
                    ++counts.inside;
                    counts.insideWhite += !lines[i];
                }
            }
        }
    }
    return counts;
}

struct Method {
    std::string name;
    LineStyle style;
    int thickness;
    int contrast;
};

// The drawing the method makes of the decoded page.
DibHandle Extract(DibHandle source, const Method& method) {
    DibHandle result = ImgDuplicate(source);
    if (method.style == LineStyle::Ink) {
        ExtractInk(source, result, method.thickness, method.contrast);
    } else {
        ExtractEdges(source, result, method.thickness, method.contrast);
    }
    return result;
}

// The line pixels (1) of a drawing.
std::vector<uint8_t> LinesOf(DibHandle drawing) {
    const int width = drawing->header.biWidth, height = drawing->header.biHeight;
    std::vector<uint8_t> lines(size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = DibRow(drawing, y);
        for (int x = 0; x < width; ++x) lines[size_t(y) * width + x] = row[3 * x] == 0;
    }
    return lines;
}

// The line pixels (1) the method draws of the decoded page.
std::vector<uint8_t> Draw(DibHandle source, const Method& method) {
    DibHandle result = Extract(source, method);
    std::vector<uint8_t> lines = LinesOf(result);
    ImgRelease(result);
    return lines;
}

struct TraceCounts {
    int64_t ink = 0, inkCovered = 0, drawn = 0, drawnOnInk = 0, twice = 0, strokes = 0;
    double length = 0, widthError = 0, inkWidthError = 0, withinPixel = 0;
    void Add(const TraceCounts& o) {
        ink += o.ink, inkCovered += o.inkCovered, drawn += o.drawn, drawnOnInk += o.drawnOnInk;
        twice += o.twice, strokes += o.strokes, length += o.length, widthError += o.widthError;
        inkWidthError += o.inkWidthError, withinPixel += o.withinPixel;
    }
};

// How wide the ink is across the stroke: the median over points a pixel
// apart along it of the run of ink straight across it through the point, in
// quarter pixels. The median leaves out where other strokes join it.
double InkWidthAcross(const std::vector<uint8_t>& ink, int width, int height, const TraceStroke& stroke) {
    const auto isInk = [&](double x, double y) {
        const int ix = int(std::floor(x)), iy = int(std::floor(y));
        return ix >= 0 && iy >= 0 && ix < width && iy < height && ink[size_t(iy) * width + ix];
    };
    std::vector<double> runs;
    TracePoint at = stroke.start;
    for (const TraceSegment& segment : stroke.segments) {
        const TracePoint c1 = segment.curve ? segment.control1 : at, c2 = segment.curve ? segment.control2 : segment.end;
        // A point a pixel along, so that each part of the stroke counts as
        // long as it is.
        const int samples = std::max(1, int(std::hypot(segment.end.x - at.x, segment.end.y - at.y)));
        for (int k = 0; k < samples; ++k) {
            const double t = (k + 0.5) / samples, s = 1 - t;
            const double x = s * s * s * at.x + 3 * s * s * t * c1.x + 3 * s * t * t * c2.x + t * t * t * segment.end.x;
            const double y = s * s * s * at.y + 3 * s * s * t * c1.y + 3 * s * t * t * c2.y + t * t * t * segment.end.y;
            double dx = 3 * s * s * (c1.x - at.x) + 6 * s * t * (c2.x - c1.x) + 3 * t * t * (segment.end.x - c2.x);
            double dy = 3 * s * s * (c1.y - at.y) + 6 * s * t * (c2.y - c1.y) + 3 * t * t * (segment.end.y - c2.y);
            const double length = std::hypot(dx, dy);
            if (length == 0) continue;
            dx /= length, dy /= length;
            double run = 0;
            for (int side : {-1, 1}) {
                for (double d = 0.25; d < 60 && isInk(x - side * dy * d, y + side * dx * d); d += 0.25) run += 0.25;
            }
            runs.push_back(run + 0.25);
        }
        at = segment.end;
    }
    if (runs.empty()) return stroke.width;
    std::nth_element(runs.begin(), runs.begin() + std::ptrdiff_t(runs.size() / 2), runs.end());
    return runs[runs.size() / 2];
}

// Traces the ink drawing, draws its strokes back and compares them with it;
// its strokes are strokeWidth wide.
TraceCounts ScoreTrace(DibHandle drawing, int strokeWidth) {
    const int width = drawing->header.biWidth, height = drawing->header.biHeight;
    std::vector<TraceStroke> strokes;
    TraceCounts counts;
    TraceInkLines(drawing, [&](const TraceStroke& stroke) { strokes.push_back(stroke); });
    const std::vector<uint8_t> ink = LinesOf(drawing);
    std::vector<uint8_t> drawn(size_t(width) * height);
    for (const TraceStroke& stroke : strokes) {
        RasteriseStroke(stroke, stroke.width, width, height,
                        [&](int32_t x, int32_t y) { drawn[size_t(y) * width + x] = 1; });
    }

    for (const TraceStroke& stroke : strokes) {
        // The length between the ends of its pieces, a pixel at least.
        double length = 0;
        TracePoint at = stroke.start;
        for (const TraceSegment& segment : stroke.segments) {
            length += std::hypot(segment.end.x - at.x, segment.end.y - at.y);
            at = segment.end;
        }
        length = std::max(length, 1.0);
        counts.length += length;
        counts.widthError += length * std::abs(stroke.width - strokeWidth);
        const double inkError = std::abs(stroke.width - InkWidthAcross(ink, width, height, stroke));
        counts.inkWidthError += length * inkError;
        if (inkError <= 1) counts.withinPixel += length;
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const size_t i = size_t(y) * width + x;
            if (ink[i]) ++counts.ink, counts.inkCovered += Near(drawn, width, height, x, y, false);
            if (drawn[i]) ++counts.drawn, counts.drawnOnInk += Near(ink, width, height, x, y, false);
        }
    }
    counts.twice = CountTracedTwice(strokes, width, height);
    counts.strokes = int64_t(strokes.size());
    return counts;
}

struct Decoded {
    Page page;
    DibHandle image;
};

std::vector<Counts> Evaluate(const std::vector<Decoded>& pages, const Method& method) {
    std::vector<Counts> perWidth(MaxStrokeWidth + 1);
    for (size_t p = 0; p < pages.size(); ++p) {
        const int strokeWidth = int(p / PagesPerWidth) + 1;
        const Counts counts = Score(pages[p].page, Draw(pages[p].image, method), strokeWidth >= 5);
        perWidth[size_t(strokeWidth)].Add(counts);
        perWidth[0].Add(counts);
    }
    return perWidth;
}

void Print(const Method& method, const std::vector<Counts>& perWidth) {
    std::printf("%s (contrast index %d)\n", method.name.c_str(), method.contrast);
    std::printf("  width  precision  recall     F1  inside white\n");
    for (int w = 1; w <= MaxStrokeWidth; ++w) {
        const Counts& c = perWidth[size_t(w)];
        std::printf("  %5d  %9.4f  %6.4f  %.4f", w, c.Precision(), c.Recall(), c.F1());
        if (c.inside > 0) std::printf("  %11.2f%%", 100 * Share(c.insideWhite, c.inside));
        std::printf("\n");
    }
    const Counts& all = perWidth[0];
    std::printf("  overall %7.4f  %6.4f  %.4f  %11.2f%%\n\n", all.Precision(), all.Recall(), all.F1(),
                100 * Share(all.insideWhite, all.inside));
}

void PrintTrace(const Method& method, const std::vector<Decoded>& pages) {
    std::printf("%s (contrast index %d) traced as ink and drawn back\n", method.name.c_str(), method.contrast);
    std::printf("  width  covered   on ink  twice  strokes  width error: page   ink  within 1\n");
    TraceCounts all;
    for (int w = 1; w <= MaxStrokeWidth; ++w) {
        TraceCounts counts;
        for (size_t p = size_t(w - 1) * PagesPerWidth; p < size_t(w) * PagesPerWidth; ++p) {
            DibHandle drawing = Extract(pages[p].image, method);
            counts.Add(ScoreTrace(drawing, w + (method.thickness != 0 ? 2 : 0)));
            ImgRelease(drawing);
        }
        std::printf("  %5d  %7.4f  %7.4f  %5lld  %7lld  %17.2f  %4.2f  %8.4f\n", w, Share(counts.inkCovered, counts.ink),
                    Share(counts.drawnOnInk, counts.drawn), static_cast<long long>(counts.twice),
                    static_cast<long long>(counts.strokes), counts.widthError / counts.length,
                    counts.inkWidthError / counts.length, counts.withinPixel / counts.length);
        all.Add(counts);
    }
    std::printf("  overall %6.4f  %7.4f  %5lld  %7lld  %17.2f  %4.2f  %8.4f\n\n", Share(all.inkCovered, all.ink),
                Share(all.drawnOnInk, all.drawn), static_cast<long long>(all.twice),
                static_cast<long long>(all.strokes), all.widthError / all.length, all.inkWidthError / all.length,
                all.withinPixel / all.length);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Decoded> pages;
    for (int w = 1; w <= MaxStrokeWidth; ++w) {
        for (int k = 0; k < PagesPerWidth; ++k) {
            Page page = MakePage(w, uint32_t(1000 * w + k));
            if (argc > 1) {
                const std::string path = std::string(argv[1]) + "/page-" + std::to_string(w) + "-" +
                                         std::to_string(k) + ".jpg";
                if (FILE* file = std::fopen(path.c_str(), "wb")) {
                    std::fwrite(page.jpeg.data(), 1, page.jpeg.size(), file);
                    std::fclose(file);
                }
            }
            DibHandle image = ImgLoadMemory(page.jpeg.data(), page.jpeg.size());
            if (!image) {
                std::fprintf(stderr, "velmora-ink-quality: a page does not decode\n");
                return 1;
            }
            ImgMake24(image);
            pages.push_back({std::move(page), image});
        }
    }
    const Method methods[] = {{"edge lines, thin", LineStyle::Edges, 0, 7},
                              {"edge lines, thick", LineStyle::Edges, 1, 7},
                              {"ink, thin", LineStyle::Ink, 0, 7},
                              {"ink, thick", LineStyle::Ink, 1, 7}};
    for (const Method& method : methods) Print(method, Evaluate(pages, method));
    PrintTrace(methods[2], pages);
    PrintTrace(methods[3], pages);
    // The contrast at which thin ink scores best overall.
    Method best = {"ink, thin, best contrast", LineStyle::Ink, 0, 0};
    double bestF1 = -1;
    std::printf("ink, thin, overall F1 by contrast index:");
    for (int contrast = 0; contrast <= 15; ++contrast) {
        const Method method = {"", LineStyle::Ink, 0, contrast};
        const double f1 = Evaluate(pages, method)[0].F1();
        std::printf(" %d:%.4f", contrast, f1);
        if (f1 > bestF1) bestF1 = f1, best.contrast = contrast;
    }
    std::printf("\n\n");
    Print(best, Evaluate(pages, best));
    for (Decoded& decoded : pages) ImgRelease(decoded.image);
    return 0;
}
