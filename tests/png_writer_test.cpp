#include "output_formats.h"
#include "png_files.h"

#include <gtest/gtest.h>

#include <cerrno>

TEST(SavePng, LineDrawingInItsColoursAtOneBitPerPixel) {
    // Widths that leave a partial byte of bits and row padding.
    const Picture drawing = DarkPicture({"D..D.D..D.D", "..DD......D", "DDDDDDDDD.."});
    const std::pair<OutputColours, int> cases[] = {  // colours, PNG colour type
        {{0x000000, 0xFFFFFF, false}, 0}, {{0xFFFFFF, 0x000000, false}, 0}, {{0x000000, 0xFFFFFF, true}, 0},
        {{0xFFFFFF, 0x123456, true}, 0},  {{0x1E64C8, 0xFFFFFF, false}, 3}, {{0xC81E64, 0xFFFFFF, true}, 3},
        {{0x000000, 0xFFFF00, false}, 3}, {{0x000000, 0x000000, false}, 3},
    };
    const std::string path = TestFolder("WritePngColours") + "/out.png";
    DibHandle image = MakeImage(drawing);
    for (const auto& [colours, colourType] : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << colours.lines << " on " << colours.background);
        ASSERT_TRUE(SaveImage(path.c_str(), image, LineFormat::Png, colours));
        std::vector<uint8_t> encoded;
        ASSERT_TRUE(EncodeImage(image, LineFormat::Png, colours, 0, encoded));
        EXPECT_EQ(encoded, ReadBytes(path));
        const PngContents png = ReadPng(encoded);
        EXPECT_EQ(png.bitDepth, 1);
        EXPECT_EQ(png.colourType, colourType);
        EXPECT_EQ(png.rgba, LineDrawingRgba(drawing, colours));
    }
    // A BMP has no transparency; with the default colours it is the plain one.
    int error = 0;
    EXPECT_TRUE(!SaveImage((path + ".bmp").c_str(), image, LineFormat::Bmp, OutputColours{0, 0, true}, 0, &error) && error == EINVAL);
    ASSERT_TRUE(SaveImage((path + ".bmp").c_str(), image));
    ASSERT_TRUE(SaveImage(path.c_str(), image, LineFormat::Bmp, OutputColours{}));
    EXPECT_EQ(ReadBytes(path), ReadBytes(path + ".bmp"));
    ImgRelease(image);
}
