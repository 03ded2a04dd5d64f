#include "container_checks.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool Complete(const std::vector<uint8_t>& bytes) {
    return JpegStructureComplete(bytes.data(), bytes.size());
}

}  // namespace

TEST(JpegStructureComplete, NeedsTheEndMarkerAfterTheScan) {
    // SOI, an APP1 segment whose payload holds a thumbnail's end marker, SOS
    // with two bytes of header, entropy data with a stuffed byte and a
    // restart marker, then EOI.
    const std::vector<uint8_t> whole = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x06, 0xFF, 0xD9, 0x00, 0x00,
                                        0xFF, 0xDA, 0x00, 0x04, 0x01, 0x02, 0x12, 0xFF, 0x00, 0x34,
                                        0xFF, 0xD0, 0x56, 0xFF, 0xD9};
    EXPECT_TRUE(Complete(whole));
    for (size_t length = 0; length < whole.size(); ++length) {
        EXPECT_FALSE(Complete(std::vector<uint8_t>(whole.begin(), whole.begin() + std::ptrdiff_t(length))))
            << "cut to " << length;
    }
}

TEST(JpegStructureComplete, RejectsASegmentLongerThanTheFile) {
    EXPECT_FALSE(Complete({0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xFF, 0x00, 0xFF, 0xD9}));
    EXPECT_FALSE(Complete({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01, 0xFF, 0xD9}));
}

TEST(PngStructureValid, RejectsAFileWithoutChunks) {
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    EXPECT_TRUE(LooksLikePng(signature, 8));
    EXPECT_FALSE(PngStructureValid(signature, 8));
}
