// Fails the N-th allocation of a conversion (allocation_failure.h), for
// N = 1, 2, ... until none fails. Each run refuses as out of memory and
// writes nothing, or (the failure survived: libjpeg asks again for less)
// writes the whole result.
#include "allocation_failure.h"
#include "convert.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

TEST(EachAllocationFailing, ConversionRefusesAsOutOfMemoryAndWritesNothing) {
    const std::string folder = TestFolder("EachAllocationFailing");
    const std::string output = folder + "/out";
    ConvertOptions options;
    options.noise = true;
    for (const char* name : {"jpeg/baseline.jpg", "jpeg/progressive.jpg", "jpeg/cmyk.jpg",
                             "pngsuite/png/basi2c08.png", "pngsuite/png/tbbn3p08.png"}) {
        const std::string input = std::string(VELMORA_TEST_DATA) + "/" + name;
        for (const int format : {VELMORA_FORMAT_BMP, VELMORA_FORMAT_PNG, VELMORA_FORMAT_SVG}) {
            options.format = format;
            ASSERT_EQ(ConvertFile(input, output, options), "") << name;
            const std::vector<uint8_t> expected = ReadBytes(output);
            std::filesystem::remove(output);
            for (int64_t n = 1; n == 1 || AllocationFailed(); ++n) {
                FailAllocation(n);
                const std::string message = ConvertFile(input, output, options);
                FailAllocation(0);
                if (message.empty()) {
                    EXPECT_TRUE(ReadBytes(output) == expected) << name << ", allocation " << n;
                    std::filesystem::remove(output);
                } else {
                    ASSERT_TRUE(message.ends_with(": out of memory")) << message << ", allocation " << n;
                }
                ASSERT_TRUE(std::filesystem::is_empty(folder)) << name << ", allocation " << n;
            }
        }
    }
}
