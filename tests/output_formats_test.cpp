#include "pipeline/output_formats.h"
#include "png_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

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
    Failure error;
    EXPECT_TRUE(!SaveImage((path + ".bmp").c_str(), image, LineFormat::Bmp, OutputColours{0, 0, true}, 0, &error) &&
                error.system == EINVAL);
    ASSERT_TRUE(SaveImage((path + ".bmp").c_str(), image));
    ASSERT_TRUE(SaveImage(path.c_str(), image, LineFormat::Bmp, OutputColours{}));
    EXPECT_EQ(ReadBytes(path), ReadBytes(path + ".bmp"));
    ImgRelease(image);
}

// Every format of the table through every kind of sink: the file, the bytes
// in memory and those handed to a writer are the same, and start as the
// format's MIME type says, for a line drawing in its colours and for a
// picture of other colours, which is written as it is. A writer gets a PNG
// as it is encoded but a BMP and an SVG once whole, as the C library
// promises: here too an SVG of many path elements.
TEST(OutputFormats, FileMemoryAndWriterGetTheSameBytes) {
    const std::string folder = TestFolder("OutputSinks");
    std::vector<std::string> dots(200, std::string(200, '.'));
    for (size_t y = 0; y < dots.size(); y += 2) {
        for (size_t x = 0; x < dots[y].size(); x += 2) dots[y][x] = 'D';
    }
    const Picture pictures[] = {DarkPicture({"D..D.D..D.D", "..DD......D", "DDDDDDDDD.."}), RandomPicture(7, 5, 3),
                                DarkPicture(dots)};
    const std::pair<const char*, const char*> starts[] = {
        {"image/bmp", "BM"}, {"image/png", "\x89PNG"}, {"image/svg+xml", "<?xml"}};
    for (const LineFormatInfo& format : LineFormats) {
        EXPECT_EQ(&InfoOf(format.format), &format);
        const char* start = nullptr;
        for (const auto& [mime, bytes] : starts) start = std::strcmp(mime, format.mime) == 0 ? bytes : start;
        ASSERT_NE(start, nullptr) << format.mime;
        const OutputColours colours[] = {{}, {0x1E64C8, 0xFFFFE0, format.transparency}};
        for (const Picture& picture : pictures) {
            DibHandle image = MakeImage(picture);
            for (const OutputColours& colour : colours) {
                SCOPED_TRACE(std::string(format.name) + " " + std::to_string(picture.width) + " " +
                             std::to_string(colour.lines));
                const std::string path = folder + "/out." + format.name;
                ASSERT_TRUE(SaveImage(path.c_str(), image, format.format, colour, 1));
                std::vector<uint8_t> memory, written;
                std::vector<size_t> calls;
                ASSERT_TRUE(EncodeImage(image, format.format, colour, 1, memory));
                const OutputWriter write = [&](const uint8_t* bytes, size_t size) {
                    written.insert(written.end(), bytes, bytes + size);
                    calls.push_back(size);
                    return true;
                };
                OutputSink sink(write);
                ASSERT_TRUE(WriteImage(image, format.format, colour, 1, sink));
                EXPECT_EQ(memory, ReadBytes(path));
                EXPECT_EQ(written, memory);
                EXPECT_EQ(std::string(memory.begin(), memory.begin() + long(std::strlen(start))), start);
                if (format.format != LineFormat::Png) {
                    EXPECT_EQ(calls, std::vector<size_t>{memory.size()}) << "not once whole";
                }
            }
            ImgRelease(image);
        }
    }
}

// A writer's refusal stops every format with its reason, and a format
// without transparency refuses a transparent background before writing.
TEST(OutputFormats, RefusalsStopTheOutputWithTheirReason) {
    DibHandle image = MakeImage(DarkPicture({"D..D", ".DD.", "D..D"}));
    for (const LineFormatInfo& format : LineFormats) {
        SCOPED_TRACE(format.name);
        int calls = 0;
        const OutputWriter refuse = [&](const uint8_t*, size_t) {
            ++calls;
            errno = EPIPE;
            return false;
        };
        OutputSink sink(refuse);
        Failure error;
        EXPECT_FALSE(WriteImage(image, format.format, OutputColours{}, 0, sink, &error));
        EXPECT_EQ(error.system, EPIPE);
        EXPECT_EQ(calls, 1) << "no byte after a refusal";
        calls = 0;
        EXPECT_FALSE(WriteImage(image, format.format, OutputColours{0, 0xFFFFFF, true}, 0, sink, &error));
        EXPECT_EQ(error.system, format.transparency ? EPIPE : EINVAL);
        EXPECT_EQ(calls, format.transparency ? 1 : 0);
    }
    ImgRelease(image);
}
