#include "kernels/edge_extraction.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#if defined(__SSE2__)
#include <cpuid.h>
#endif

namespace {

// The decision rule written plainly on picture coordinates: the yardstick for
// ExtractEdges on every size and option.
Picture ReferenceEdges(const Picture& source, int thickness, int contrast) {
    const int threshold = 4 * contrast + 4;
    Picture result = source;
    for (int y = 0; y < source.height; ++y) {
        for (int x = 0; x < source.width; ++x) {
            const int neighbours[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
            bool edge = false;
            for (const auto& n : neighbours) {
                if (edge || n[0] < 0 || n[0] >= source.width || n[1] < 0 || n[1] >= source.height) continue;
                const Bgr& p = source.At(x, y);
                const Bgr& q = source.At(n[0], n[1]);
                const int differences[3] = {p.blue - q.blue, p.green - q.green, p.red - q.red};
                for (int d : differences) {
                    if (d < -threshold) {
                        edge = true;
                        break;
                    }
                    if (d > threshold) {
                        edge = thickness != 0;
                        break;
                    }
                }
            }
            const uint8_t value = edge ? 0 : 255;
            result.At(x, y) = {value, value, value};
        }
    }
    return result;
}

Picture Extract(const Picture& source, int thickness, int contrast, InstructionSet set = WidestInstructionSet()) {
    const ExtractFunction edges = [](DibHandle from, DibHandle to, int thick, int contrastIndex, InstructionSet vectors) {
        ExtractEdges(from, to, thick, contrastIndex, vectors);
        return true;
    };
    return ExtractedWith(edges, source, thickness, contrast, set);
}

Picture Bgrs(int width, int height, const std::vector<Bgr>& pixels) {
    return Picture{width, height, pixels};
}

// A checkerboard whose odd squares differ from the even ones, channel by
// channel, by exactly 0, plus or minus the threshold, or plus or minus one
// more. Each channel has its own even value, which puts some odd values on 0
// and 255.
Picture ThresholdPicture(int width, int height, int threshold, uint32_t seed) {
    std::mt19937 random(seed);
    const int steps[5] = {0, threshold, -threshold, threshold + 1, -threshold - 1};
    int evens[3] = {threshold + 1, 128, 254 - threshold};
    std::shuffle(std::begin(evens), std::end(evens), random);
    Picture picture{width, height, std::vector<Bgr>(size_t(width) * height)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t channels[3];
            for (int c = 0; c < 3; ++c) {
                channels[c] = uint8_t((x + y) % 2 == 1 ? evens[c] + steps[random() % 5] : evens[c]);
            }
            picture.At(x, y) = {channels[0], channels[1], channels[2]};
        }
    }
    return picture;
}

// Black and white areas, the extremes of every difference, with a few
// random pixels.
Picture FlatAreasPicture(int width, int height, uint32_t seed) {
    std::mt19937 random(seed);
    Picture picture{width, height, std::vector<Bgr>(size_t(width) * height)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t value = (x / 3 + y / 2) % 3 == 0 ? 0 : 255;
            picture.At(x, y) = {value, value, value};
            if (random() % 11 == 0) picture.At(x, y) = {uint8_t(random()), uint8_t(random()), uint8_t(random())};
        }
    }
    return picture;
}

// Every instruction set gives the rule's result.
void ExpectTheRule(const Picture& source, int thickness, int contrast, const char* kind) {
    const Picture expected = ReferenceEdges(source, thickness, contrast);
    for (InstructionSet set : RunnableInstructionSets()) {
        ASSERT_EQ(FirstDifference(expected, Extract(source, thickness, contrast, set)), "")
            << InstructionSetName(set) << ", " << kind << " " << source.width << "x" << source.height
            << " thickness " << thickness << " contrast " << contrast;
    }
}

#if defined(__SSE2__)

// Asked of the processor itself: it has AVX2, and the system saves the
// 32-byte registers.
bool ProcessorRunsAvx2() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE) || !(c & bit_AVX)) return false;
    unsigned savedLow = 0, savedHigh = 0;
    asm("xgetbv" : "=a"(savedLow), "=d"(savedHigh) : "c"(0));
    if ((savedLow & 6) != 6) return false;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_AVX2);
}

#endif

}  // namespace

#if defined(__SSE2__)

TEST(InstructionSet, Avx2IsChosenExactlyWhereTheProcessorAndSystemRunIt) {
    EXPECT_EQ(WidestInstructionSet() == InstructionSet::Avx2, ProcessorRunsAvx2());
}

#elif defined(__aarch64__)

TEST(InstructionSet, NeonIsChosenOnEveryAarch64Processor) {
    EXPECT_EQ(WidestInstructionSet(), InstructionSet::Neon);
    EXPECT_STREQ(InstructionSetName(WidestInstructionSet()), "NEON");
}

#endif

TEST(ExtractEdges, GreyBlockOnWhiteGivesOneAndTwoPixelLines) {
    const Picture source = GreyPicture({{255, 255, 255, 255}, {255, 0, 0, 255}, {255, 255, 255, 255}});
    EXPECT_EQ(FirstDifference(DarkPicture({"....", ".DD.", "...."}), Extract(source, 0, 0)), "");
    EXPECT_EQ(FirstDifference(DarkPicture({".DD.", "DDDD", ".DD."}), Extract(source, 1, 0)), "");
}

TEST(ExtractEdges, ThinModeReleasesANeighbourOnTheFirstBrighterChannel) {
    const Picture source = Bgrs(3, 2, {{100, 100, 100}, {108, 100, 100}, {109, 100, 100},
                                       {100, 100, 100}, {100, 100, 100}, {255, 0, 0}});
    EXPECT_EQ(FirstDifference(DarkPicture({"..D", ".D."}), Extract(source, 0, 1)), "");
    EXPECT_EQ(FirstDifference(DarkPicture({"..D", ".DD"}), Extract(source, 1, 1)), "");
}

TEST(ExtractEdges, ThresholdIsStrictAtBothEnds) {
    // Contrast index 15: threshold 64.
    EXPECT_EQ(FirstDifference(DarkPicture({".."}), Extract(GreyPicture({{100, 164}}), 0, 15)), "");
    EXPECT_EQ(FirstDifference(DarkPicture({"D."}), Extract(GreyPicture({{100, 165}}), 0, 15)), "");
    EXPECT_EQ(FirstDifference(DarkPicture({"DD"}), Extract(GreyPicture({{100, 165}}), 1, 15)), "");
    // Contrast index 0: threshold 4.
    EXPECT_EQ(FirstDifference(DarkPicture({".", "."}), Extract(GreyPicture({{10}, {14}}), 1, 0)), "");
    EXPECT_EQ(FirstDifference(DarkPicture({"D", "D"}), Extract(GreyPicture({{10}, {15}}), 1, 0)), "");
}

TEST(ExtractEdges, BlueDecidesFirstInThinMode) {
    const Picture source = Bgrs(2, 1, {{255, 0, 0}, {0, 255, 255}});
    EXPECT_EQ(FirstDifference(DarkPicture({".D"}), Extract(source, 0, 6)), "");
    EXPECT_EQ(FirstDifference(DarkPicture({"DD"}), Extract(source, 1, 6)), "");
}

TEST(ExtractEdges, AnyNonZeroThicknessIsThick) {
    const Picture source = GreyPicture({{0, 255}, {255, 255}});
    EXPECT_EQ(FirstDifference(Extract(source, 1, 3), Extract(source, 2, 3)), "");
    EXPECT_EQ(FirstDifference(Extract(source, 1, 3), Extract(source, -7, 3)), "");
}

TEST(ExtractEdges, UniformAndSinglePixelPicturesComeOutWhite) {
    EXPECT_EQ(FirstDifference(DarkPicture({"."}), Extract(GreyPicture({{0}}), 1, 0)), "");
    for (int value : {0, 77, 255}) {
        const Picture source = GreyPicture(std::vector<std::vector<int>>(5, std::vector<int>(7, value)));
        EXPECT_EQ(FirstDifference(DarkPicture(std::vector<std::string>(5, ".......")), Extract(source, 1, 0)), "");
    }
}

TEST(ExtractEdges, OneColumnComparesOnlyAboveAndBelow) {
    EXPECT_EQ(FirstDifference(DarkPicture({".", "D", "."}), Extract(GreyPicture({{200}, {0}, {200}}), 0, 6)), "");
}

TEST(ExtractEdges, MatchesTheRuleOnRandomPicturesOfEverySmallSize) {
    uint32_t seed = 1;
    for (int height = 1; height <= 6; ++height) {
        for (int width = 1; width <= 9; ++width) {
            const Picture source = RandomPicture(width, height, seed++);
            for (int thickness : {0, 1, 5}) {
                for (int contrast : {0, 3, 6, 15}) ExpectTheRule(source, thickness, contrast, "random");
            }
        }
    }
}

TEST(ExtractEdges, MatchesTheRuleOnLargerPictures) {
    for (auto [width, height] : {std::pair{67, 45}, std::pair{128, 3}, std::pair{3, 130}, std::pair{101, 99}}) {
        const Picture source = RandomPicture(width, height, uint32_t(width * 1000 + height));
        for (int thickness : {0, 1}) {
            for (int contrast = 0; contrast < 16; ++contrast) ExpectTheRule(source, thickness, contrast, "random");
        }
    }
}

TEST(ExtractEdges, MatchesTheRuleOnEveryWidthPaddingAndThreshold) {
    // Widths up to 70 cover every padding and every remainder after the
    // five- and ten-pixel blocks at both ends of a row.
    uint32_t seed = 100;
    for (int height : {1, 2, 3, 5}) {
        for (int width = 1; width <= 70; ++width) {
            const Picture random = RandomPicture(width, height, seed++);
            const Picture flat = FlatAreasPicture(width, height, seed++);
            for (int contrast = 0; contrast < 16; ++contrast) {
                const Picture steps = ThresholdPicture(width, height, 4 * contrast + 4, seed++);
                for (int thickness : {0, 1, 2}) {
                    ExpectTheRule(random, thickness, contrast, "random");
                    ExpectTheRule(flat, thickness, contrast, "flat");
                    ExpectTheRule(steps, thickness, contrast, "threshold steps");
                }
            }
        }
    }
}

TEST(ExtractEdges, MatchesTheRuleOnDifferencesAtTheThresholdInLargerPictures) {
    uint32_t seed = 5000;
    for (auto [width, height] : {std::pair{64, 9}, std::pair{71, 12}, std::pair{200, 7}}) {
        for (int contrast = 0; contrast < 16; ++contrast) {
            const Picture source = ThresholdPicture(width, height, 4 * contrast + 4, seed++);
            for (int thickness : {0, 1, -3}) ExpectTheRule(source, thickness, contrast, "threshold steps");
        }
    }
}

TEST(ExtractEdges, ContrastsOutsideTheIndexRangeFollowTheRule) {
    uint32_t seed = 9000;
    for (int width : {1, 7, 23, 40}) {
        const Picture flat = FlatAreasPicture(width, 4, seed++);
        const Picture random = RandomPicture(width, 4, seed++);
        for (int contrast : {-1, 16, 40, 62, 63, 64, 1000}) {
            for (int thickness : {0, 1}) {
                ExpectTheRule(flat, thickness, contrast, "flat");
                ExpectTheRule(random, thickness, contrast, "random");
            }
        }
    }
}
