#include "kernels/photo_lines.h"
#include "line_fidelity.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

namespace {

// A working picture's plane, read with the border repeated or as 0 beyond it.
struct Plane {
    int width, height;
    std::vector<int> values = std::vector<int>(size_t(width) * height);
    int& At(int x, int y) { return values[size_t(y) * width + x]; }
    int Clamped(int x, int y) const {
        return values[size_t(std::clamp(y, 0, height - 1)) * width + std::clamp(x, 0, width - 1)];
    }
    int OrZero(int x, int y) const {
        return x < 0 || y < 0 || x >= width || y >= height ? 0 : values[size_t(y) * width + x];
    }
};

// The method of photo_lines.h written plainly, a whole plane at a time: the
// yardstick for the rows streamed in rings, every instruction set and every
// size.
Picture ReferencePhoto(const Picture& source, int thickness, int contrast) {
    const int longer = std::max(source.width, source.height);
    const int k = std::max(1, (longer + 250) / 500);
    const int width = (source.width + k - 1) / k, height = (source.height + k - 1) / k;
    // Reduced, as Y, R - G and Y - B channels.
    Plane channels[3] = {{width, height}, {width, height}, {width, height}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int sum[3] = {}, count = 0;
            for (int sy = y * k; sy < std::min(y * k + k, source.height); ++sy) {
                for (int sx = x * k; sx < std::min(x * k + k, source.width); ++sx, ++count) {
                    const Bgr& p = source.At(sx, sy);
                    sum[0] += p.blue, sum[1] += p.green, sum[2] += p.red;
                }
            }
            const int b = (sum[0] + count / 2) / count, g = (sum[1] + count / 2) / count;
            const int r = (sum[2] + count / 2) / count;
            channels[0].At(x, y) = r + 2 * g + b;
            channels[1].At(x, y) = 2 * (r - g);
            channels[2].At(x, y) = r + g - 2 * b;
        }
    }
    const auto blur = [](Plane plane) {
        for (bool down : {true, false}) {
            Plane out = plane;
            for (int y = 0; y < plane.height; ++y) {
                for (int x = 0; x < plane.width; ++x) {
                    int sum = 8;
                    for (int i = -2; i <= 2; ++i) {
                        sum += (6 - 2 * std::abs(i) - (std::abs(i) == 2)) *
                               (down ? plane.Clamped(x, y + i) : plane.Clamped(x + i, y));
                    }
                    out.At(x, y) = sum >> 4;  // floor for negative sums too
                }
            }
            plane = out;
        }
        return plane;
    };
    // Strength, gx and gy of the strongest channel, less the surround's mean.
    const auto strength = [&](int passes, Plane* gxOut, Plane* gyOut) {
        Plane best{width, height, std::vector<int>(size_t(width) * height, -1)};
        for (const Plane& channel : channels) {
            Plane p = channel;
            for (int pass = 0; pass < passes; ++pass) p = blur(p);
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    const auto at = [&](int dx, int dy) { return p.Clamped(x + dx, y + dy); };
                    const int gx = at(1, -1) + 2 * at(1, 0) + at(1, 1) - at(-1, -1) - 2 * at(-1, 0) - at(-1, 1);
                    const int gy = at(-1, 1) + 2 * at(0, 1) + at(1, 1) - at(-1, -1) - 2 * at(0, -1) - at(1, -1);
                    const int m = std::max(std::abs(gx), std::abs(gy)), n = std::min(std::abs(gx), std::abs(gy));
                    const int g = std::max(m, (m + n) * 181 / 256);
                    if (g > best.At(x, y)) {
                        best.At(x, y) = g;
                        if (gxOut) gxOut->At(x, y) = gx, gyOut->At(x, y) = gy;
                    }
                }
            }
        }
        Plane inhibited = best;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                int sum = 0;
                for (int dy = -10; dy <= 10; ++dy) {
                    for (int dx = -10; dx <= 10; ++dx) sum += best.Clamped(x + dx, y + dy);
                }
                inhibited.At(x, y) = std::max(0, best.At(x, y) - sum / 441);
            }
        }
        return inhibited;
    };
    Plane gx{width, height}, gy{width, height};
    const Plane fine = strength(1, &gx, &gy);
    const Plane coarse = strength(10, nullptr, nullptr);
    Plane m{width, height};
    for (size_t i = 0; i < m.values.size(); ++i) {
        m.values[i] = int(std::floor(std::sqrt(double(fine.values[i]) * coarse.values[i])));
    }
    // Thinned across the gradient, classed, and grown from the strong.
    // 110 at contrast index 6, doubling every 4, the power rounded to 64ths.
    const int high = 110 * int(std::lround(64 * std::pow(2.0, (std::clamp(contrast, 0, 15) - 6) / 4.0))) >> 6;
    const int low = high * 40 / 100;
    Plane weak{width, height}, line{width, height};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int ax = std::abs(gx.At(x, y)), ay = std::abs(gy.At(x, y));
            int dx = 0, dy = 1;
            if (ay * 256 <= ax * 106) {
                dx = 1, dy = 0;
            } else if (ax * 256 > ay * 106) {
                dx = (gx.At(x, y) < 0) == (gy.At(x, y) < 0) ? 1 : -1;
            }
            const int v = m.At(x, y);
            const bool kept = v > m.OrZero(x + dx, y + dy) && v >= m.OrZero(x - dx, y - dy);
            weak.At(x, y) = kept && v >= low;
            line.At(x, y) = kept && v >= high;
        }
    }
    for (int step = 0; step < 16; ++step) {
        Plane next = line;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                bool near = false;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) near = near || line.OrZero(x + dx, y + dy);
                }
                next.At(x, y) = weak.At(x, y) && near;
            }
        }
        line = next;
    }
    // Each line point and each step towards a line neighbour to the right or
    // below, stamped as a square of the line's width.
    const int thin = std::max(1, (longer + 500) / 1000), lineWidth = thickness ? 2 * thin : thin;
    Picture result{source.width, source.height, std::vector<Bgr>(source.pixels.size(), Bgr{255, 255, 255})};
    const auto stamp = [&](int px, int py) {
        for (int y = py - (lineWidth - 1) / 2; y <= py + lineWidth / 2; ++y) {
            for (int x = px - (lineWidth - 1) / 2; x <= px + lineWidth / 2; ++x) {
                if (x >= 0 && y >= 0 && x < source.width && y < source.height) result.At(x, y) = {0, 0, 0};
            }
        }
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (!line.At(x, y)) continue;
            stamp(x * k + k / 2, y * k + k / 2);
            for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 1}, {0, 1}, {1, 1}}) {
                if (!line.OrZero(x + dx, y + dy)) continue;
                for (int t = 0; t <= k; ++t) stamp(x * k + k / 2 + dx * t, y * k + k / 2 + dy * t);
            }
        }
    }
    return result;
}

Picture Extract(const Picture& source, int thickness, int contrast, InstructionSet set = WidestInstructionSet()) {
    return ExtractedWith(ExtractPhoto, source, thickness, contrast, set);
}

// A picture of the unit square's colours, each pixel the mean of 4 x 4
// samples, so that the same scene can be had at any size.
using Scene = std::function<Bgr(double u, double v)>;

Picture Render(const Scene& scene, int width, int height) {
    Picture picture{width, height, std::vector<Bgr>(size_t(width) * height)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int sum[3] = {};
            for (int s = 0; s < 16; ++s) {
                const Bgr c = scene((x + (s % 4 + 0.5) / 4) / width, (y + (s / 4 + 0.5) / 4) / height);
                sum[0] += c.blue, sum[1] += c.green, sum[2] += c.red;
            }
            picture.At(x, y) = {uint8_t(sum[0] / 16), uint8_t(sum[1] / 16), uint8_t(sum[2] / 16)};
        }
    }
    return picture;
}

// Half the plane one colour, half another, split through the middle at the
// angle.
Scene Step(double degrees, Bgr first, Bgr second) {
    const double angle = degrees * 3.14159265358979 / 180;
    return [=](double u, double v) { return (u - 0.5) * std::cos(angle) + (v - 0.5) * std::sin(angle) < 0 ? first : second; };
}

// Shapes of several colours, one of the same brightness as the ground, on a
// shaded ground with a fine texture: what a photo gives the style to draw.
Bgr Shapes(double u, double v) {
    const auto in = [&](double cu, double cv, double r) { return (u - cu) * (u - cu) + (v - cv) * (v - cv) < r * r; };
    if (in(0.3, 0.4, 0.18)) return {40, 60, 200};
    if (in(0.72, 0.62, 0.15)) return {150, 140, 130};
    if (std::abs(u - 0.6) + std::abs(v - 0.25) < 0.12) return {200, 180, 30};
    if (u > 0.15 && u < 0.55 && v > 0.75 && v < 0.88) return {30, 40, 50};
    const int shade = int(150 + 40 * v + 12 * std::sin(u * 240) * std::sin(v * 240));
    return {uint8_t(shade - 20), uint8_t(shade), uint8_t(shade)};
}

struct Case {
    std::string name;
    Picture picture;
};

// Pictures built to catch faults: steps at every angle in brightness and in
// colour alone, pictures one pixel wide or high, flat ones, noise, and sizes
// reduced by 2, 3, 6 and 260 with partial blocks at the right and bottom,
// whose rows pass through every ring.
std::vector<Case> Cases() {
    std::vector<Case> cases;
    for (int degrees = 0; degrees < 180; degrees += 15) {
        cases.push_back({"step at " + std::to_string(degrees), Render(Step(degrees, {30, 30, 30}, {220, 220, 220}), 61, 47)});
    }
    cases.push_back({"colour step", Render(Step(30, {60, 160, 200}, {200, 160, 60}), 50, 40)});
    cases.push_back({"one pixel wide", Render(Step(80, {0, 0, 0}, {255, 255, 255}), 1, 90)});
    cases.push_back({"one pixel high", Render(Step(10, {0, 0, 0}, {255, 255, 255}), 90, 1)});
    cases.push_back({"one pixel", GreyPicture({{7}})});
    cases.push_back({"flat", GreyPicture({{90, 90, 90}, {90, 90, 90}})});
    for (const auto& [width, height] : {std::pair{2, 2}, {3, 70}, {17, 5}, {65, 50}, {130, 9}}) {
        cases.push_back({"random " + std::to_string(width) + "x" + std::to_string(height),
                         RandomPicture(width, height, uint32_t(width * 100 + height))});
    }
    cases.push_back({"shapes 801x35", Render(Shapes, 801, 35)});
    cases.push_back({"shapes 47x1290", Render(Shapes, 47, 1290)});
    cases.push_back({"random 2755x13", RandomPicture(2755, 13, 4)});
    // Blocks of 260 rows of white: more than a 16-bit column sum holds.
    cases.push_back({"step 2x130000", Render(Step(90, {20, 20, 20}, {255, 255, 255}), 2, 130000)});
    return cases;
}

// The picture's rows streamed bottom row first, as an upside-down photo's
// are, the result rows put back in their upright places.
Picture StreamedFromTheBottom(const Picture& source, int thickness, int contrast) {
    const auto rows = PhotoRows::Create(source.width, source.height, thickness, contrast, true);
    Picture result = source;
    std::vector<uint8_t> row(3 * size_t(source.width));
    for (int y = source.height - 1, taken = source.height - 1; y >= 0; --y) {
        for (int x = 0; x < source.width; ++x) {
            const Bgr& p = source.At(x, y);
            row[3 * x] = p.blue, row[3 * x + 1] = p.green, row[3 * x + 2] = p.red;
        }
        rows->Put(row.data());
        for (; rows->Ready(); --taken) {
            rows->Take(row.data());
            for (int x = 0; x < source.width; ++x) result.At(x, taken) = {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
        }
    }
    return result;
}

// Every instruction set gives the method's drawing, and rows that come
// bottom row first give the upright picture's.
TEST(ExtractPhoto, EveryInstructionSetAndRowOrderFollowsTheMethod) {
    for (const Case& c : Cases()) {
        for (int thickness : {0, 1}) {
            for (int contrast : {-1, 0, 6, 15}) {
                SCOPED_TRACE(c.name + ", thickness " + std::to_string(thickness) + ", contrast " +
                             std::to_string(contrast));
                const Picture expected = ReferencePhoto(c.picture, thickness, contrast);
                for (InstructionSet set : RunnableInstructionSets()) {
                    ASSERT_EQ(FirstDifference(expected, Extract(c.picture, thickness, contrast, set)), "")
                        << InstructionSetName(set);
                }
                if (contrast == 6) {
                    ASSERT_EQ(FirstDifference(expected, StreamedFromTheBottom(c.picture, thickness, 6)), "");
                }
            }
        }
    }
}

int Black(const Picture& picture) {
    return int(std::count(picture.pixels.begin(), picture.pixels.end(), Bgr{0, 0, 0}));
}

// A step at any angle gives one line along it, unbroken, and nothing else;
// a flat picture gives nothing.
TEST(ExtractPhoto, DrawsEachStepOnceAndNothingWhereNothingChanges) {
    for (int degrees = 0; degrees < 180; degrees += 15) {
        const Picture result = Extract(Render(Step(degrees, {30, 30, 30}, {220, 220, 220}), 120, 120), 0, 6);
        const double angle = degrees * 3.14159265358979 / 180;
        const auto across = [&](double x, double y) {
            return (x + 0.5 - 60) * std::cos(angle) + (y + 0.5 - 60) * std::sin(angle);
        };
        for (int y = 0; y < 120; ++y) {
            for (int x = 0; x < 120; ++x) {
                ASSERT_TRUE(result.At(x, y).blue != 0 || std::abs(across(x, y)) <= 1.5)
                    << degrees << " degrees: a line at (" << x << ", " << y << ") off the step";
            }
        }
        // Every pixel on the step has a line pixel next to it.
        for (int t = -50; t <= 50; ++t) {
            const int x = int(std::lround(59.5 - t * std::sin(angle))), y = int(std::lround(59.5 + t * std::cos(angle)));
            const Picture around = Crop(result, x - 1, y - 1, 3, 3);
            EXPECT_GT(Black(around), 0) << degrees << " degrees: a gap at (" << x << ", " << y << ")";
        }
    }
    EXPECT_EQ(Black(Extract(GreyPicture(std::vector<std::vector<int>>(40, std::vector<int>(60, 128))), 1, 0)), 0);
}

TEST(ExtractPhoto, HigherContrastNeverAddsALine) {
    const Picture source = Render(Shapes, 300, 220);
    Picture previous = Extract(source, 0, 0);
    for (int contrast = 1; contrast <= 15; ++contrast) {
        const Picture result = Extract(source, 0, contrast);
        for (size_t i = 0; i < result.pixels.size(); ++i) {
            ASSERT_FALSE(result.pixels[i].blue == 0 && previous.pixels[i].blue != 0)
                << "contrast " << contrast << " adds pixel " << i;
        }
        previous = result;
    }
}

// The scene at 1600 x 1200 and at a quarter of that give the same drawing:
// the large one, reduced to the small one's size (a pixel black where any
// of its 4 x 4 is), agrees with it within 2 pixels, F at least 0.8.
TEST(ExtractPhoto, APictureAndTheSamePictureAtAQuarterGiveTheSameDrawing) {
    const Picture small = Extract(Render(Shapes, 400, 300), 0, 6);
    const Picture large = Extract(Render(Shapes, 1600, 1200), 0, 6);
    Picture reduced{400, 300, std::vector<Bgr>(size_t(400) * 300, Bgr{255, 255, 255})};
    for (int y = 0; y < 1200; ++y) {
        for (int x = 0; x < 1600; ++x) {
            if (large.At(x, y).blue == 0) reduced.At(x / 4, y / 4) = {0, 0, 0};
        }
    }
    DibHandle reducedImage = MakeImage(reduced), smallImage = MakeImage(small);
    const LineFidelity agreed = MeasureLineFidelity(reducedImage, smallImage, 2);
    ImgRelease(reducedImage);
    ImgRelease(smallImage);
    const double precision = agreed.drawnRendered, recall = agreed.renderedDrawn;
    EXPECT_GE(2 * precision * recall / (precision + recall), 0.8) << precision << ", " << recall;
    const double share = double(Black(small)) / double(small.pixels.size());
    EXPECT_TRUE(share > 0.01 && share < 0.2) << share;
}

}  // namespace
