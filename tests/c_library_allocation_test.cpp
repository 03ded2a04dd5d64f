// The C library with each allocation of a conversion failing in turn
// (allocation_failure.h), by every door: each run gives
// VELMORA_ERROR_OUT_OF_MEMORY and no output, or (the failure survived:
// libjpeg asks again for less) the whole output.
#include "allocation_failure.h"
#include "test_images.h"
#include "velmora.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Output {
    std::vector<uint8_t> bytes;
    size_t read = 0;
    const std::vector<uint8_t>* input = nullptr;
};

size_t Read(void* user, void* buffer, size_t size) {
    auto& output = *static_cast<Output*>(user);
    const size_t count = std::min(size, output.input->size() - output.read);
    std::memcpy(buffer, output.input->data() + output.read, count);
    output.read += count;
    return count;
}

// Takes the bytes into room made before the conversion, so that the
// callback itself allocates nothing.
int Write(void* user, const void* bytes, size_t size) {
    auto& output = *static_cast<Output*>(user);
    if (output.bytes.size() + size > output.bytes.capacity()) return 1;
    output.bytes.insert(output.bytes.end(), static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + size);
    return 0;
}

// A conversion by one door with the n-th allocation of the library's call
// failing (none for 0): its result and, on success, the output.
using Door =
    std::function<int(const std::vector<uint8_t>& input, const velmora_options&, int64_t n, std::vector<uint8_t>&)>;

// The library's call with the n-th of its allocations failing.
int Failing(int64_t n, const std::function<int()>& call) {
    FailAllocation(n);
    const int error = call();
    FailAllocation(0);
    return error;
}

}  // namespace

TEST(VelmoraEachAllocationFailing, RefusesAsOutOfMemoryAndGivesNothing) {
    const std::string folder = TestFolder("VelmoraEachAllocationFailing");
    const std::string inputFile = folder + "/input";
    const std::string outputFile = folder + "/output";
    const std::vector<std::pair<const char*, Door>> doors = {
        {"memory",
         [](const std::vector<uint8_t>& input, const velmora_options& options, int64_t n, std::vector<uint8_t>& result) {
             void* output = nullptr;
             size_t size = 0;
             const int error =
                 Failing(n, [&] { return velmora_convert(input.data(), input.size(), &options, &output, &size); });
             EXPECT_EQ(output == nullptr, error != VELMORA_OK);
             if (output) result.assign(static_cast<uint8_t*>(output), static_cast<uint8_t*>(output) + size);
             velmora_free(output);
             return error;
         }},
        {"stream",
         [](const std::vector<uint8_t>& input, const velmora_options& options, int64_t n, std::vector<uint8_t>& result) {
             Output output;
             output.input = &input;
             output.bytes.reserve(1 << 20);
             const int error = Failing(n, [&] { return velmora_convert_stream(Read, &output, Write, &output, &options); });
             if (error == VELMORA_OK) result = output.bytes;
             return error;
         }},
        {"file",
         [&](const std::vector<uint8_t>&, const velmora_options& options, int64_t n, std::vector<uint8_t>& result) {
             const int error =
                 Failing(n, [&] { return velmora_convert_file(inputFile.c_str(), outputFile.c_str(), &options); });
             if (error == VELMORA_OK) {
                 result = ReadBytes(outputFile);
                 std::filesystem::remove(outputFile);
             }
             return error;
         }},
    };
    velmora_options options;
    velmora_options_init(&options);
    options.noise = 1;
    for (const char* name : {"jpeg/progressive.jpg", "pngsuite/png/basi2c08.png", "pngsuite/png/tbbn3p08.png"}) {
        const std::vector<uint8_t> input = ReadBytes(std::string(VELMORA_TEST_DATA) + "/" + name);
        WriteBytes(inputFile, input);
        for (const int format : {VELMORA_FORMAT_BMP, VELMORA_FORMAT_PNG, VELMORA_FORMAT_SVG}) {
            options.format = format;
            for (const auto& [doorName, door] : doors) {
                SCOPED_TRACE(std::string(name) + ", format " + std::to_string(format) + ", " + doorName);
                std::vector<uint8_t> expected;
                ASSERT_EQ(door(input, options, 0, expected), VELMORA_OK);
                for (int64_t n = 1; n == 1 || AllocationFailed(); ++n) {
                    std::vector<uint8_t> result;
                    const int error = door(input, options, n, result);
                    if (error == VELMORA_OK) {
                        EXPECT_TRUE(result == expected) << "allocation " << n;
                    } else {
                        ASSERT_EQ(error, VELMORA_ERROR_OUT_OF_MEMORY) << "allocation " << n;
                    }
                    ASSERT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                                            std::filesystem::directory_iterator()),
                              1)
                        << "allocation " << n << " left a file";
                }
            }
        }
    }
}
