// The streamed conversion against the window program's document: the same
// bytes for every format, option and kind of picture, and failures found
// halfway leave nothing behind.
#include "document/image_document.h"
#include "exif_files.h"
#include "pipeline/line_conversion.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

const std::string Data = VELMORA_TEST_DATA;

std::vector<uint8_t> EncodedPng(const Picture& picture) {
    DibHandle image = MakeImage(picture);
    std::vector<uint8_t> png;
    EXPECT_TRUE(EncodeImage(image, LineFormat::Png, OutputColours{}, 0, png));
    ImgRelease(image);
    return png;
}

// What the window program saves for the picture in bytes with settings.
std::vector<uint8_t> DocumentOutput(const std::vector<uint8_t>& bytes, const LineSettings& settings,
                                    const std::string& path) {
    ImageDocument document;
    if (!document.LoadMemory(bytes.data(), bytes.size()) ||
        !document.Extract(settings.thickness, settings.contrast, settings.removeNoise, settings.style)) {
        return {};
    }
    const bool saved = document.Save(path.c_str(), settings.format, settings.colours);
    return saved ? ReadBytes(path) : std::vector<uint8_t>{};
}

// Converts every input with settings that change from one to the next, from
// memory to memory and to a file and from a file, and compares each with the
// document's output.
void ExpectDocumentBytes(const std::string& test, const std::vector<std::pair<std::string, std::vector<uint8_t>>>& inputs) {
    const std::string folder = TestFolder(test);
    const OutputColours colours[] = {{}, {0x1E64C8, 0xFFFFE0, false}, {0xFFFFFF, 0, true}};
    int turn = 0;
    for (const auto& [name, bytes] : inputs) {
        for (const LineFormat format : {LineFormat::Bmp, LineFormat::Png, LineFormat::Svg}) {
            for (int option = 0; option < 8; ++option, ++turn) {
                // Every style in turn, each with every thickness and noise setting.
                const auto style = LineStyle((option / 4 + turn / 8) % int(std::size(LineStyleNames)));
                LineSettings settings{option & 1, (turn * 5) % 17 - 1, (option & 2) != 0, format, colours[turn % 3],
                                      turn % 2 == 0, style};
                if (format == LineFormat::Bmp) settings.colours.transparent = false;
                SCOPED_TRACE(name + ", format " + std::to_string(int(format)) + ", option " + std::to_string(option));
                const std::vector<uint8_t> expected = DocumentOutput(bytes, settings, folder + "/document");
                ASSERT_FALSE(expected.empty());
                std::vector<uint8_t> streamed;
                Failure error;
                ASSERT_TRUE(ConvertToMemory(bytes.data(), bytes.size(), settings, streamed, &error));
                EXPECT_TRUE(streamed == expected);
                ASSERT_TRUE(ConvertToFile(bytes.data(), bytes.size(), settings, (folder + "/file").c_str(), &error));
                EXPECT_TRUE(ReadBytes(folder + "/file") == expected);
                WriteBytes(folder + "/input", bytes);
                ASSERT_TRUE(ConvertFileToMemory((folder + "/input").c_str(), settings, streamed, &error));
                EXPECT_TRUE(streamed == expected);
            }
        }
    }
}

}  // namespace

TEST(LineConversion, EverySmallSizeGivesTheDocumentsBytes) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> inputs;
    for (int width = 1; width <= 70; ++width) {
        const int height = 1 + (width * 7) % 40;
        inputs.emplace_back(std::to_string(width) + "x" + std::to_string(height),
                            EncodedPng(RandomPicture(width, height, uint32_t(width))));
    }
    for (int height = 1; height <= 40; ++height) {
        const int width = 1 + (height * 13) % 70;
        inputs.emplace_back(std::to_string(width) + "x" + std::to_string(height),
                            EncodedPng(RandomPicture(width, height, uint32_t(100 + height))));
    }
    ExpectDocumentBytes("LineConversionSizes", inputs);
}

// Streamed JPEGs of every kind, PNGs with transparency, 16 bits and
// interlacing (loaded whole), and BMPs, in every EXIF orientation: rows
// reversed or mirrored while streaming, turned whole for the rest. The
// densities of JFIF and pHYs are kept, across and down swapped by turns.
TEST(LineConversion, EveryKindOfFileAndOrientationGivesTheDocumentsBytes) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> inputs;
    for (const char* name : {"jpeg/progressive.jpg", "jpeg/cmyk.jpg", "jpeg/grey.jpg", "jpeg/restart-markers.jpg",
                             "jpeg/subsampled-422.jpg", "pngsuite/png/basn6a16.png", "pngsuite/png/tbbn3p08.png",
                             "pngsuite/png/basi2c08.png", "pngsuite/png/basn0g01.png", "pngsuite/png/cdun2c08.png",
                             "bmp/argb32.bmp"}) {
        inputs.emplace_back(name, ReadBytes(Data + "/" + name));
    }
    std::vector<uint8_t> jpeg = ReadBytes(Data + "/jpeg/baseline.jpg");
    const uint8_t jfif300x150[] = {1, 1, 44, 0, 150};  // dots per inch, across and down
    std::copy(std::begin(jfif300x150), std::end(jfif300x150), jpeg.begin() + 13);
    const std::vector<uint8_t> png = EncodedPng(RandomPicture(23, 17, 3));
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const std::vector<uint8_t> tiff = TiffBlock(orientation, orientation % 2 == 0);
        inputs.emplace_back("JPEG orientation " + std::to_string(orientation), WithJpegExif(jpeg, tiff));
        inputs.emplace_back("PNG orientation " + std::to_string(orientation), WithPngExif(png, tiff));
    }
    ExpectDocumentBytes("LineConversionKinds", inputs);
}

// Damage found after rows were written: in the JPEG's data, and in the PNG's
// last chunk after every row. The existing output stays, nothing is added.
TEST(LineConversion, DamageFoundHalfwayLeavesTheExistingOutputAlone) {
    const std::string folder = TestFolder("LineConversionDamage");
    std::vector<uint8_t> jpeg = ReadBytes(Data + "/jpeg/baseline.jpg");
    jpeg.resize(jpeg.size() * 3 / 4);
    std::vector<uint8_t> png = EncodedPng(RandomPicture(40, 30, 8));
    png.back() ^= 1;  // the end chunk's checksum
    const std::string output = folder + "/out";
    for (const LineFormat format : {LineFormat::Bmp, LineFormat::Png, LineFormat::Svg}) {
        for (const std::vector<uint8_t>* bytes : {&jpeg, &png}) {
            WriteBytes(output, {'o', 'l', 'd'});
            Failure error;
            LineSettings settings;
            settings.format = format;
            settings.decodeAhead = (bytes == &png) != (format == LineFormat::Png);
            EXPECT_FALSE(ConvertToFile(bytes->data(), bytes->size(), settings, output.c_str(), &error));
            EXPECT_EQ(error.image, ImageError::Corrupt);
            EXPECT_EQ(ReadBytes(output), (std::vector<uint8_t>{'o', 'l', 'd'}));
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
            std::vector<uint8_t> memory{1};
            EXPECT_FALSE(ConvertToMemory(bytes->data(), bytes->size(), settings, memory, &error));
            EXPECT_TRUE(memory.empty());
            WriteBytes(folder + "/input", *bytes);
            EXPECT_FALSE(ConvertFileToFile((folder + "/input").c_str(), settings, output.c_str(), &error));
            EXPECT_EQ(error.image, ImageError::Corrupt);
            EXPECT_EQ(ReadBytes(output), (std::vector<uint8_t>{'o', 'l', 'd'}));
            std::filesystem::remove(folder + "/input");
        }
    }
}

// A BMP file is written a block of rows at a time: pictures of several
// blocks and a part of one, their rows coming top first and bottom first,
// and rows wider than a block.
TEST(LineConversion, BmpFilesWrittenInBlocksOfRowsGiveTheDocumentsBytes) {
    const std::string folder = TestFolder("LineConversionBlocks");
    std::vector<std::pair<std::string, std::vector<uint8_t>>> inputs;
    const std::vector<uint8_t> png = EncodedPng(RandomPicture(1000, 300, 21));  // 87 rows of 3000 bytes a block
    for (int orientation : {1, 3, 4}) {
        inputs.emplace_back("orientation " + std::to_string(orientation),
                            WithPngExif(png, TiffBlock(orientation, orientation == 3)));
    }
    inputs.emplace_back("one row a block", EncodedPng(RandomPicture(90000, 3, 22)));
    for (const auto& [name, bytes] : inputs) {
        for (const OutputColours& colours : {OutputColours{}, OutputColours{0x1E64C8, 0xFFFFE0, false}}) {
            const LineSettings settings{1, 6, true, LineFormat::Bmp, colours, false};
            const std::vector<uint8_t> expected = DocumentOutput(bytes, settings, folder + "/document");
            ASSERT_FALSE(expected.empty());
            Failure error;
            ASSERT_TRUE(ConvertToFile(bytes.data(), bytes.size(), settings, (folder + "/file").c_str(), &error));
            EXPECT_TRUE(ReadBytes(folder + "/file") == expected) << name;
        }
    }
}
