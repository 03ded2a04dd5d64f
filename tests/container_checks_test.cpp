#include "codecs/container_checks.h"

#include "test_images.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// A PNG of the given chunks; checksums are left zero, as the check ignores them.
struct PngBuilder {
    Bytes bytes = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

    void Chunk(const char* type, const Bytes& body) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(uint8_t(body.size() >> shift));
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(type[i]));
        for (uint8_t byte : body) bytes.push_back(byte);
        for (int i = 0; i < 4; ++i) bytes.push_back(0);
    }

    bool Holds() const { return PngChunksHoldImage(bytes.data(), bytes.size()); }
};

// IHDR of an 8-bit greyscale image: rows of width + 1 bytes.
Bytes GreyHeader(uint32_t width, uint32_t height) {
    Bytes header;
    for (uint32_t value : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) header.push_back(uint8_t(value >> shift));
    }
    header.insert(header.end(), {8, 0, 0, 0, 0});
    return header;
}

}  // namespace

TEST(PngChunksHoldImage, NeedsEveryChunkWholeUpToTheEnd) {
    const Bytes whole = ReadBytes(std::string(VELMORA_TEST_DATA) + "/pngsuite/png/basn2c08.png");
    ASSERT_TRUE(PngChunksHoldImage(whole.data(), whole.size()));
    for (size_t length = 0; length < whole.size(); ++length) {
        EXPECT_FALSE(PngChunksHoldImage(whole.data(), length)) << "cut to " << length;
    }
}

TEST(PngChunksHoldImage, NeedsOneByteOfImageDataFor1032BytesOfRows) {
    // 1000 x 100 grey: 100100 bytes of rows need 97 bytes (97 * 1032 + 1024 >= 100100).
    for (const size_t dataBytes : {96, 97}) {
        PngBuilder png;
        png.Chunk("IHDR", GreyHeader(1000, 100));
        png.Chunk("IDAT", Bytes(dataBytes - 40, 0));
        png.Chunk("tEXt", Bytes(100, 'x'));
        png.Chunk("IDAT", Bytes(40, 0));
        png.Chunk("IEND", {});
        EXPECT_EQ(png.Holds(), dataBytes == 97) << dataBytes;
    }
}

TEST(PngChunksHoldImage, RefusesTheLargestClaimWithoutOverflow) {
    // 16-bit RGBA whose raw size, 2^64 + 688 bytes, does not fit 64 bits
    // (wrapped, it would pass for 688 bytes).
    PngBuilder png;
    png.Chunk("IHDR", {0xFD, 0x34, 0x51, 0x60, 0x20, 0x5A, 0x72, 0xB0, 16, 6, 0, 0, 0});
    png.Chunk("IDAT", {});
    png.Chunk("IEND", {});
    EXPECT_FALSE(png.Holds());
}
