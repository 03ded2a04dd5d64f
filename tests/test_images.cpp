#include "test_images.h"

#include "kernels/edge_extraction.h"
#include "kernels/noise_removal.h"
#include "pipeline/image.h"
#include "pipeline/output_formats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

Picture GreyPicture(const std::vector<std::vector<int>>& rows) {
    Picture picture;
    picture.height = static_cast<int>(rows.size());
    picture.width = static_cast<int>(rows[0].size());
    for (const auto& row : rows) {
        for (int value : row) {
            const auto byte = static_cast<uint8_t>(value);
            picture.pixels.push_back({byte, byte, byte});
        }
    }
    return picture;
}

Picture DarkPicture(const std::vector<std::string>& rows) {
    Picture picture;
    picture.height = static_cast<int>(rows.size());
    picture.width = static_cast<int>(rows[0].size());
    for (const auto& row : rows) {
        for (char c : row) {
            const uint8_t byte = c == 'D' ? 0 : 255;
            picture.pixels.push_back({byte, byte, byte});
        }
    }
    return picture;
}

Picture RandomPicture(int width, int height, uint32_t seed) {
    std::mt19937 random(seed);
    Picture picture{width, height, std::vector<Bgr>(size_t(width) * height)};
    const int stepX = int(random() % uint32_t(width + 1));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int base = (x * 7 + y * 5) % 256;
            const int step = x >= stepX ? 90 : 0;
            const int noise = int(random() % 41) - 20;
            auto channel = [&](int shift) { return static_cast<uint8_t>(std::clamp(base + step + noise + shift, 0, 255)); };
            picture.At(x, y) = {channel(0), channel(int(random() % 60) - 30), channel(int(random() % 200) - 100)};
            if (random() % 17 == 0) picture.At(x, y) = {uint8_t(random()), uint8_t(random()), uint8_t(random())};
        }
    }
    return picture;
}

Picture Crop(const Picture& picture, int left, int top, int width, int height) {
    Picture part{width, height, {}};
    for (int y = top; y < top + height; ++y) {
        const auto row = picture.pixels.begin() + ptrdiff_t(y) * picture.width + left;
        part.pixels.insert(part.pixels.end(), row, row + width);
    }
    return part;
}

DibHandle MakeImage(const Picture& picture, uint8_t fill) {
    ImageError error = ImageError::None;
    DibHandle image = DibCreate(picture.width, picture.height, 24, &error);
    const int stride = Stride24(picture.width);
    for (int y = 0; y < picture.height; ++y) {
        uint8_t* row = DibRow(image, y);
        for (int x = 0; x < picture.width; ++x) {
            row[3 * x] = picture.At(x, y).blue;
            row[3 * x + 1] = picture.At(x, y).green;
            row[3 * x + 2] = picture.At(x, y).red;
        }
        for (int i = 3 * picture.width; i < stride; ++i) row[i] = fill;
    }
    return image;
}

Picture ReadImage(const DibInfo& info) {
    Picture picture{info.header->biWidth, info.header->biHeight, {}};
    const int stride = Stride24(picture.width);
    for (int y = 0; y < picture.height; ++y) {
        const uint8_t* row = info.pixels + int64_t{picture.height - 1 - y} * stride;
        for (int x = 0; x < picture.width; ++x) picture.pixels.push_back({row[3 * x], row[3 * x + 1], row[3 * x + 2]});
    }
    return picture;
}

Picture ReadImage(DibHandle image) {
    return ReadImage(*ImgQueryInfo(image));
}

std::vector<InstructionSet> RunnableInstructionSets() {
#if defined(__SSE2__)
    std::vector<InstructionSet> sets = {InstructionSet::Plain, InstructionSet::Sse2};
    if (WidestInstructionSet() == InstructionSet::Avx2) sets.push_back(InstructionSet::Avx2);
    return sets;
#elif defined(__aarch64__)
    return {InstructionSet::Plain, InstructionSet::Neon};
#else
    return {InstructionSet::Plain};
#endif
}

bool PaddingIs(DibHandle image, uint8_t fill) {
    const int width = image->header.biWidth;
    const int stride = Stride24(width);
    for (int y = 0; y < image->header.biHeight; ++y) {
        const uint8_t* row = DibRow(image, y);
        for (int i = 3 * width; i < stride; ++i) {
            if (row[i] != fill) return false;
        }
    }
    return true;
}

std::string FirstDifference(const Picture& expected, const Picture& actual) {
    if (expected.width != actual.width || expected.height != actual.height) {
        return "size " + std::to_string(actual.width) + "x" + std::to_string(actual.height) + ", expected " +
               std::to_string(expected.width) + "x" + std::to_string(expected.height);
    }
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            const Bgr& e = expected.At(x, y);
            const Bgr& a = actual.At(x, y);
            if (!(e == a)) {
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is (" + std::to_string(a.blue) +
                       ", " + std::to_string(a.green) + ", " + std::to_string(a.red) + "), expected (" +
                       std::to_string(e.blue) + ", " + std::to_string(e.green) + ", " + std::to_string(e.red) + ")";
            }
        }
    }
    return {};
}

std::string TestFolder(const std::string& name) {
    const std::filesystem::path folder = std::filesystem::path(VELMORA_TEST_OUTPUT) / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.generic_string();
}

std::vector<uint8_t> SvgOf(const Picture& picture, int thickness, const OutputColours& colours) {
    DibHandle image = MakeImage(picture);
    std::vector<uint8_t> svg;
    EncodeImage(image, LineFormat::Svg, colours, thickness, svg);
    ImgRelease(image);
    return svg;
}

// Paths are UTF-8, as the program's own are, whatever a test program's code
// page on Windows.
std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream file(std::filesystem::u8path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(std::filesystem::u8path(path), std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Picture ExtractedWith(ExtractFunction extract, const Picture& source, int thickness, int contrast, InstructionSet set) {
    DibHandle from = MakeImage(source);
    DibHandle to = MakeImage(source, 0x5A);
    EXPECT_TRUE(extract(from, to, thickness, contrast, set));
    EXPECT_TRUE(PaddingIs(to, 0x5A)) << "padding of the result was written";
    EXPECT_TRUE(PaddingIs(from, 0xA5)) << "padding of the source was written";
    EXPECT_EQ(FirstDifference(source, ReadImage(from)), "") << "the source was changed";
    Picture result = ReadImage(to);
    ImgRelease(from);
    ImgRelease(to);
    return result;
}

Picture ExpectedDrawing(const Picture& source, int thickness, int contrast, bool noise) {
    DibHandle from = MakeImage(source);
    DibHandle to = MakeImage(source);
    ExtractEdges(from, to, thickness, contrast);
    if (noise) RemoveSpecks(to, thickness);
    Picture result = ReadImage(to);
    ImgRelease(from);
    ImgRelease(to);
    return result;
}

std::vector<std::string> RefusedFuzzInputs() {
    std::vector<std::string> refused;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(VELMORA_TEST_DATA) + "/fuzz")) {
        if (entry.path().extension() == ".md") continue;
        const std::string path = entry.path().generic_string();
        DibHandle image = ImgLoadFile(path.c_str());
        if (!image) refused.push_back(path);
        ImgRelease(image);
    }
    return refused;
}
