#include "kernels/edge_extraction.h"
#include "kernels/noise_removal.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

// The outcome stated plainly: label every 8-connected group of dark pixels
// (blue not 255) and paint white each group smaller than the limit.
Picture ReferenceSpecksRemoved(const Picture& picture, int thickness) {
    const size_t limit = thickness == 0 ? 3 : 9;
    auto dark = [&](int x, int y) { return picture.At(x, y).blue != 255; };
    std::vector<int> label(picture.pixels.size(), -1);
    Picture result = picture;
    for (int startY = 0; startY < picture.height; ++startY) {
        for (int startX = 0; startX < picture.width; ++startX) {
            if (!dark(startX, startY) || label[size_t(startY) * picture.width + startX] >= 0) continue;
            std::vector<std::pair<int, int>> group;
            std::deque<std::pair<int, int>> pending{{startX, startY}};
            label[size_t(startY) * picture.width + startX] = 1;
            while (!pending.empty()) {
                auto [x, y] = pending.front();
                pending.pop_front();
                group.push_back({x, y});
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx;
                        const int ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= picture.width || ny >= picture.height || !dark(nx, ny)) continue;
                        int& seen = label[size_t(ny) * picture.width + nx];
                        if (seen < 0) {
                            seen = 1;
                            pending.push_back({nx, ny});
                        }
                    }
                }
            }
            if (group.size() < limit) {
                for (auto [x, y] : group) result.At(x, y) = {255, 255, 255};
            }
        }
    }
    return result;
}

Picture RemoveFrom(const Picture& picture, int thickness, InstructionSet set = WidestInstructionSet()) {
    DibHandle image = MakeImage(picture, 0x3C);
    RemoveSpecks(image, thickness, set);
    EXPECT_TRUE(PaddingIs(image, 0x3C)) << "padding was written";
    Picture result = ReadImage(image);
    ImgRelease(image);
    return result;
}

void ExpectRemoval(const std::vector<std::string>& before, int thickness, const std::vector<std::string>& after) {
    EXPECT_EQ(FirstDifference(DarkPicture(after), RemoveFrom(DarkPicture(before), thickness)), "")
        << "thickness " << thickness;
}

// Sparse dark pixels in clusters, so that groups of every size occur.
Picture SpeckledPicture(int width, int height, uint32_t seed, int percent) {
    std::mt19937 random(seed);
    Picture picture{width, height, std::vector<Bgr>(size_t(width) * height, Bgr{255, 255, 255})};
    for (Bgr& pixel : picture.pixels) {
        if (int(random() % 100) < percent) pixel = {uint8_t(random() % 255), uint8_t(random()), uint8_t(random())};
    }
    return picture;
}

// Speckles as above, with pale pixels among them: blue 255 and other channels
// not, which are not dark.
Picture PaleSpeckledPicture(int width, int height, uint32_t seed, int percent) {
    std::mt19937 random(~seed);
    Picture picture = SpeckledPicture(width, height, seed, percent);
    for (Bgr& pixel : picture.pixels) {
        if (random() % 5 == 0) pixel = {255, uint8_t(random()), uint8_t(random() % 255)};
    }
    return picture;
}

// A line drawing as the program makes it.
Picture Extracted(const Picture& source, int thickness, int contrast) {
    DibHandle from = MakeImage(source);
    DibHandle to = MakeImage(source);
    ExtractEdges(from, to, thickness, contrast);
    Picture result = ReadImage(to);
    ImgRelease(from);
    ImgRelease(to);
    return result;
}

// Every instruction set removes exactly the small groups.
void ExpectGroupSizes(const Picture& picture, int thickness, const char* kind) {
    const Picture expected = ReferenceSpecksRemoved(picture, thickness);
    for (InstructionSet set : RunnableInstructionSets()) {
        ASSERT_EQ(FirstDifference(expected, RemoveFrom(picture, thickness, set)), "")
            << InstructionSetName(set) << ", " << kind << " " << picture.width << "x" << picture.height
            << " thickness " << thickness;
    }
}

}  // namespace

TEST(RemoveSpecks, WorkedPictureKeepsOnlyTheGroupOfThreeInThinMode) {
    const std::vector<std::string> before = {"DD..D", ".D...", "...D.", "D...D"};
    ExpectRemoval(before, 0, {"DD...", ".D...", ".....", "....."});
    ExpectRemoval(before, 1, {".....", ".....", ".....", "....."});
}

TEST(RemoveSpecks, ARowOfFourStaysThinAndGoesThick) {
    ExpectRemoval({"DDDD"}, 0, {"DDDD"});
    ExpectRemoval({"DDDD"}, 1, {"...."});
}

TEST(RemoveSpecks, EightGoAndNineStayInThickMode) {
    ExpectRemoval({"DDDDDDDD..DDDDDDDDD"}, 1, {"..........DDDDDDDDD"});
}

TEST(RemoveSpecks, IsolatedAndCornerTouchingPixelsGoInBothModes) {
    for (int thickness : {0, 1}) {
        ExpectRemoval({"...", ".D.", "..."}, thickness, {"...", "...", "..."});
        ExpectRemoval({"D..", ".D.", "..."}, thickness, {"...", "...", "..."});
    }
}

TEST(RemoveSpecks, SmallShapesStayThinAndGoThick) {
    for (const auto& shape : {std::vector<std::string>{"DDD", "...", "..."}, {"D..", "DD.", "..."}, {"D..", ".D.", "..D"}}) {
        ExpectRemoval(shape, 0, shape);
        ExpectRemoval(shape, 1, {"...", "...", "..."});
    }
}

TEST(RemoveSpecks, RingOfEightNeedsOneMorePixelToStayThick) {
    ExpectRemoval({"DDD.", "D.D.", "DDD."}, 1, {"....", "....", "...."});
    ExpectRemoval({"DDD.", "D.D.", "DDD."}, 0, {"DDD.", "D.D.", "DDD."});
    ExpectRemoval({"DDD..", "D.D..", "DDD..", "...D."}, 1, {"DDD..", "D.D..", "DDD..", "...D."});
}

TEST(RemoveSpecks, AllDarkPicturesOfEightAndNinePixels) {
    ExpectRemoval({"DD", "DD", "DD", "DD"}, 1, {"..", "..", "..", ".."});
    ExpectRemoval({"DDD", "DDD", "DDD"}, 1, {"DDD", "DDD", "DDD"});
}

TEST(RemoveSpecks, OneColumnAndOneRowPictures) {
    ExpectRemoval({".", "D", "D", "."}, 0, {".", ".", ".", "."});
    ExpectRemoval({"D", "D", "D", "."}, 0, {"D", "D", "D", "."});
    ExpectRemoval({"DD.D"}, 0, {"...."});
    ExpectRemoval({"D.DD.DDD"}, 0, {".....DDD"});
}

TEST(RemoveSpecks, OnlyTheBlueByteDecidesDarkness) {
    const Picture picture{3, 1, {{254, 255, 255}, {255, 0, 0}, {255, 255, 255}}};
    const Picture result = RemoveFrom(picture, 0);
    EXPECT_EQ(result.At(0, 0), (Bgr{255, 255, 255}));
    EXPECT_EQ(result.At(1, 0), (Bgr{255, 0, 0}));
}

TEST(RemoveSpecks, AllWhiteIsUnchanged) {
    ExpectRemoval({"....", "....", "...."}, 1, {"....", "....", "...."});
}

TEST(RemoveSpecks, MatchesGroupSizesOnRandomPictures) {
    uint32_t seed = 7;
    for (int height = 1; height <= 7; ++height) {
        for (int width = 1; width <= 9; ++width) {
            for (int percent : {15, 40, 70}) {
                const Picture picture = SpeckledPicture(width, height, seed++, percent);
                for (int thickness : {0, 1}) ExpectGroupSizes(picture, thickness, "speckled");
            }
        }
    }
    for (auto [width, height] : {std::pair{97, 61}, std::pair{200, 2}, std::pair{1, 150}}) {
        for (int percent : {10, 30, 55}) {
            const Picture picture = SpeckledPicture(width, height, seed++, percent);
            for (int thickness : {0, 1, 3}) ExpectGroupSizes(picture, thickness, "speckled");
        }
    }
}

TEST(RemoveSpecks, MatchesGroupSizesOnEveryWidthAndPadding) {
    // Widths up to 70 cover every padding and every remainder after the runs
    // of 16 and 32 pixels checked at once; heights beyond 9 let groups reach rows
    // below the one their search starts in.
    uint32_t seed = 1000;
    for (int height : {1, 2, 3, 4, 9, 12}) {
        for (int width = 1; width <= 70; ++width) {
            for (int percent : {8, 35, 60}) {
                const Picture speckled = SpeckledPicture(width, height, seed++, percent);
                const Picture pale = PaleSpeckledPicture(width, height, seed++, percent);
                for (int thickness : {0, 1, 2}) {
                    ExpectGroupSizes(speckled, thickness, "speckled");
                    ExpectGroupSizes(pale, thickness, "pale");
                }
            }
        }
    }
}

TEST(RemoveSpecks, MatchesGroupSizesOnLineDrawings) {
    uint32_t seed = 3000;
    for (auto [width, height] : {std::pair{17, 40}, std::pair{64, 23}, std::pair{70, 70}, std::pair{131, 9}}) {
        const Picture source = RandomPicture(width, height, seed++);
        for (int thickness : {0, 1}) {
            for (int contrast : {2, 6, 11}) {
                ExpectGroupSizes(Extracted(source, thickness, contrast), thickness, "line drawing");
            }
        }
    }
}

TEST(RemoveSpecks, UniformPicturesOfEverySize) {
    for (int height : {1, 2, 3, 8, 9, 10}) {
        for (int width : {1, 2, 3, 15, 16, 17, 33, 48}) {
            for (const char* fill : {"D", "."}) {
                const std::vector<std::string> rows(size_t(height), std::string(size_t(width), fill[0]));
                for (int thickness : {0, 1}) ExpectGroupSizes(DarkPicture(rows), thickness, fill);
            }
        }
    }
}

TEST(RemoveSpecks, UprightLinesAreMeasuredOverTheRowsBelow) {
    // A straight and a zigzag line, each a group of the given length.
    const std::vector<std::string> blank(14, std::string(20, '.'));
    for (int length = 1; length <= 11; ++length) {
        std::vector<std::string> lines = blank;
        for (int y = 1; y < 1 + length; ++y) {
            lines[size_t(y)][3] = 'D';
            lines[size_t(y)][19 - y % 2] = 'D';
        }
        ExpectRemoval(lines, 0, length < 3 ? blank : lines);
        ExpectRemoval(lines, 1, length < 9 ? blank : lines);
    }
}
