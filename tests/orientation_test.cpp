// Pictures come out upright: the EXIF orientation of JPEG and PNG files is
// found, checked and applied before anyone sees the picture.
#include "base/dib.h"
#include "codecs/exif_orientation.h"
#include "exif_files.h"
#include "kernels/orientation.h"
#include "pipeline/image.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

const std::string Data = VELMORA_TEST_DATA;

struct Position {
    int x, y;
};

// Where upright pixel (x, y) comes from in the stored picture, written from
// the EXIF definitions of where stored row 0 and column 0 belong.
Position StoredPosition(int orientation, int storedWidth, int storedHeight, int x, int y) {
    const int right = storedWidth - 1;
    const int bottom = storedHeight - 1;
    switch (orientation) {
    case 2: return {right - x, y};
    case 3: return {right - x, bottom - y};
    case 4: return {x, bottom - y};
    case 5: return {y, x};
    case 6: return {y, bottom - x};
    case 7: return {right - y, bottom - x};
    case 8: return {right - y, x};
    default: return {x, y};
    }
}

// Empty when upright holds the stored image turned as orientation says,
// every byte of every pixel, with a consistent header and record; else the
// first difference.
std::string CompareOriented(DibHandle stored, int orientation, DibHandle upright) {
    const bool swapped = orientation >= 5 && orientation <= 8;
    const int width = swapped ? stored->header.biHeight : stored->header.biWidth;
    const int height = swapped ? stored->header.biWidth : stored->header.biHeight;
    const int depth = stored->header.biBitCount / 8;
    const BitmapInfoHeader& header = upright->header;
    const int64_t stride = DibStride(width, stored->header.biBitCount);
    if (header.biWidth != width || header.biHeight != height || header.biBitCount != stored->header.biBitCount ||
        header.biSizeImage != stride * height || upright->info.pixelDataSize != stride * height ||
        upright->info.header != &upright->header || upright->info.pixels != upright->pixels.get()) {
        std::ostringstream message;
        message << "header " << header.biWidth << " x " << header.biHeight << " x " << header.biBitCount
                << ", expected " << width << " x " << height << " x " << depth * 8 << ", or record inconsistent";
        return message.str();
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Position from = StoredPosition(orientation, stored->header.biWidth, stored->header.biHeight, x, y);
            const uint8_t* expected = DibRow(stored, from.y) + depth * from.x;
            const uint8_t* actual = DibRow(upright, y) + depth * x;
            if (!std::equal(expected, expected + depth, actual)) {
                std::ostringstream message;
                message << "pixel (" << x << ", " << y << ") differs from stored (" << from.x << ", " << from.y << ")";
                return message.str();
            }
        }
    }
    return {};
}

// A bitmap whose every byte differs from its neighbours', so any pixel out
// of place shows; the fourth byte of a 32-bit pixel is its own alpha.
DibHandle PatternImage(int width, int height, int bitsPerPixel) {
    ImageError error = ImageError::None;
    DibHandle image = DibCreate(width, height, bitsPerPixel, &error);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = DibRow(image, y);
        for (int i = 0; i < width * bitsPerPixel / 8; ++i) row[i] = static_cast<uint8_t>(i * 7 + y * 31 + 1);
    }
    return image;
}

DibHandle Load(const std::vector<uint8_t>& file) {
    ImageError error = ImageError::None;
    DibHandle image = ImgLoadMemory(file.data(), file.size(), &error);
    EXPECT_EQ(error, ImageError::None);
    return image;
}

}  // namespace

TEST(OrientImage, EachOrientationMovesEveryPixelOfBothDepthsAsDefined) {
    // The last size spans several tiles of the quarter turns, partly filled ones too.
    const int sizes[][2] = {{1, 1}, {1, 3}, {3, 1}, {2, 2}, {5, 3}, {4, 7}, {131, 70}};
    for (int bits : {24, 32}) {
        for (const auto& size : sizes) {
            DibHandle stored = PatternImage(size[0], size[1], bits);
            for (int orientation = 0; orientation <= 9; ++orientation) {
                ImageError error = ImageError::None;
                const DibPtr upright = OrientImage(DibPtr(ImgDuplicate(stored)), orientation, &error);
                ASSERT_NE(upright, nullptr);
                EXPECT_EQ(CompareOriented(stored, orientation, upright.get()), "")
                    << bits << "-bit " << size[0] << " x " << size[1] << ", orientation " << orientation;
            }
            ImgRelease(stored);
        }
    }
}

TEST(ImgLoadMemory, JpegAndPngFilesComeOutUprightInBothByteOrders) {
    struct Case {
        const char* name;
        bool png;
        bool afterData;
    };
    // A photo and a drawing of 61 x 43, and a 32-bit picture with alpha.
    const Case cases[] = {{"jpeg/baseline.jpg", false, false},
                          {"jpeg/reference.png", true, false},
                          {"jpeg/reference.png", true, true},
                          {"pngsuite/png/tbbn3p08.png", true, false}};
    for (const Case& c : cases) {
        const std::vector<uint8_t> plain = ReadBytes(Data + "/" + c.name);
        DibHandle stored = Load(plain);
        ASSERT_NE(stored, nullptr) << c.name;
        for (bool bigEndian : {false, true}) {
            for (int orientation = 1; orientation <= 8; ++orientation) {
                const std::vector<uint8_t> tiff = TiffBlock(orientation, bigEndian);
                DibHandle upright = Load(c.png ? WithPngExif(plain, tiff, c.afterData) : WithJpegExif(plain, tiff));
                ASSERT_NE(upright, nullptr) << c.name;
                EXPECT_EQ(CompareOriented(stored, orientation, upright), "")
                    << c.name << (c.afterData ? " (eXIf after the data)" : "") << (bigEndian ? ", MM" : ", II")
                    << ", orientation " << orientation;
                ImgRelease(upright);
            }
        }
        ImgRelease(stored);
    }
}

TEST(ImgLoadMemory, QuarterTurnWithoutMemoryIsRefusedAndLeavesNothingBehind) {
    const std::vector<uint8_t> plain = ReadBytes(Data + "/jpeg/baseline.jpg");
    const int64_t before = ImgPixelBytesInUse();
    // Room for the decoded picture, not for a second one turned a quarter.
    const MemoryBudget budget(before + int64_t{Stride24(61)} * 43 * 3 / 2);
    const std::vector<uint8_t> halfTurn = WithJpegExif(plain, TiffBlock(3, false));
    DibHandle turned = ImgLoadMemory(halfTurn.data(), halfTurn.size());
    EXPECT_NE(turned, nullptr) << "a half turn needs no second picture";
    ImgRelease(turned);
    const std::vector<uint8_t> quarterTurn = WithJpegExif(plain, TiffBlock(6, false));
    ImageError error = ImageError::None;
    EXPECT_EQ(ImgLoadMemory(quarterTurn.data(), quarterTurn.size(), &error), nullptr);
    EXPECT_EQ(error, ImageError::OutOfMemory);
    EXPECT_EQ(ImgPixelBytesInUse(), before);
}

TEST(ImgLoadMemory, DamagedExifBlocksLoadAsStored) {
    const std::vector<uint8_t> jpeg = ReadBytes(Data + "/jpeg/baseline.jpg");
    const std::vector<uint8_t> png = ReadBytes(Data + "/jpeg/reference.png");
    DibHandle storedJpeg = Load(jpeg);
    DibHandle storedPng = Load(png);
    ASSERT_TRUE(storedJpeg && storedPng);
    // Each block would say 6 if its damage went unnoticed.
    std::vector<uint8_t> wrongType = TiffBlock(6, true);
    Put16(wrongType, TiffLayout::OrientationType, 4);
    std::vector<uint8_t> truncated = TiffBlock(6, false);
    truncated.resize(TiffLayout::Orientation + 10);
    for (const auto& tiff : {wrongType, truncated, TiffBlock(9, false), TiffBlock(0, true)}) {
        DibHandle image = Load(WithJpegExif(jpeg, tiff));
        EXPECT_EQ(CompareOriented(storedJpeg, 1, image), "");
        ImgRelease(image);
        image = Load(WithPngExif(png, tiff));
        EXPECT_EQ(CompareOriented(storedPng, 1, image), "");
        ImgRelease(image);
    }
    ImgRelease(storedJpeg);
    ImgRelease(storedPng);
}

TEST(ExifOrientation, FindsTheBlockOnlyWhereTheFileFormatPutsIt) {
    const std::vector<uint8_t> jpeg = ReadBytes(Data + "/jpeg/baseline.jpg");
    const std::vector<uint8_t> png = ReadBytes(Data + "/jpeg/reference.png");
    const std::vector<uint8_t> tiff = TiffBlock(6, false);
    auto orientation = [](const std::vector<uint8_t>& file) { return ExifOrientation(file.data(), file.size()); };
    EXPECT_EQ(orientation(jpeg), 1);
    EXPECT_EQ(orientation(png), 1);

    // Other APP1 segments (XMP) come first in many files.
    const std::string xmp = "http://ns.adobe.com/xap/1.0/";
    const std::vector<uint8_t> withXmp = WithJpegSegment(WithJpegExif(jpeg, tiff), 0xE1, {xmp.begin(), xmp.end()});
    EXPECT_EQ(orientation(withXmp), 6);
    // The same block in another application segment is not EXIF.
    std::vector<uint8_t> inApp2 = WithJpegExif(jpeg, tiff);
    inApp2[3] = 0xE2;
    EXPECT_EQ(orientation(inApp2), 1);
    // Fill bytes may come before a marker.
    std::vector<uint8_t> filled = WithJpegExif(jpeg, tiff);
    filled.insert(filled.begin() + 2, {0xFF, 0xFF});
    EXPECT_EQ(orientation(filled), 6);

    // A segment or chunk cut off by the end of the file is not read.
    const std::vector<uint8_t> inJpeg = WithJpegExif(jpeg, tiff);
    const std::vector<uint8_t> cutJpeg(inJpeg.begin(), inJpeg.begin() + 2 + 4 + 6 + TiffLayout::Size - 1);
    EXPECT_EQ(orientation(cutJpeg), 1);
    const std::vector<uint8_t> inPng = WithPngExif(png, tiff);
    const std::vector<uint8_t> cutPng(inPng.begin(), inPng.begin() + 33 + 8 + TiffLayout::Size);
    EXPECT_EQ(orientation(cutPng), 1);
    // Nor is a chunk after the end chunk.
    std::vector<uint8_t> afterEnd = png;
    const std::vector<uint8_t> trailing = WithPngExif(png, tiff);
    afterEnd.insert(afterEnd.end(), trailing.begin() + 33, trailing.begin() + 33 + 12 + TiffLayout::Size);
    EXPECT_EQ(orientation(afterEnd), 1);
}

TEST(TiffOrientation, ReadsOnlyAWellFormedTagWithinTheBlock) {
    using namespace TiffLayout;
    auto orientation = [](const std::vector<uint8_t>& tiff) { return TiffOrientation(tiff.data(), tiff.size()); };
    // Exactly sized copies, so a read past the end shows under the sanitizers.
    auto damaged = [](bool bigEndian, auto change) {
        std::vector<uint8_t> tiff = TiffBlock(6, bigEndian);
        change(tiff);
        return tiff;
    };
    for (bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "MM" : "II");
        EXPECT_EQ(orientation(TiffBlock(6, bigEndian)), 6);
        EXPECT_EQ(orientation(damaged(bigEndian, [](auto& t) { t[1] = t[0] == 'I' ? 'M' : 'I'; })), 1);
        EXPECT_EQ(orientation(damaged(bigEndian, [](auto& t) { Put16(t, 2, 43); })), 1);
        EXPECT_EQ(orientation(damaged(bigEndian, [](auto& t) { Put16(t, OrientationType, 4); })), 1);
        EXPECT_EQ(orientation(damaged(bigEndian, [](auto& t) { Put32(t, OrientationCount, 2); })), 1);
        EXPECT_EQ(orientation(damaged(bigEndian, [](auto& t) { Put16(t, OrientationValue, 0); })), 1);
        EXPECT_EQ(orientation(damaged(bigEndian, [](auto& t) { Put16(t, OrientationValue, 9); })), 1);
        // IFD0 past the end, at the very end, or running past it.
        for (uint32_t offset : {uint32_t(Size), uint32_t(Size - 1), 0xFFFFFFF0u}) {
            EXPECT_EQ(orientation(damaged(bigEndian, [&](auto& t) { Put32(t, DirectoryOffset, offset); })), 1);
        }
        EXPECT_EQ(orientation(damaged(bigEndian, [](auto& t) { Put16(t, Directory, 0xFFFF); })), 1);
        EXPECT_EQ(orientation(damaged(bigEndian, [](auto& t) { t.resize(Orientation + 6); })), 1);
        EXPECT_EQ(orientation(damaged(bigEndian, [](auto& t) { t.resize(Orientation + 14); })), 1);
        // IFD0 at the header itself, and a chain that loops back to IFD0.
        EXPECT_EQ(orientation(damaged(bigEndian, [](auto& t) { Put32(t, DirectoryOffset, 0); })), 1);
        EXPECT_EQ(orientation(damaged(bigEndian, [](auto& t) { Put32(t, NextDirectory, Directory); })), 6);
        EXPECT_EQ(orientation(damaged(bigEndian, [](auto& t) {
                      Put16(t, Orientation, 0x0131);
                      Put32(t, NextDirectory, Directory);
                  })),
                  1);
    }
    EXPECT_EQ(TiffOrientation(nullptr, 0), 1);
}
