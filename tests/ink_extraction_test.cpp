#include "base/line_choices.h"
#include "kernels/ink_extraction.h"
#include "kernels/noise_removal.h"
#include "kernels/photo_lines.h"
#include "pipeline/line_rows.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// Black where `ink` is set or, when grown, any of its eight neighbours is,
// white elsewhere.
Picture BlackAndWhite(int width, int height, const std::vector<bool>& ink, bool grown) {
    Picture result{width, height, std::vector<Bgr>(size_t(width) * height, Bgr{255, 255, 255})};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int ny = std::max(y - grown, 0); ny <= std::min(y + grown, height - 1); ++ny) {
                for (int nx = std::max(x - grown, 0); nx <= std::min(x + grown, width - 1); ++nx) {
                    if (ink[size_t(ny) * width + nx]) result.At(x, y) = {0, 0, 0};
                }
            }
        }
    }
    return result;
}

// The rule of ink_extraction.h written plainly on picture coordinates, one
// window at a time: the yardstick for every instruction set and for rows
// streamed through LineRows.
Picture ReferenceInk(const Picture& source, int thickness, int contrast) {
    const int width = source.width, height = source.height;
    std::vector<int> luma(size_t(width) * height);
    for (size_t i = 0; i < luma.size(); ++i) {
        const Bgr& p = source.pixels[i];
        luma[i] = (15 * p.blue + 75 * p.green + 38 * p.red + 64) >> 7;
    }
    const int multiplier = ((251 - std::clamp(contrast, -1, 251)) * 256 + 126) / 252;
    std::vector<bool> ink(luma.size());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Each column's sum is divided by 16 before the columns are added.
            int sum = 0;
            for (int dx = -32; dx < 32; ++dx) {
                int column = 0;
                for (int dy = -31; dy <= 31; ++dy) {
                    const int row = std::clamp(y + dy, 0, height - 1);
                    column += luma[size_t(row) * width + std::clamp(x + dx, 0, width - 1)];
                }
                sum += column >> 4;
            }
            ink[size_t(y) * width + x] = luma[size_t(y) * width + x] < (sum * multiplier >> 16) - 2;
        }
    }
    return BlackAndWhite(width, height, ink, thickness != 0);
}

Picture Extract(const Picture& source, int thickness, int contrast, InstructionSet set = WidestInstructionSet()) {
    return ExtractedWith(ExtractInk, source, thickness, contrast, set);
}

// Streams the picture through LineRows as ink, rows in and out top first.
Picture Stream(const Picture& source, int thickness, int contrast, bool removeNoise) {
    Picture result = source;
    const auto rows = LineRows::Create(source.width, source.height, thickness, contrast, removeNoise, LineStyle::Ink);
    EXPECT_NE(rows, nullptr);
    if (!rows) return result;
    int next = 0;
    const ResultRowSink sink = [&](int y, uint8_t* row) {
        EXPECT_EQ(y, next++) << "rows out of order";
        for (int x = 0; x < source.width; ++x) result.At(x, y) = {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
        return true;
    };
    for (int y = 0; y < source.height; ++y) {
        uint8_t* row = rows->SourceRow();
        for (int x = 0; x < source.width; ++x) {
            const Bgr& p = source.At(x, y);
            row[3 * x] = p.blue, row[3 * x + 1] = p.green, row[3 * x + 2] = p.red;
        }
        EXPECT_TRUE(rows->Put(sink));
    }
    EXPECT_TRUE(rows->End(sink));
    EXPECT_EQ(next, source.height) << "rows missing";
    return result;
}

// Paper of the given grey with a dark straight stroke of the width through
// (cx, cy) at the angle; the stroke's pixels are those whose centre lies
// within half the width of its centre line.
Picture StrokePicture(int width, int height, double strokeWidth, double degrees, double cx, double cy, int paper,
                      int stroke) {
    Picture picture{width, height, std::vector<Bgr>(size_t(width) * height)};
    const double angle = degrees * 3.14159265358979 / 180;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double across = -(x - cx) * std::sin(angle) + (y - cy) * std::cos(angle);
            const uint8_t value = uint8_t(std::abs(across) <= strokeWidth / 2 ? stroke : paper);
            picture.At(x, y) = {value, value, value};
        }
    }
    return picture;
}

Picture Gradient(int width, int height, int from, int to) {
    Picture picture{width, height, std::vector<Bgr>(size_t(width) * height)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t value = uint8_t(from + (to - from) * (x + y) / std::max(width + height - 2, 1));
            picture.At(x, y) = {value, uint8_t(value - value / 16), value};
        }
    }
    return picture;
}

// Every byte random: luma near every threshold, so that a weight or a sum
// off by one changes some pixel.
Picture Noise(int width, int height, uint32_t seed) {
    std::mt19937 random(seed);
    Picture picture{width, height, std::vector<Bgr>(size_t(width) * height)};
    for (Bgr& p : picture.pixels) p = {uint8_t(random()), uint8_t(random()), uint8_t(random())};
    return picture;
}

struct Case {
    std::string name;
    Picture picture;
};

// Pictures built to catch faults at borders, in the window's sums, in the
// vector loops' tails and in the rings of rows.
std::vector<Case> Cases() {
    std::vector<Case> cases;
    for (int strokeWidth = 1; strokeWidth <= 12; ++strokeWidth) {
        for (int degrees : {0, 20, 45, 70, 90, 135}) {
            cases.push_back({"stroke " + std::to_string(strokeWidth) + " at " + std::to_string(degrees),
                             StrokePicture(53, 41, strokeWidth, degrees, 26, 20, 230, 40 + 9 * strokeWidth)});
        }
    }
    cases.push_back({"stroke along the top border", StrokePicture(70, 35, 5, 0, 35, 0, 240, 90)});
    cases.push_back({"stroke along the right border", StrokePicture(70, 35, 5, 90, 69, 17, 240, 90)});
    cases.push_back({"one pixel wide", StrokePicture(1, 80, 3, 0, 0, 40, 200, 30)});
    cases.push_back({"one pixel high", StrokePicture(90, 1, 3, 90, 45, 0, 200, 30)});
    cases.push_back({"one pixel", GreyPicture({{7}})});
    cases.push_back({"flat", Gradient(37, 29, 180, 180)});
    cases.push_back({"gradient", Gradient(77, 66, 30, 250)});
    for (const auto& [width, height] : {std::pair{2, 2}, {3, 70}, {17, 5}, {33, 33}, {34, 35}, {65, 50}, {130, 9}}) {
        cases.push_back({"random " + std::to_string(width) + "x" + std::to_string(height),
                         RandomPicture(width, height, uint32_t(width * 100 + height))});
    }
    cases.push_back({"noise", Noise(150, 70, 5)});
    return cases;
}

TEST(ExtractInk, EveryInstructionSetFollowsTheRule) {
    for (const Case& c : Cases()) {
        for (int thickness : {0, 1}) {
            for (int contrast : {-1, 0, 7, 15}) {
                const Picture expected = ReferenceInk(c.picture, thickness, contrast);
                for (InstructionSet set : RunnableInstructionSets()) {
                    EXPECT_EQ(FirstDifference(expected, Extract(c.picture, thickness, contrast, set)), "")
                        << c.name << ", " << InstructionSetName(set) << ", thickness " << thickness << ", contrast "
                        << contrast;
                }
            }
        }
    }
}

TEST(ExtractInk, StreamedRowsMatchTheWholePictureWithAndWithoutNoiseRemoval) {
    for (const Case& c : Cases()) {
        for (int thickness : {0, 1}) {
            for (bool removeNoise : {false, true}) {
                DibHandle source = MakeImage(c.picture);
                DibHandle whole = MakeImage(c.picture);
                ASSERT_TRUE(ExtractInk(source, whole, thickness, 7));
                if (removeNoise) {
                    ASSERT_TRUE(RemoveSpecks(whole, thickness));
                }
                EXPECT_EQ(FirstDifference(ReadImage(whole), Stream(c.picture, thickness, 7, removeNoise)), "")
                    << c.name << ", thickness " << thickness << ", noise removal " << removeNoise;
                ImgRelease(source);
                ImgRelease(whole);
            }
        }
    }
}

// Counts the black pixels of a result.
int Ink(const Picture& picture) {
    return int(std::count(picture.pixels.begin(), picture.pixels.end(), Bgr{0, 0, 0}));
}

TEST(ExtractInk, FlatAndGentlyShadedPicturesGiveNoLine) {
    const Picture pictures[] = {Gradient(200, 150, 200, 200), Gradient(200, 150, 160, 250),
                                Gradient(300, 40, 250, 190)};
    for (const Picture& picture : pictures) {
        for (int contrast = 0; contrast <= 15; ++contrast) {
            EXPECT_EQ(Ink(Extract(picture, 1, contrast)), 0) << "contrast " << contrast;
        }
    }
}

TEST(ExtractInk, AStrokeComesOutSolidAndAsWideAsItIs) {
    for (int strokeWidth = 1; strokeWidth <= 12; ++strokeWidth) {
        const Picture source = StrokePicture(80, 60, strokeWidth, 30, 40, 30, 225, 60);
        const Picture result = Extract(source, 0, 7);
        // Exactly the stroke's pixels: the result is the stroke picture in
        // black and white.
        Picture expected = source;
        for (Bgr& p : expected.pixels) p = p.blue == 60 ? Bgr{0, 0, 0} : Bgr{255, 255, 255};
        EXPECT_EQ(FirstDifference(expected, result), "") << "width " << strokeWidth;
    }
}

TEST(ExtractInk, HigherContrastNeverAddsALine) {
    const Picture source = RandomPicture(90, 70, 99);
    for (int thickness : {0, 1}) {
        Picture previous = Extract(source, thickness, -1);
        for (int contrast = 0; contrast <= 16; ++contrast) {
            const Picture result = Extract(source, thickness, contrast);
            for (size_t i = 0; i < result.pixels.size(); ++i) {
                ASSERT_FALSE(result.pixels[i].blue == 0 && previous.pixels[i].blue != 0)
                    << "contrast " << contrast << " adds pixel " << i;
            }
            previous = result;
        }
    }
}

TEST(ExtractInk, ThickIsThinGrownByOnePixelAllRound) {
    const Picture source = RandomPicture(61, 47, 7);
    const Picture thin = Extract(source, 0, 5);
    const Picture thick = Extract(source, 1, 5);
    std::vector<bool> ink;
    for (const Bgr& p : thin.pixels) ink.push_back(p.blue == 0);
    EXPECT_EQ(FirstDifference(BlackAndWhite(source.width, source.height, ink, true), thick), "");
}

// Ink and photo lines, which need working memory, fail and leave the result
// as it was when it cannot be had.
TEST(ExtractInkAndPhoto, LeaveTheResultAloneWhenMemoryRunsOut) {
    const std::pair<ExtractFunction, LineStyle> styles[] = {{ExtractInk, LineStyle::Ink},
                                                             {ExtractPhoto, LineStyle::Photo}};
    const Picture source = RandomPicture(300, 20, 3);
    for (const auto& [extract, style] : styles) {
        DibHandle from = MakeImage(source);
        DibHandle to = MakeImage(source);
        {
            const MemoryBudget budget(ImgPixelBytesInUse() + 1000);
            EXPECT_FALSE(extract(from, to, 0, 7, WidestInstructionSet())) << int(style);
            EXPECT_EQ(LineRows::Create(300, 20, 0, 7, false, style), nullptr) << int(style);
        }
        EXPECT_EQ(FirstDifference(source, ReadImage(to)), "") << int(style);
        ImgRelease(from);
        ImgRelease(to);
    }
}

}  // namespace
