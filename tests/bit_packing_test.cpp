#include "kernels/bit_packing.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Widths around the 16-pixel groups of the fast kernels and the 8-pixel
// bytes of the packed rows, with every amount of row padding.
const int Widths[] = {1, 2, 3, 7, 8, 9, 15, 16, 17, 23, 31, 32, 33, 47, 48, 49, 63, 64, 65, 100, 129};

// A black-and-white picture from a fixed seed.
Picture RandomBlackAndWhite(int width, int height, uint32_t seed) {
    std::mt19937 random(seed);
    Picture picture{width, height, std::vector<Bgr>(size_t(width) * height)};
    for (Bgr& pixel : picture.pixels) pixel = random() % 2 ? Bgr{255, 255, 255} : Bgr{0, 0, 0};
    return picture;
}

std::vector<uint8_t> Bytes(DibHandle image) {
    const DibInfo* info = ImgQueryInfo(image);
    return {info->pixels, info->pixels + info->pixelDataSize};
}

}  // namespace

TEST(BitPacking, FastRowKernelsGiveTheBytesOfTheirPlainTwins) {
    std::mt19937 random(7);
    for (int width : Widths) {
        // Rows start at odd offsets inside a larger buffer, and the bytes
        // around what a kernel may write must stay as they were.
        const Picture picture = RandomBlackAndWhite(width, 1, uint32_t(width));
        std::vector<uint8_t> pixels(3 * size_t(width) + 5, 0x5A);
        std::memcpy(pixels.data() + 1, picture.pixels.data(), 3 * size_t(width));
        const size_t packedSize = size_t(width + 7) / 8;
        std::vector<uint8_t> fast(packedSize + 2, 0xC3), plain(packedSize + 2, 0xC3);
        ASSERT_TRUE(PackRow(pixels.data() + 1, width, fast.data() + 1)) << width;
        ASSERT_TRUE(PackRowPlain(pixels.data() + 1, width, plain.data() + 1)) << width;
        EXPECT_EQ(fast, plain) << "packing, width " << width;

        std::vector<uint8_t> fastOut(pixels.size(), 0x5A), plainOut(pixels.size(), 0x5A);
        UnpackRow(fast.data() + 1, width, fastOut.data() + 1);
        UnpackRowPlain(fast.data() + 1, width, plainOut.data() + 1);
        EXPECT_EQ(fastOut, plainOut) << "unpacking, width " << width;
        EXPECT_EQ(fastOut, pixels) << "round trip, width " << width;

        // One byte off black or white anywhere is refused by both.
        const size_t spoiled = random() % (3 * size_t(width));
        for (uint8_t value : {uint8_t(1), uint8_t(128), uint8_t(254), uint8_t(~pixels[1 + spoiled])}) {
            std::vector<uint8_t> changed = pixels;
            changed[1 + spoiled] = value;
            EXPECT_FALSE(PackRow(changed.data() + 1, width, fast.data() + 1)) << width << " byte " << spoiled;
            EXPECT_FALSE(PackRowPlain(changed.data() + 1, width, plain.data() + 1)) << width << " byte " << spoiled;
        }
    }
}

TEST(BitPacking, PackedImageUnpacksToEveryByteItWasPackedFrom) {
    for (int width : Widths) {
        const Picture picture = RandomBlackAndWhite(width, 5, uint32_t(width) + 100);
        DibHandle image = MakeImage(picture, 0);
        image->header.biXPelsPerMeter = 11811;
        image->header.biYPelsPerMeter = width;
        ImageError error = ImageError::Corrupt;
        DibHandle packed = PackBlackAndWhite(image, &error);
        ASSERT_NE(packed, nullptr) << width;
        EXPECT_EQ(error, ImageError::None);
        EXPECT_TRUE(IsPacked(packed));
        EXPECT_FALSE(IsPacked(image));

        DibHandle unpacked = MakeImage(RandomPicture(width, 5, 1), 0xA5);
        UnpackInto(packed, unpacked);
        EXPECT_EQ(Bytes(unpacked), Bytes(image)) << "width " << width;
        EXPECT_EQ(unpacked->header.biXPelsPerMeter, 11811);
        EXPECT_EQ(unpacked->header.biYPelsPerMeter, width);
        ImgRelease(unpacked);
        ImgRelease(packed);
        ImgRelease(image);
    }
}

TEST(BitPacking, ImagesThatWouldNotComeBackAreNotPacked) {
    const Picture blackAndWhite = RandomBlackAndWhite(21, 4, 3);
    Picture grey = blackAndWhite;
    grey.At(20, 3) = {128, 128, 128};
    Picture mixed = blackAndWhite;
    mixed.At(17, 1) = {255, 255, 0};
    for (DibHandle image : {MakeImage(grey, 0), MakeImage(mixed, 0), MakeImage(blackAndWhite, 1)}) {
        ImageError error = ImageError::Corrupt;
        EXPECT_EQ(PackBlackAndWhite(image, &error), nullptr);
        EXPECT_EQ(error, ImageError::None);
        ImgRelease(image);
    }

    DibHandle image = MakeImage(blackAndWhite, 0);
    {
        const MemoryBudget none(ImgPixelBytesInUse());
        ImageError error = ImageError::None;
        EXPECT_EQ(PackBlackAndWhite(image, &error), nullptr);
        EXPECT_EQ(error, ImageError::OutOfMemory);
    }
    ImgRelease(image);
}
