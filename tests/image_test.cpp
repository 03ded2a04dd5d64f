#include "file_size_limit.h"
#include "pipeline/image.h"
#include "pipeline/output_formats.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

const std::string Data = VELMORA_TEST_DATA;

struct Rgba {
    std::vector<int> values;  // r, g, b, a per pixel
};

// The cross-check pixels of a PngSuite file. Files whose names end in 16
// have 16-bit samples, which are reduced here by rounding to the nearest
// 8-bit value (the suite's own 8-bit versions are not consistently rounded).
bool ReadExpectedRgba(const std::string& name, std::vector<int>& values) {
    std::ifstream file(Data + "/pngsuite/json/" + name + ".json");
    if (!file) return false;
    values.clear();
    std::string item;
    while (std::getline(file, item, ',')) values.push_back(std::stoi(item));
    if (name.ends_with("16")) {
        for (int& value : values) value = (value * 255 + 32767) / 65535;
    }
    return true;
}

std::vector<std::string> PngSuiteNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Data + "/pngsuite/png")) {
        names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Compares a decoded image with r, g, b, a values; a 24-bit image must be
// fully opaque there.
std::string CompareWithRgba(DibHandle image, const std::vector<int>& rgba) {
    const int width = image->header.biWidth;
    const int height = image->header.biHeight;
    const int depth = image->header.biBitCount / 8;
    if (size_t(width) * height * 4 != rgba.size()) return "pixel count differs";
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = DibRow(image, y);
        for (int x = 0; x < width; ++x) {
            const int* expected = &rgba[(size_t(y) * width + x) * 4];
            const uint8_t* pixel = row + depth * x;
            const int alpha = depth == 4 ? pixel[3] : 255;
            if (pixel[2] != expected[0] || pixel[1] != expected[1] || pixel[0] != expected[2] || alpha != expected[3]) {
                std::ostringstream message;
                message << "pixel (" << x << ", " << y << ") is rgba " << int(pixel[2]) << " " << int(pixel[1]) << " "
                        << int(pixel[0]) << " " << alpha << ", expected " << expected[0] << " " << expected[1] << " "
                        << expected[2] << " " << expected[3];
                return message.str();
            }
        }
    }
    return {};
}

}  // namespace

TEST(ImgLoadFile, PngSuiteValidFilesDecodeToTheCrossCheckPixels) {
    int checked = 0;
    for (const std::string& name : PngSuiteNames()) {
        if (name[0] == 'x') continue;
        std::vector<int> expected;
        ASSERT_TRUE(ReadExpectedRgba(name, expected)) << name;
        DibHandle image = ImgLoadFile((Data + "/pngsuite/png/" + name + ".png").c_str());
        ASSERT_NE(image, nullptr) << name;
        EXPECT_EQ(CompareWithRgba(image, expected), "") << name;
        ImgRelease(image);
        ++checked;
    }
    EXPECT_EQ(checked, 161);
}

TEST(ImgLoadFile, PngSuiteCorruptFilesGiveNull) {
    int checked = 0;
    for (const std::string& name : PngSuiteNames()) {
        if (name[0] != 'x') continue;
        ImageError error = ImageError::None;
        EXPECT_EQ(ImgLoadFile((Data + "/pngsuite/png/" + name + ".png").c_str(), &error), nullptr) << name;
        EXPECT_NE(error, ImageError::None) << name;
        ++checked;
    }
    EXPECT_EQ(checked, 14);
}

TEST(ImgLoadFile, TransparencyIsKeptUntilMake24CompositesOverWhite) {
    // A palette image with a fully transparent background colour.
    DibHandle image = ImgLoadFile((Data + "/pngsuite/png/tbbn3p08.png").c_str());
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->header.biBitCount, 32);
    std::vector<uint8_t> before(image->info.pixels, image->info.pixels + image->info.pixelDataSize);
    ImgMake24(image);
    const DibInfo* info = ImgQueryInfo(image);
    EXPECT_EQ(info->header->biBitCount, 24);
    EXPECT_EQ(info->pixelDataSize, Stride24(info->header->biWidth) * info->header->biHeight);
    const int width = info->header->biWidth;
    int transparent = 0;
    for (int y = 0; y < info->header->biHeight; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t* from = before.data() + (size_t(info->header->biHeight - 1 - y) * width + x) * 4;
            const uint8_t* to = DibRow(image, y) + 3 * x;
            for (int c = 0; c < 3; ++c) {
                const int expected = (from[c] * from[3] + 255 * (255 - from[3]) + 127) / 255;
                ASSERT_EQ(to[c], expected) << x << ", " << y;
            }
            transparent += from[3] == 0;
        }
    }
    EXPECT_GT(transparent, 0);
    ImgRelease(image);
    ImageError error = ImageError::None;
    image = DibCreate(40, 3, 1, &error);
    EXPECT_FALSE(ImgMake24(image)) << "1 bit per pixel";
    EXPECT_EQ(image->header.biBitCount, 1);
    ImgRelease(image);
}

TEST(ImgLoadFile, JpegsOfEveryCommonKindLookLikeTheirSource) {
    DibHandle reference = ImgLoadFile((Data + "/jpeg/reference.png").c_str());
    ASSERT_NE(reference, nullptr);
    ImgMake24(reference);
    const Picture expected = ReadImage(reference);
    ImgRelease(reference);
    for (const char* name : {"baseline.jpg", "progressive.jpg", "grey.jpg", "subsampled-420.jpg", "subsampled-422.jpg",
                             "subsampled-440.jpg", "subsampled-444.jpg", "restart-markers.jpg", "cmyk.jpg"}) {
        DibHandle image = ImgLoadFile((Data + "/jpeg/" + name).c_str());
        ASSERT_NE(image, nullptr) << name;
        EXPECT_EQ(image->header.biBitCount, 24);
        const Picture actual = ReadImage(image);
        ASSERT_EQ(actual.width, expected.width);
        ASSERT_EQ(actual.height, expected.height);
        const bool grey = std::string(name) == "grey.jpg";
        double total = 0;
        for (size_t i = 0; i < actual.pixels.size(); ++i) {
            const Bgr& a = actual.pixels[i];
            const Bgr& e = expected.pixels[i];
            const int luma = (e.red * 299 + e.green * 587 + e.blue * 114) / 1000;
            total += grey ? std::abs(a.green - luma) : std::abs(a.blue - e.blue) + std::abs(a.green - e.green) +
                                                           std::abs(a.red - e.red);
        }
        EXPECT_LT(total / double(actual.pixels.size()), grey ? 4.0 : 12.0) << name;
        ImgRelease(image);
    }
}

TEST(ImgLoadFile, TruncatedFilesGiveNull) {
    const std::string folder = TestFolder("TruncatedFiles");
    for (const char* name : {"jpeg/baseline.jpg", "jpeg/progressive.jpg", "pngsuite/png/basn2c08.png"}) {
        const std::vector<uint8_t> whole = ReadBytes(Data + "/" + name);
        ASSERT_FALSE(whole.empty());
        const std::string path = folder + "/cut";
        for (size_t length = 0; length < whole.size(); length += 1 + length / 40) {
            WriteBytes(path, std::vector<uint8_t>(whole.begin(), whole.begin() + std::ptrdiff_t(length)));
            DibHandle image = ImgLoadFile(path.c_str());
            EXPECT_EQ(image, nullptr) << name << " cut to " << length << " bytes";
            ImgRelease(image);
        }
    }
}

TEST(ImgLoadFile, MissingFilesFoldersAndOtherFormatsGiveNull) {
    const std::string folder = TestFolder("NotImages");
    ImageError error = ImageError::None;
    EXPECT_EQ(ImgLoadFile((folder + "/missing.png").c_str(), &error), nullptr);
    EXPECT_EQ(error, ImageError::CannotOpen);
    EXPECT_EQ(ImgLoadFile(folder.c_str(), &error), nullptr);
    EXPECT_EQ(error, ImageError::CannotOpen);
    WriteBytes(folder + "/text.png", {'G', 'I', 'F', '8', '9', 'a', 0, 0});
    EXPECT_EQ(ImgLoadFile((folder + "/text.png").c_str(), &error), nullptr);
    EXPECT_EQ(error, ImageError::NotAnImage);
    WriteBytes(folder + "/empty.bmp", {});
    EXPECT_EQ(ImgLoadFile((folder + "/empty.bmp").c_str(), &error), nullptr);
    EXPECT_EQ(ImgLoadFile(nullptr, &error), nullptr);
}

TEST(ImgLoadFile, HugeClaimedPngSizeIsRefusedBeforeDecoding) {
    // basn0g08 is 32 x 32; claim 60000 x 60000 and fix the header checksum.
    std::vector<uint8_t> bytes = ReadBytes(Data + "/pngsuite/png/basn0g08.png");
    for (int i : {16, 20}) {
        bytes[size_t(i)] = 0;
        bytes[size_t(i) + 1] = 0;
        bytes[size_t(i) + 2] = 0xEA;
        bytes[size_t(i) + 3] = 0x60;
    }
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 12; i < 29; ++i) {
        crc ^= bytes[i];
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    crc ^= 0xFFFFFFFFu;
    for (int k = 0; k < 4; ++k) bytes[29 + size_t(k)] = uint8_t(crc >> (24 - 8 * k));
    const std::string path = TestFolder("HugePng") + "/huge.png";
    WriteBytes(path, bytes);
    ImageError error = ImageError::None;
    EXPECT_EQ(ImgLoadFile(path.c_str(), &error), nullptr);
    EXPECT_EQ(error, ImageError::TooLarge);
}

TEST(ImgLoadMemory, GivesWhatImgLoadFileGives) {
    for (const char* name : {"bmp/pal8rle.bmp", "bmp/argb32.bmp", "jpeg/progressive.jpg", "pngsuite/png/tbbn3p08.png"}) {
        const std::vector<uint8_t> bytes = ReadBytes(Data + "/" + name);
        DibHandle fromFile = ImgLoadFile((Data + "/" + name).c_str());
        ImageError error = ImageError::Corrupt;
        DibHandle fromMemory = ImgLoadMemory(bytes.data(), bytes.size(), &error);
        ASSERT_NE(fromFile, nullptr) << name;
        ASSERT_NE(fromMemory, nullptr) << name;
        EXPECT_EQ(error, ImageError::None);
        const DibInfo* expected = ImgQueryInfo(fromFile);
        const DibInfo* actual = ImgQueryInfo(fromMemory);
        EXPECT_EQ(actual->header->biWidth, expected->header->biWidth) << name;
        EXPECT_EQ(actual->header->biHeight, expected->header->biHeight) << name;
        EXPECT_EQ(actual->header->biBitCount, expected->header->biBitCount) << name;
        ASSERT_EQ(actual->pixelDataSize, expected->pixelDataSize) << name;
        EXPECT_EQ(std::memcmp(actual->pixels, expected->pixels, size_t(expected->pixelDataSize)), 0) << name;
        ImgRelease(fromFile);
        ImgRelease(fromMemory);
    }
}

TEST(ImgLoadMemory, NothingOrTooFewBytesAreNoImage) {
    ImageError error = ImageError::None;
    EXPECT_EQ(ImgLoadMemory(nullptr, 0, &error), nullptr);
    EXPECT_EQ(error, ImageError::NotAnImage);
    const uint8_t b = 'B';
    EXPECT_EQ(ImgLoadMemory(&b, 1, &error), nullptr);
    EXPECT_EQ(error, ImageError::NotAnImage);
    EXPECT_EQ(ImgLoadMemory(nullptr, 100), nullptr);
}

TEST(ImgDuplicate, CopiesPixelsIntoANewBuffer) {
    EXPECT_EQ(ImgDuplicate(nullptr), nullptr);
    const Picture picture = RandomPicture(5, 3, 9);
    DibHandle image = MakeImage(picture);
    DibHandle copy = ImgDuplicate(image);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(ImgQueryInfo(copy)->pixels, ImgQueryInfo(image)->pixels);
    ImgQueryInfo(image)->pixels[0] ^= 0xFF;
    EXPECT_EQ(FirstDifference(picture, ReadImage(copy)), "");
    ImgRelease(image);
    ImgRelease(copy);
}

TEST(SaveBmp, WritesA24BitFileThatReadsBackExactly) {
    const std::string folder = TestFolder("WriteBmp");
    for (int width = 1; width <= 5; ++width) {
        const Picture picture = RandomPicture(width, 4, uint32_t(width));
        DibHandle image = MakeImage(picture, 0);
        const std::string path = folder + "/out.bmp";
        ASSERT_TRUE(SaveImage(path.c_str(), image));
        const std::vector<uint8_t> bytes = ReadBytes(path);
        ASSERT_EQ(bytes.size(), 54 + size_t(Stride24(width)) * 4);
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[28], 24);
        DibHandle reread = ImgLoadFile(path.c_str());
        ASSERT_NE(reread, nullptr);
        EXPECT_EQ(FirstDifference(picture, ReadImage(reread)), "");
        ImgRelease(reread);
        ImgRelease(image);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1)
        << "no temporary file may be left behind";
}

TEST(SaveBmp, FailedWriteLeavesTheExistingFileAndNoTemporary) {
    const std::string folder = TestFolder("WriteFails");
    DibHandle image = MakeImage(RandomPicture(4, 4, 1));
    Failure error;
    EXPECT_FALSE(SaveImage((folder + "/missing/out.bmp").c_str(), image, LineFormat::Bmp, {}, 0, &error));
    EXPECT_NE(error.system, 0);

    // A folder in the way: the rename over it fails after the data was written.
    std::filesystem::create_directory(folder + "/taken.bmp");
    WriteBytes(folder + "/taken.bmp/keep.txt", {'k'});
    EXPECT_FALSE(SaveImage((folder + "/taken.bmp").c_str(), image, LineFormat::Bmp, {}, 0, &error));
    EXPECT_EQ(ReadBytes(folder + "/taken.bmp/keep.txt"), std::vector<uint8_t>{'k'});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
    ImgRelease(image);
}

#ifndef _WIN32
TEST(SaveBmp, WriteFailingPartwayLeavesTheExistingFileByteForByte) {
    const std::string folder = TestFolder("WriteFailsPartway");
    const std::string path = folder + "/out.bmp";
    std::vector<uint8_t> existing(5000);
    for (size_t i = 0; i < existing.size(); ++i) existing[i] = uint8_t(i * 7);
    WriteBytes(path, existing);
    DibHandle image = MakeImage(RandomPicture(100, 100, 3));
    Failure error;
    {
        const FileSizeLimit limit(4096);
        EXPECT_FALSE(SaveImage(path.c_str(), image, LineFormat::Bmp, {}, 0, &error));
    }
    EXPECT_EQ(error.system, EFBIG);
    EXPECT_EQ(ReadBytes(path), existing);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1)
        << "no temporary file may be left behind";
    ImgRelease(image);
}
#endif

TEST(SaveBmp, ReplacesAnExistingFileWhole) {
    const std::string path = TestFolder("Replace") + "/out.bmp";
    WriteBytes(path, std::vector<uint8_t>(5000, 7));
    const Picture picture = RandomPicture(3, 2, 5);
    DibHandle image = MakeImage(picture, 0);
    ASSERT_TRUE(SaveImage(path.c_str(), image));
    EXPECT_EQ(ReadBytes(path).size(), 54u + 12 * 2);
    ImgRelease(image);
}
