#include "kernels/centre_line_tracer.h"
#include "kernels/edge_extraction.h"
#include "kernels/noise_removal.h"
#include "line_fidelity.h"
#include "pipeline/image.h"
#include "pipeline/output_formats.h"
#include "pipeline/row_outputs.h"
#include "stroke_raster.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Runs a program of the Linux machine the tests run on, from its path, with
// file arguments given by their paths in the tests; returns its exit status.
// Under Wine, which starts Unix programs but gives no handle to wait on, a
// shell runs the program and then moves its status into a file, which is
// waited for; the files' drive Z: is taken off their paths.
int RunTool(const std::string& program, const std::vector<std::string>& arguments) {
    std::string command = program;
    for (const std::string& argument : arguments) {
        command += " '" + (argument.rfind("Z:", 0) == 0 ? argument.substr(2) : argument) + "'";
    }
#ifdef _WIN32
    const std::string status = std::string(VELMORA_TEST_OUTPUT "/tool-status").substr(2);
    std::remove(("Z:" + status).c_str());
    std::string line = "/bin/sh -c \"" + command + "; echo $? > '" + status + ".new'; mv '" + status + ".new' '" + status + "'\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return -1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int waited = 0; waited < 120000; waited += 50) {
        const std::vector<uint8_t> bytes = ReadBytes("Z:" + status);
        if (!bytes.empty()) return std::atoi(std::string(bytes.begin(), bytes.end()).c_str());
        Sleep(50);
    }
    return -1;
#else
    return std::system(command.c_str());
#endif
}

// Paints a square brush of side `brush` with its top left corner at (x, y).
void Dab(Picture& picture, int x, int y, int brush) {
    for (int dy = 0; dy < brush; ++dy) {
        for (int dx = 0; dx < brush; ++dx) {
            if (x + dx >= 0 && y + dy >= 0 && x + dx < picture.width && y + dy < picture.height) {
                picture.At(x + dx, y + dy) = {0, 0, 0};
            }
        }
    }
}

// Bresenham's line from (x0, y0) to (x1, y1).
void Line(Picture& picture, int x0, int y0, int x1, int y1, int brush) {
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int stepX = x0 < x1 ? 1 : -1, stepY = y0 < y1 ? 1 : -1;
    for (int error = dx + dy;;) {
        Dab(picture, x0, y0, brush);
        if (x0 == x1 && y0 == y1) return;
        const int twice = 2 * error;
        if (twice >= dy) error += dy, x0 += stepX;
        if (twice <= dx) error += dx, y0 += stepY;
    }
}

// The midpoint circle.
void Circle(Picture& picture, int cx, int cy, int r, int brush) {
    for (int x = 0, y = r, d = 1 - r; x <= y; ++x) {
        for (auto [px, py] : {std::pair{x, y}, {y, x}}) {
            Dab(picture, cx + px, cy + py, brush), Dab(picture, cx - px, cy + py, brush);
            Dab(picture, cx + px, cy - py, brush), Dab(picture, cx - px, cy - py, brush);
        }
        d += d < 0 ? 2 * x + 3 : 2 * (x - y--) + 5;
    }
}

struct Drawing {
    const char* name;
    int width, height;
    std::function<void(Picture&, int brush)> draw;
};

// Clears the pixels from (x, y) to (x + width - 1, y + height - 1).
void Hole(Picture& picture, int x, int y, int width, int height) {
    for (int dy = 0; dy < height; ++dy) {
        for (int dx = 0; dx < width; ++dx) picture.At(x + dx, y + dy) = {255, 255, 255};
    }
}

// A band of line as wide as the brush on either side of holes of one and
// two pixels in a row, and under thick lines of holes two pixels high: thin
// lines three pixels wide round holes in their middle row, thick ones five
// (a road's two edges where they touch).
const Drawing Bands{"bands round small holes", 200, 40, [](Picture& p, int b) {
    for (int y = 0; y <= 2 * b; ++y) Line(p, 10, 10 + y, 189, 10 + y, 1);
    for (int x = 16; x < 180; x += 12) Hole(p, x, 10 + b, 1 + (x / 12) % 2, 1);
    // Pixel 62 ends a word of a row of bits and 127 starts one.
    for (int x : {22, 62, 127, 154}) Hole(p, x, 10 + b, 1, b);
}};

const Drawing Drawings[] = {
    {"angles", 320, 240, [](Picture& p, int b) {
         // 48 lines 3.75 degrees apart, each in a cell of its own.
         for (int i = 0; i < 48; ++i) {
             const double angle = i * 3.14159265358979 / 48;
             const int cx = 20 + 40 * (i % 8), cy = 20 + 40 * (i / 8);
             const int dx = int(std::lround(16 * std::cos(angle))), dy = int(std::lround(16 * std::sin(angle)));
             Line(p, cx - dx, cy - dy, cx + dx, cy + dy, b);
         }
     }},
    {"circles", 300, 160, [](Picture& p, int b) {
         int x = 4;
         for (int r : {2, 3, 5, 8, 13, 21, 34, 55}) Circle(p, x += r + 4, 70, r, b), x += r;
     }},
    {"crossings", 200, 100, [](Picture& p, int b) {
         Line(p, 10, 50, 90, 50, b), Line(p, 50, 10, 50, 90, b);
         Line(p, 110, 10, 190, 90, b), Line(p, 110, 90, 190, 10, b);
         Line(p, 105, 45, 195, 60, b), Line(p, 105, 60, 195, 44, b);
     }},
    {"junctions", 200, 100, [](Picture& p, int b) {
         Line(p, 10, 20, 90, 20, b), Line(p, 50, 20, 50, 90, b);
         Line(p, 150, 50, 150, 95, b), Line(p, 150, 50, 110, 10, b), Line(p, 150, 50, 190, 12, b);
     }},
    {"loops", 200, 100, [](Picture& p, int b) {
         Line(p, 10, 10, 80, 10, b), Line(p, 80, 10, 80, 80, b), Line(p, 80, 80, 10, 80, b), Line(p, 10, 80, 10, 10, b);
         Line(p, 100, 90, 150, 5, b), Line(p, 150, 5, 195, 90, b), Line(p, 195, 90, 100, 90, b);
         Line(p, 40, 40, 45, 40, b), Line(p, 45, 40, 45, 45, b), Line(p, 45, 45, 40, 45, b), Line(p, 40, 45, 40, 40, b);
     }},
    {"dots", 60, 40, [](Picture& p, int b) {
         for (int i = 0; i < 12; ++i) Dab(p, 3 + 5 * (i % 6) + i / 6, 5 + 7 * (i / 6), b + i % 2);
         Dab(p, 0, 0, b), Dab(p, 59, 39, 1);
     }},
    {"tips", 60, 30, [](Picture& p, int b) {
         // A tip that turns off a line a pixel past a step: neither of the
         // tip's two pixels may be lost.
         for (int x = 5; x < 60; x += 20) {
             Dab(p, x, 5, b), Dab(p, x, 6, b), Dab(p, x - 1, 7, b), Dab(p, x, 7, b);
             Line(p, x + 1, 8, x + 10, 17, b);
         }
     }},
    {"one pixel wide", 1, 50, [](Picture& p, int) { Line(p, 0, 3, 0, 20, 1), Dab(p, 0, 30, 1), Line(p, 0, 40, 0, 49, 1); }},
    {"one pixel high", 50, 1, [](Picture& p, int) { Line(p, 0, 0, 20, 0, 1), Dab(p, 30, 0, 1), Dab(p, 49, 0, 1); }},
    {"one pixel", 1, 1, [](Picture& p, int) { Dab(p, 0, 0, 1); }},
    {"wide", 160, 120, [](Picture& p, int b) {
         // Lines as wide as grain makes them where it joins them: two pixels
         // wider than the brush, and a pixel wider with grain along either
         // side by turns.
         Line(p, 10, 10, 150, 10, b + 2), Line(p, 10, 30, 10, 110, b + 2), Line(p, 30, 30, 70, 30, b + 2);
         Line(p, 40, 60, 150, 60, b + 1), Line(p, 150, 80, 150, 115, b + 1);
         for (int i = 0; i < 7; ++i) {
             Line(p, 44 + 16 * i, 59, 50 + 16 * i, 59, 1), Line(p, 52 + 16 * i, 61 + b, 56 + 16 * i, 61 + b, 1);
         }
         Line(p, 149, 84, 149, 92, 1), Line(p, 151 + b, 96, 151 + b, 104, 1);
     }},
    Bands,
    {"photo", 0, 0, nullptr},
};

// A drawing to trace: the case drawn with a brush as wide as the lines, or
// the test photo through extraction and speck removal.
DibHandle MakeDrawing(const Drawing& drawing, int thickness) {
    if (!drawing.draw) {
        DibHandle photo = ImgLoadFile(VELMORA_TEST_DATA "/jpeg/baseline.jpg");
        ImgMake24(photo);
        DibHandle result = ImgDuplicate(photo);
        ExtractEdges(photo, result, thickness, 6);
        RemoveSpecks(result, thickness);
        ImgRelease(photo);
        return result;
    }
    Picture picture{drawing.width, drawing.height, {}};
    picture.pixels.assign(size_t(drawing.width) * drawing.height, {255, 255, 255});
    drawing.draw(picture, thickness + 1);
    return MakeImage(picture);
}

std::string Text(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// The value of the attribute `name` of the first element `element`.
std::string Attribute(const std::string& svg, const std::string& element, const std::string& name) {
    const size_t start = svg.find("<" + element + " ");
    const size_t attribute = svg.find(" " + name + "=\"", start);
    if (start == std::string::npos || attribute == std::string::npos || attribute > svg.find('>', start)) return "(none)";
    const size_t value = attribute + name.size() + 3;
    return svg.substr(value, svg.find('"', value) - value);
}

TEST(TraceCentreLines, RenderedStrokesCoverTheLinesAndNothingElse) {
    const std::string folder = TestFolder("trace");
    for (const Drawing& drawing : Drawings) {
        for (int thickness : {0, 1}) {
            SCOPED_TRACE(std::string(drawing.name) + (thickness ? ", thick" : ", thin"));
            DibHandle image = MakeDrawing(drawing, thickness);
            const std::string width = std::to_string(image->header.biWidth);
            const std::string height = std::to_string(image->header.biHeight);
            std::string name = folder + "/" + drawing.name + (thickness ? "-thick" : "-thin");
            std::replace(name.begin(), name.end(), ' ', '-');
            const std::string svg = name + ".svg", png = name + ".png";
            OutputColours colours;
            colours.transparent = true;
            ASSERT_TRUE(SaveImage(svg.c_str(), image, LineFormat::Svg, colours, thickness));
            std::vector<uint8_t> inMemory;
            ASSERT_TRUE(EncodeImage(image, LineFormat::Svg, colours, thickness, inMemory));
            EXPECT_EQ(Text(inMemory), Text(ReadBytes(svg))) << "the file and the bytes in memory differ";
            EXPECT_EQ(Attribute(Text(inMemory), "svg", "width"), width);
            EXPECT_EQ(Attribute(Text(inMemory), "svg", "height"), height);
            EXPECT_EQ(Attribute(Text(inMemory), "svg", "viewBox"), "0 0 " + width + " " + height);
            EXPECT_EQ(Attribute(Text(inMemory), "g", "stroke-width"), thickness ? "2" : "1");
            EXPECT_EQ(RunTool("/usr/bin/xmllint", {"--noout", svg}), 0) << "not well-formed XML";
            ASSERT_EQ(RunTool("/usr/bin/rsvg-convert", {"-b", "white", "-w", width, "-h", height, "-o", png, svg}), 0);
            DibHandle rendered = ImgLoadFile(png.c_str());
            ASSERT_NE(rendered, nullptr);
            ImgMake24(rendered);
            const LineFidelity fidelity = MeasureLineFidelity(image, rendered);
            EXPECT_GE(fidelity.drawnRendered, 0.995) << "line pixels far from every stroke";
            EXPECT_GE(fidelity.renderedDrawn, 0.995) << "strokes where there is no line";
            ImgRelease(rendered);
            ImgRelease(image);
        }
    }
}

// Millimetres with a density, the background only when one is chosen, the
// colours as given.
TEST(SvgFile, SizeInMillimetresAndColours) {
    DibHandle image = MakeDrawing(Drawings[0], 0);
    image->header.biXPelsPerMeter = 11811;   // 300 per inch
    image->header.biYPelsPerMeter = 3937;    // 100 per inch
    const OutputColours colours{0x123456, 0xABCDEF, false};
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodeImage(image, LineFormat::Svg, colours, 0, bytes));
    const std::string svg = Text(bytes);
    EXPECT_NEAR(std::stod(Attribute(svg, "svg", "width")), 320 * 1000.0 / 11811, 0.005);
    EXPECT_NEAR(std::stod(Attribute(svg, "svg", "height")), 240 * 1000.0 / 3937, 0.005);
    EXPECT_EQ(Attribute(svg, "svg", "width").substr(Attribute(svg, "svg", "width").size() - 2), "mm");
    EXPECT_EQ(Attribute(svg, "svg", "viewBox"), "0 0 320 240");
    EXPECT_EQ(Attribute(svg, "rect", "fill"), "#abcdef");
    EXPECT_EQ(Attribute(svg, "rect", "width") + " " + Attribute(svg, "rect", "height"), "320 240");
    EXPECT_EQ(Attribute(svg, "g", "stroke"), "#123456");
    ASSERT_TRUE(EncodeImage(image, LineFormat::Svg, OutputColours{0x123456, 0xABCDEF, true}, 0, bytes));
    EXPECT_EQ(Text(bytes).find("<rect"), std::string::npos) << "a transparent background was painted";
    ImgRelease(image);
}

// A band round holes of one or two pixels is one line through them, not a
// ring round each hole: its strokes join their ends as a tree does, with one
// end more than strokes.
TEST(TraceCentreLines, BandsRoundHolesOfAPixelOrTwoAreOneLine) {
    for (int thickness : {0, 1}) {
        SCOPED_TRACE(thickness ? "thick" : "thin");
        DibHandle image = MakeDrawing(Bands, thickness);
        size_t strokes = 0;
        std::set<std::pair<double, double>> ends;
        ASSERT_TRUE(TraceCentreLines(image, thickness, [&](const TraceStroke& stroke) {
            ++strokes;
            const TracePoint end = stroke.segments.empty() ? stroke.start : stroke.segments.back().end;
            ends.insert({stroke.start.x, stroke.start.y});
            ends.insert({end.x, end.y});
            EXPECT_FALSE(stroke.closed);
        }));
        EXPECT_EQ(ends.size(), strokes + 1);
        ImgRelease(image);
    }
}

// Lines are walked on through their junctions, so that a plotter lifts its
// pen as little as it can: a T and a plus sign take two moves each.
TEST(SvgFile, LinesGoOnThroughTheirJunctions) {
    const Drawing junctions{"t and plus", 200, 100, [](Picture& p, int b) {
        Line(p, 10, 20, 90, 20, b), Line(p, 50, 20, 50, 90, b);
        Line(p, 110, 50, 190, 50, b), Line(p, 150, 10, 150, 90, b);
    }};
    DibHandle image = MakeDrawing(junctions, 0);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodeImage(image, LineFormat::Svg, OutputColours{0, 0xFFFFFF, true}, 0, bytes));
    const std::string path = Attribute(Text(bytes), "path", "d");
    EXPECT_EQ(std::count(path.begin(), path.end(), 'm'), 4) << path;
    ImgRelease(image);
}

// Ink strokes as ink extraction gives them: solid, every pixel whose centre
// lies within half the width of the stroke's centre line.
struct InkSegment {
    double x0, y0, x1, y1, width;
};

Picture InkPicture(int width, int height, const std::vector<InkSegment>& segments) {
    Picture picture{width, height, {}};
    picture.pixels.assign(size_t(width) * height, {255, 255, 255});
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (const InkSegment& s : segments) {
                const double dx = s.x1 - s.x0, dy = s.y1 - s.y0, px = x + 0.5 - s.x0, py = y + 0.5 - s.y0;
                const double length2 = dx * dx + dy * dy;
                const double t = length2 > 0 ? std::clamp((px * dx + py * dy) / length2, 0.0, 1.0) : 0;
                if (std::hypot(px - t * dx, py - t * dy) <= s.width / 2) picture.At(x, y) = {0, 0, 0};
            }
        }
    }
    return picture;
}

std::vector<TraceStroke> TraceInk(const Picture& picture) {
    DibHandle image = MakeImage(picture);
    std::vector<TraceStroke> strokes;
    EXPECT_TRUE(TraceInkLines(image, [&](const TraceStroke& stroke) { strokes.push_back(stroke); }));
    ImgRelease(image);
    return strokes;
}

TracePoint EndOf(const TraceStroke& stroke) {
    return stroke.segments.empty() ? stroke.start : stroke.segments.back().end;
}

std::string Describe(const std::vector<TraceStroke>& strokes) {
    std::string text;
    for (const TraceStroke& stroke : strokes) {
        const TracePoint end = EndOf(stroke);
        char line[160];
        std::snprintf(line, sizeof line, "(%.1f %.1f)-(%.1f %.1f) width %d%s\n", stroke.start.x, stroke.start.y,
                      end.x, end.y, stroke.width, stroke.closed ? " closed" : "");
        text += line;
    }
    return text;
}

// The picture's ink is traced as one stroke as wide as `width` to within a
// pixel.
void ExpectOneStroke(const Picture& picture, int width) {
    const std::vector<TraceStroke> strokes = TraceInk(picture);
    ASSERT_EQ(strokes.size(), 1u) << Describe(strokes);
    EXPECT_LE(std::abs(strokes[0].width - width), 1) << Describe(strokes);
}

// A straight ink stroke of any width and angle is one stroke along its
// middle, as wide as the ink to within a pixel.
TEST(TraceInkLines, AStraightStrokeIsOneStrokeAsWideAsItsInk) {
    for (int width = 1; width <= 12; ++width) {
        for (int degrees : {0, 17, 30, 45, 60, 90, 112, 135, 160}) {
            SCOPED_TRACE("width " + std::to_string(width) + ", " + std::to_string(degrees) + " degrees");
            const double angle = degrees * 3.14159265358979 / 180, dx = 30 * std::cos(angle), dy = 30 * std::sin(angle);
            ExpectOneStroke(InkPicture(100, 100, {{50 - dx, 50 - dy, 50 + dx, 50 + dy, double(width)}}), width);
        }
    }
}

// The strokes drawn back as wide as they are match the ink: at least 99 % of
// the ink pixels lie within one pixel of a drawn one and of the drawn pixels
// within one pixel of ink, and no line is traced twice.
void ExpectCoversInk(const Picture& picture, const std::vector<TraceStroke>& strokes) {
    const int width = picture.width, height = picture.height;
    std::vector<uint8_t> drawn(size_t(width) * height), ink(size_t(width) * height);
    for (size_t i = 0; i < ink.size(); ++i) ink[i] = picture.pixels[i].blue == 0;
    for (const TraceStroke& stroke : strokes) {
        RasteriseStroke(stroke, stroke.width, width, height, [&](int32_t x, int32_t y) { drawn[size_t(y) * width + x] = 1; });
    }
    const auto nearby = [&](const std::vector<uint8_t>& mask, int x, int y) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const int nx = x + dx, ny = y + dy;
                if (nx >= 0 && ny >= 0 && nx < width && ny < height && mask[size_t(ny) * width + nx]) return true;
            }
        }
        return false;
    };
    int64_t inkPixels = 0, covered = 0, drawnPixels = 0, onInk = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const size_t i = size_t(y) * width + x;
            if (ink[i]) ++inkPixels, covered += nearby(drawn, x, y);
            if (drawn[i]) ++drawnPixels, onInk += nearby(ink, x, y);
        }
    }
    EXPECT_GE(double(covered) / double(inkPixels), 0.99) << Describe(strokes);
    EXPECT_GE(double(onInk) / double(drawnPixels), 0.99) << Describe(strokes);
    EXPECT_EQ(CountTracedTwice(strokes, width, height), 0) << Describe(strokes);
}

// Where ink strokes cross or one ends on another, each line between
// junctions is traced once, the strokes meet, and they cover the ink.
TEST(TraceInkLines, CrossingsAndJunctionsAreTracedOnce) {
    for (int width : {1, 2, 3, 5, 8, 12}) {
        const double w = width;
        const struct {
            const char* name;
            std::vector<InkSegment> segments;
            size_t strokes;
        } cases[] = {
            {"plus", {{20, 60, 100, 60, w}, {60, 20, 60, 100, w}}, 4},
            {"t", {{20, 30, 100, 30, w}, {60, 30, 60, 100, w}}, 3},
            {"slanted cross", {{20, 25, 100, 95, w}, {20, 95, 100, 25, w}}, 4},
        };
        for (const auto& drawing : cases) {
            SCOPED_TRACE(std::string(drawing.name) + ", width " + std::to_string(width));
            const Picture picture = InkPicture(120, 120, drawing.segments);
            const std::vector<TraceStroke> strokes = TraceInk(picture);
            ExpectCoversInk(picture, strokes);
            EXPECT_LE(strokes.size(), drawing.strokes + 1) << Describe(strokes);
            std::set<std::pair<double, double>> ends;
            for (const TraceStroke& stroke : strokes) {
                ends.insert({stroke.start.x, stroke.start.y});
                ends.insert({EndOf(stroke).x, EndOf(stroke).y});
            }
            // Thinning may part a slanted crossing into two junctions with
            // a short stroke between them.
            EXPECT_LE(ends.size(), drawing.strokes + 2) << Describe(strokes);
        }
    }
}

// A filled disc or a band with square ends is one stroke, not a stroke with
// branches to its corners.
TEST(TraceInkLines, DiscsAndBandsAreOneStroke) {
    const struct {
        const char* name;
        Picture picture;
        int width;
    } cases[] = {
        {"disc 7", InkPicture(40, 40, {{20, 20, 20, 20, 7}}), 7},
        {"disc 16", InkPicture(40, 40, {{20, 20, 20, 20, 16}}), 16},
        {"disc 25", InkPicture(40, 40, {{20, 20, 20, 20, 25}}), 25},
        // 20 by 6 pixels with square ends.
        {"band 6", [] { Picture p = InkPicture(24, 8, {}); Line(p, 2, 1, 16, 1, 6); return p; }(), 6},
        {"band 10", InkPicture(80, 40, {{10, 20, 70, 20, 10}}), 10},
        {"band 32", InkPicture(160, 80, {{20, 40, 140, 40, 32}}), 32},
        {"slanted band 20", InkPicture(120, 120, {{30, 30, 90, 90, 20}}), 20},
    };
    for (const auto& drawing : cases) {
        SCOPED_TRACE(drawing.name);
        ExpectOneStroke(drawing.picture, drawing.width);
    }
}

// A small drawing of ink strokes of many widths, crossing, meeting and
// curving.
Picture InkDrawing() {
    std::vector<InkSegment> segments = {
        {10, 10, 150, 20, 1}, {10, 30, 150, 60, 3}, {20, 80, 140, 70, 6}, {80, 5, 90, 115, 4},
        {30, 100, 150, 110, 10}, {120, 20, 100, 100, 2}, {160, 10, 190, 110, 12}, {170, 60, 195, 60, 5},
    };
    // A ring of width 5 and radius 20, as short segments.
    for (int k = 0; k < 36; ++k) {
        const double a0 = k * 3.14159265358979 / 18, a1 = (k + 1) * 3.14159265358979 / 18;
        segments.push_back({45 + 20 * std::cos(a0), 55 + 20 * std::sin(a0), 45 + 20 * std::cos(a1), 55 + 20 * std::sin(a1), 5});
    }
    return InkPicture(200, 120, segments);
}

// The ink drawing, drawn back from its strokes, is its ink.
TEST(TraceInkLines, RenderedStrokesCoverTheInkAndNothingElse) {
    const Picture picture = InkDrawing();
    ExpectCoversInk(picture, TraceInk(picture));
}

// The SVG of the drawing's rows, made as ink lines or as edges.
std::string SvgOfRows(DibHandle image, LineStyle style) {
    RowOutputSettings settings;
    settings.header = image->header;
    settings.colours = {0, 0xFFFFFF, true};
    settings.style = style;
    std::vector<uint8_t> bytes;
    OutputSink sink(bytes);
    std::unique_ptr<RowOutput> output = OpenSvgOutput(settings, sink);
    EXPECT_NE(output, nullptr);
    if (!output) return {};
    for (int32_t y = 0; y < image->header.biHeight; ++y) EXPECT_TRUE(output->Put(y, DibRow(image, y)));
    EXPECT_TRUE(output->End());
    return Text(bytes);
}

// An SVG output made for ink lines traces them as ink: rendered, its strokes
// cover the ink and nothing else, the widest stroke is as wide as its ink,
// and the same rows made as edges give other strokes.
TEST(SvgFile, InkLinesAreTracedAsInk) {
    DibHandle image = MakeImage(InkDrawing());
    const std::string svg = SvgOfRows(image, LineStyle::Ink);
    const std::string path = TestFolder("trace-ink") + "/drawing";
    WriteBytes(path + ".svg", std::vector<uint8_t>(svg.begin(), svg.end()));
    EXPECT_EQ(RunTool("/usr/bin/xmllint", {"--noout", path + ".svg"}), 0) << "not well-formed XML";
    ASSERT_EQ(RunTool("/usr/bin/rsvg-convert", {"-b", "white", "-w", "200", "-h", "120", "-o", path + ".png", path + ".svg"}), 0);
    DibHandle rendered = ImgLoadFile((path + ".png").c_str());
    ASSERT_NE(rendered, nullptr);
    ImgMake24(rendered);
    const LineFidelity fidelity = MeasureLineFidelity(image, rendered);
    EXPECT_GE(fidelity.drawnRendered, 0.99) << "ink pixels far from every stroke";
    EXPECT_GE(fidelity.renderedDrawn, 0.99) << "strokes where there is no ink";
    EXPECT_NE(svg.find("stroke-width=\"12\""), std::string::npos) << svg;
    EXPECT_NE(SvgOfRows(image, LineStyle::Edges), svg);
    ImgRelease(rendered);
    ImgRelease(image);
}

}  // namespace
