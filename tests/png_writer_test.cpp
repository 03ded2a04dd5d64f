#include "png_files.h"
#include "png_writer.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace {

// Widths that leave a partial byte of bits and row padding.
const Picture Drawing = DarkPicture({"D..D.D..D.D", "..DD......D", "DDDDDDDDD.."});

}  // namespace

TEST(WritePng, LineDrawingInItsColoursInTheSmallestForm) {
    struct Case {
        OutputColours colours;
        int colourType;  // always at 1 bit per pixel
    };
    const Case cases[] = {
        {{0x000000, 0xFFFFFF, false}, 0}, {{0xFFFFFF, 0x000000, false}, 0}, {{0x000000, 0xFFFFFF, true}, 0},
        {{0xFFFFFF, 0x123456, true}, 0},  {{0x1E64C8, 0xFFFFFF, false}, 3}, {{0xC81E64, 0xFFFFFF, true}, 3},
        {{0x000000, 0xFFFF00, false}, 3}, {{0x000000, 0x000000, false}, 3},
    };
    const std::string folder = TestFolder("WritePngColours");
    DibHandle image = MakeImage(Drawing);
    for (const Case& test : cases) {
        const OutputColours& colours = test.colours;
        SCOPED_TRACE(testing::Message() << std::hex << colours.lines << " on " << colours.background
                                        << (colours.transparent ? " transparent" : ""));
        const std::string path = folder + "/out.png";
        int error = 0;
        ASSERT_TRUE(WritePng(path.c_str(), image, colours, &error)) << error;
        std::vector<uint8_t> encoded;
        ASSERT_TRUE(EncodePng(image, colours, encoded));
        EXPECT_EQ(encoded, ReadBytes(path));
        const PngContents png = ReadPng(encoded);
        ASSERT_TRUE(png.decoded);
        EXPECT_EQ(png.bitDepth, 1);
        EXPECT_EQ(png.colourType, test.colourType);
        EXPECT_EQ(FirstRgbaDifference(LineDrawingRgba(Drawing, colours), png.rgba), "");

        // The same colours in a BMP, which has no transparency.
        const std::string bmp = folder + "/out.bmp";
        std::filesystem::remove(bmp);
        if (colours.transparent) {
            EXPECT_FALSE(ImgWriteBmp(bmp.c_str(), image, colours, &error));
            EXPECT_EQ(error, EINVAL);
            EXPECT_FALSE(std::filesystem::exists(bmp));
            continue;
        }
        ASSERT_TRUE(ImgWriteBmp(bmp.c_str(), image, colours));
        DibHandle loaded = ImgLoadFile(bmp.c_str());
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(FirstRgbaDifference(LineDrawingRgba(Drawing, colours), OpaqueRgba(ReadImage(loaded))), "");
        ImgRelease(loaded);
    }
    // Default colours give the plain BMP, byte for byte.
    ASSERT_TRUE(ImgWriteBmp((folder + "/plain.bmp").c_str(), image));
    ASSERT_TRUE(ImgWriteBmp((folder + "/default.bmp").c_str(), image, OutputColours{}));
    EXPECT_EQ(ReadBytes(folder + "/plain.bmp"), ReadBytes(folder + "/default.bmp"));
    ImgRelease(image);
}

TEST(WritePng, OtherPicturesAsRgbWithTheirOwnPixelsInAnyColours) {
    const std::string folder = TestFolder("WritePngRgb");
    // One pixel that is not black or white, each breaking another part of that test.
    std::vector<Picture> pictures(3, Drawing);
    pictures[0].At(4, 1) = Bgr{254, 254, 254};
    pictures[1].At(5, 1) = Bgr{255, 0, 255};
    pictures[2].At(6, 1) = Bgr{0, 0, 255};
    for (const OutputColours& colours : {OutputColours{}, OutputColours{0x1E64C8, 0, true}}) {
        for (const Picture& picture : pictures) {
            DibHandle image = MakeImage(picture);
            const std::string path = folder + "/out.png";
            ASSERT_TRUE(WritePng(path.c_str(), image, colours));
            if (!colours.transparent) {
                ASSERT_TRUE(ImgWriteBmp((folder + "/out.bmp").c_str(), image, colours));
                ASSERT_TRUE(ImgWriteBmp((folder + "/plain.bmp").c_str(), image));
                EXPECT_EQ(ReadBytes(folder + "/out.bmp"), ReadBytes(folder + "/plain.bmp"));
            }
            ImgRelease(image);
            const PngContents png = ReadPng(ReadBytes(path));
            EXPECT_EQ(png.bitDepth, 8);
            EXPECT_EQ(png.colourType, 2);
            DibHandle loaded = ImgLoadFile(path.c_str());
            ASSERT_NE(loaded, nullptr);
            EXPECT_EQ(FirstDifference(picture, ReadImage(loaded)), "");
            ImgRelease(loaded);
        }
    }
}
