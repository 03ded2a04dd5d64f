#include "document/image_document.h"
#include "exif_files.h"
#include "png_files.h"

#include <gtest/gtest.h>

namespace {

const std::string Data = VELMORA_TEST_DATA;

// A little-endian EXIF block whose IFD0 holds the orientation, XResolution
// x / 1, YResolution y / 1 and, unless 0, the ResolutionUnit.
std::vector<uint8_t> ResolutionTiff(uint32_t x, uint32_t y, uint32_t unit, uint32_t orientation) {
    const uint32_t count = unit ? 4 : 3, values = 14 + 12 * count;
    const uint32_t fields[4][3] = {{0x0112, 3, orientation}, {0x011A, 5, values}, {0x011B, 5, values + 8},
                                   {0x0128, 3, unit}};
    std::vector<uint8_t> tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, uint8_t(count), 0};
    tiff.resize(values + 16);
    for (uint32_t i = 0; i < count; ++i) {
        Put16(tiff, 10 + 12 * i, fields[i][0]);
        Put16(tiff, 12 + 12 * i, fields[i][1]);
        Put32(tiff, 14 + 12 * i, 1);
        Put32(tiff, 18 + 12 * i, fields[i][2]);  // a SHORT in the first 2 bytes
    }
    for (uint32_t i = 0; i < 4; ++i) Put32(tiff, values + 4 * i, i % 2 ? 1 : i ? y : x);
    return tiff;
}

// Test files with their density set in the header.
std::vector<uint8_t> WithBytes(const std::string& name, size_t at, std::vector<uint8_t> bytes) {
    std::vector<uint8_t> file = ReadBytes(Data + name);
    std::copy(bytes.begin(), bytes.end(), file.begin() + at);
    return file;
}

}  // namespace

TEST(PixelDensity, EveryOutputKeepsTheInputsDensityThroughTurnsAndHistory) {
    const std::vector<uint8_t> jpeg = ReadBytes(Data + "/jpeg/baseline.jpg");  // JFIF without density
    const std::vector<uint8_t> jfif300x150 = WithBytes("/jpeg/baseline.jpg", 13, {1, 1, 44, 0, 150});
    const std::tuple<const char*, std::vector<uint8_t>, int32_t, int32_t> cases[] = {  // pixels per metre
        {"jfif dpi", jfif300x150, 11811, 5906},
        {"jfif per cm", WithBytes("/jpeg/baseline.jpg", 13, {2, 0, 118, 0, 40}), 11800, 4000},
        {"jfif turned", WithJpegExif(jfif300x150, TiffBlock(6, true)), 5906, 11811},
        {"jfif before exif", WithJpegExif(jfif300x150, ResolutionTiff(72, 72, 2, 1)), 11811, 5906},
        {"exif dpi", WithJpegExif(jpeg, ResolutionTiff(72, 300, 2, 1)), 2835, 11811},
        {"exif per cm", WithJpegExif(jpeg, ResolutionTiff(100, 50, 3, 1)), 10000, 5000},
        {"exif default unit", WithJpegExif(jpeg, ResolutionTiff(300, 72, 0, 8)), 2835, 11811},
        {"exif other unit", WithJpegExif(jpeg, ResolutionTiff(72, 300, 1, 1)), 0, 0},
        {"jpeg without", jpeg, 0, 0},
        {"png pHYs", ReadBytes(Data + "/pngsuite/png/cdun2c08.png"), 1000, 1000},
        {"png aspect only", ReadBytes(Data + "/pngsuite/png/cdfn2c08.png"), 0, 0},
        {"bmp", WithBytes("/bmp/rgb24.bmp", 38, {0xC4, 0x0E, 0, 0, 0x13, 0x0B, 0, 0}), 3780, 2835},
        {"bmp negative", WithBytes("/bmp/rgb24.bmp", 38, {0xC4, 0x0E, 0, 0x80, 0x13, 0x0B, 0, 0}), 0, 0},
        {"bmp without", ReadBytes(Data + "/bmp/rgb24.bmp"), 0, 0},
    };
    const std::string path = TestFolder("PixelDensity") + "/out";
    for (const auto& [name, file, x, y] : cases) {
        ImageDocument document;
        ASSERT_TRUE(document.LoadMemory(file.data(), file.size())) << name;
        document.Extract(0, 6);
        document.Extract(1, 6);
        ASSERT_TRUE(document.Undo() && document.Redo());  // through the packed history and back
        ASSERT_TRUE(document.Save(path.c_str(), LineFormat::Bmp));
        const std::vector<uint8_t> bmp = ReadBytes(path);
        EXPECT_EQ(int32_t(bmp[38] | bmp[39] << 8 | bmp[40] << 16 | bmp[41] << 24), x) << name;
        EXPECT_EQ(int32_t(bmp[42] | bmp[43] << 8 | bmp[44] << 16 | bmp[45] << 24), y) << name;
        ASSERT_TRUE(document.Save(path.c_str(), LineFormat::Png, OutputColours{}));
        const PngContents png = ReadPng(ReadBytes(path));
        EXPECT_EQ(png.densityX, uint32_t(x)) << name;
        EXPECT_EQ(png.densityY, uint32_t(y)) << name;
    }
}
