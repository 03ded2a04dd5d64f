#include "exif_files.h"
#include "image_document.h"
#include "png_files.h"
#include "test_images.h"

#include <gtest/gtest.h>

namespace {

const std::string Data = VELMORA_TEST_DATA;

// A little-endian EXIF block whose IFD0 holds XResolution and YResolution
// as x / 1 and y / 1, the ResolutionUnit unless unit is 0, and the
// orientation.
std::vector<uint8_t> ResolutionTiff(uint32_t x, uint32_t y, uint32_t unit, uint32_t orientation) {
    constexpr uint32_t Short = 3, Rational = 5;
    const uint32_t entries = unit ? 4 : 3;
    const size_t values = 8 + 2 + 12 * entries + 4;
    std::vector<uint8_t> tiff(values + 16, 0);
    tiff[0] = tiff[1] = 'I';
    Put16(tiff, 2, 42);
    Put32(tiff, 4, 8);
    Put16(tiff, 8, entries);
    const uint32_t fields[4][4] = {{0x0112, Short, 1, orientation},
                                   {0x011A, Rational, 1, uint32_t(values)},
                                   {0x011B, Rational, 1, uint32_t(values + 8)},
                                   {0x0128, Short, 1, unit}};
    for (uint32_t i = 0; i < entries; ++i) {
        const size_t at = 10 + 12 * i;
        Put16(tiff, at, fields[i][0]);
        Put16(tiff, at + 2, fields[i][1]);
        Put32(tiff, at + 4, fields[i][2]);
        if (fields[i][1] == Short) Put16(tiff, at + 8, fields[i][3]);
        else Put32(tiff, at + 8, fields[i][3]);
    }
    Put32(tiff, values, x);
    Put32(tiff, values + 4, 1);
    Put32(tiff, values + 8, y);
    Put32(tiff, values + 12, 1);
    return tiff;
}

// The JPEG test file with its JFIF density set (it records none: unit 0).
std::vector<uint8_t> JfifJpeg(uint8_t unit, uint16_t x, uint16_t y) {
    std::vector<uint8_t> jpeg = ReadBytes(Data + "/jpeg/baseline.jpg");
    const uint8_t density[5] = {unit, uint8_t(x >> 8), uint8_t(x), uint8_t(y >> 8), uint8_t(y)};
    std::copy(density, density + 5, jpeg.begin() + 13);
    return jpeg;
}

std::vector<uint8_t> BmpWithDensity(int32_t x, int32_t y) {
    std::vector<uint8_t> bmp = ReadBytes(Data + "/bmp/rgb24.bmp");
    for (int i = 0; i < 4; ++i) {
        bmp[38 + i] = uint8_t(x >> (8 * i));
        bmp[42 + i] = uint8_t(y >> (8 * i));
    }
    return bmp;
}

int32_t Read32(const std::vector<uint8_t>& bytes, size_t at) {
    return int32_t(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24);
}

}  // namespace

TEST(PixelDensity, EveryOutputKeepsTheInputsDensityThroughTurnsAndHistory) {
    const std::vector<uint8_t> plainJpeg = ReadBytes(Data + "/jpeg/baseline.jpg");
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        int32_t x, y;  // pixels per metre, 0 for none
    };
    const Case cases[] = {
        {"jfif 300x150 dpi", JfifJpeg(1, 300, 150), 11811, 5906},
        {"jfif per cm", JfifJpeg(2, 118, 40), 11800, 4000},
        {"jfif turned", WithJpegExif(JfifJpeg(1, 300, 150), TiffBlock(6, true)), 5906, 11811},
        {"jfif over exif", WithJpegExif(JfifJpeg(1, 300, 300), ResolutionTiff(72, 72, 2, 1)), 11811, 11811},
        {"exif inch", WithJpegExif(plainJpeg, ResolutionTiff(72, 300, 2, 1)), 2835, 11811},
        {"exif cm", WithJpegExif(plainJpeg, ResolutionTiff(100, 50, 3, 1)), 10000, 5000},
        {"exif default unit", WithJpegExif(plainJpeg, ResolutionTiff(300, 300, 0, 1)), 11811, 11811},
        {"exif turned", WithJpegExif(plainJpeg, ResolutionTiff(72, 300, 2, 8)), 11811, 2835},
        {"exif unknown unit", WithJpegExif(plainJpeg, ResolutionTiff(72, 300, 1, 1)), 0, 0},
        {"jpeg without", plainJpeg, 0, 0},
        {"png pHYs", ReadBytes(Data + "/pngsuite/png/cdun2c08.png"), 1000, 1000},
        {"png aspect only", ReadBytes(Data + "/pngsuite/png/cdfn2c08.png"), 0, 0},
        {"png exif turned", WithPngExif(ReadBytes(Data + "/pngsuite/png/cdun2c08.png"), TiffBlock(6, false)), 1000,
         1000},
        {"bmp", BmpWithDensity(3780, 2835), 3780, 2835},
        {"bmp negative", BmpWithDensity(-3780, 2835), 0, 0},
        {"bmp without", ReadBytes(Data + "/bmp/rgb24.bmp"), 0, 0},
        {"bmp core header", ReadBytes(Data + "/bmp/pal1core.bmp"), 0, 0},
    };
    const std::string folder = TestFolder("PixelDensity");
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        ImageDocument document;
        ASSERT_TRUE(document.LoadMemory(test.file.data(), test.file.size()));
        // The result goes through the packed history and back.
        document.Extract(0, 6);
        document.Extract(1, 6);
        ASSERT_TRUE(document.Undo());
        ASSERT_TRUE(document.Redo());
        ASSERT_TRUE(document.SaveBmp((folder + "/out.bmp").c_str()));
        ASSERT_TRUE(document.SaveBmp((folder + "/blue.bmp").c_str(), OutputColours{0x1E64C8}));
        ASSERT_TRUE(document.SavePng((folder + "/out.png").c_str(), OutputColours{}));
        for (const char* name : {"/out.bmp", "/blue.bmp"}) {
            const std::vector<uint8_t> bmp = ReadBytes(folder + name);
            EXPECT_EQ(Read32(bmp, 38), test.x) << name;
            EXPECT_EQ(Read32(bmp, 42), test.y) << name;
        }
        const PngContents png = ReadPng(ReadBytes(folder + "/out.png"));
        EXPECT_EQ(png.densityX, uint32_t(test.x));
        EXPECT_EQ(png.densityY, uint32_t(test.y));
    }
}
