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

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// One thread's work: its own picture, format and options.
struct Job {
    std::vector<uint8_t> input;
    velmora_options options;
};

// The output of the job's conversion followed by the lines extracted from
// a picture made of its input's bytes.
std::vector<uint8_t> RunJob(const Job& job) {
    void* output = nullptr;
    size_t size = 0;
    if (velmora_convert(job.input.data(), job.input.size(), &job.options, &output, &size) != VELMORA_OK) return {};
    const auto* bytes = static_cast<const uint8_t*>(output);
    std::vector<uint8_t> result(bytes, bytes + size);
    velmora_free(output);
    const int width = 61;
    const int height = int(job.input.size() / 3 / width);
    std::vector<uint8_t> lines(size_t(width) * height);
    if (velmora_extract(job.input.data(), width, height, 3 * width, VELMORA_LAYOUT_RGB, &job.options, lines.data(),
                        width) != VELMORA_OK) {
        return {};
    }
    result.insert(result.end(), lines.begin(), lines.end());
    return result;
}

}  // namespace

TEST(VelmoraThreads, EightAtOnceGiveWhatEachGivesAlone) {
    const char* const names[] = {"baseline.jpg",      "progressive.jpg",   "grey.jpg",          "cmyk.jpg",
                                 "subsampled-420.jpg", "subsampled-422.jpg", "subsampled-440.jpg", "restart-markers.jpg"};
    std::vector<Job> jobs;
    for (int i = 0; i < 8; ++i) {
        Job job{ReadBytes(std::string(VELMORA_TEST_DATA) + "/jpeg/" + names[i]), {}};
        velmora_options_init(&job.options);
        job.options.format = i % 3;
        job.options.thickness = i % 2;
        job.options.noise = i / 4;
        job.options.contrast = 2 + i;
        jobs.push_back(job);
    }
    std::vector<std::vector<uint8_t>> alone;
    for (const Job& job : jobs) {
        alone.push_back(RunJob(job));
        ASSERT_FALSE(alone.back().empty());
    }
    constexpr int Rounds = 5;
    std::vector<std::vector<std::vector<uint8_t>>> together(jobs.size(), std::vector<std::vector<uint8_t>>(Rounds));
    std::vector<std::thread> threads;
    for (size_t i = 0; i < jobs.size(); ++i) {
        threads.emplace_back([&, i] {
            for (int round = 0; round < Rounds; ++round) together[i][size_t(round)] = RunJob(jobs[i]);
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (size_t i = 0; i < jobs.size(); ++i) {
        for (int round = 0; round < Rounds; ++round) {
            EXPECT_TRUE(together[i][size_t(round)] == alone[i]) << names[i] << ", round " << round;
        }
    }
}
