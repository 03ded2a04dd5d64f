// Eight threads converting and extracting different pictures through the C
// interface at once give the bytes each gives alone. Built also under
// ThreadSanitizer by scripts/test.sh, which then reports any data race.
#include "velmora.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

// The conversion of the picture file's bytes followed by the lines
// extracted from a picture made of those bytes, 61 RGB pixels a row.
std::vector<uint8_t> Converted(const std::vector<uint8_t>& input, const velmora_options& options) {
    void* output = nullptr;
    size_t size = 0;
    if (velmora_convert(input.data(), input.size(), &options, &output, &size) != VELMORA_OK) return {};
    std::vector<uint8_t> result(static_cast<uint8_t*>(output), static_cast<uint8_t*>(output) + size);
    velmora_free(output);
    const int width = 61, height = int(input.size() / 3 / width);
    std::vector<uint8_t> lines(size_t(width) * height);
    if (velmora_extract(input.data(), width, height, 3 * width, VELMORA_LAYOUT_RGB, &options, lines.data(), width)) {
        return {};
    }
    result.insert(result.end(), lines.begin(), lines.end());
    return result;
}

}  // namespace

TEST(VelmoraThreads, EightAtOnceGiveWhatEachGivesAlone) {
    const char* const names[] = {"baseline.jpg",       "progressive.jpg",    "grey.jpg",           "cmyk.jpg",
                                 "subsampled-420.jpg", "subsampled-422.jpg", "subsampled-440.jpg", "restart-markers.jpg"};
    std::vector<std::vector<uint8_t>> inputs, alone;
    std::vector<velmora_options> options(8);
    for (int i = 0; i < 8; ++i) {
        std::ifstream file(std::string(VELMORA_TEST_DATA) + "/jpeg/" + names[i], std::ios::binary);
        inputs.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        velmora_options_init(&options[i]);
        options[i].format = i % 3, options[i].thickness = i % 2, options[i].noise = i / 4, options[i].contrast = 2 + i;
        alone.push_back(Converted(inputs[i], options[i]));
        ASSERT_FALSE(alone.back().empty()) << names[i];
    }
    // Checked after the threads end, as assertions need not be thread-safe.
    std::vector<int> differing(8);
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&, i] {
            for (int round = 0; round < 5; ++round) differing[size_t(i)] += Converted(inputs[i], options[i]) != alone[i];
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int i = 0; i < 8; ++i) EXPECT_EQ(differing[size_t(i)], 0) << names[i];
}
