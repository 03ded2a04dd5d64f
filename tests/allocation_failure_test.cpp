// Fails the N-th allocation of a conversion, for N = 1, 2, ... until none
// fails: the program's own through operator new, replaced here, the image
// libraries' through their allocation calls, wrapped at link time. Each run
// refuses as out of memory and writes nothing, or (the failure survived:
// libjpeg asks again for less) writes the whole result.
#include "convert.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <new>

#include <spng.h>

namespace {

int64_t countdown = 0;  // 0: nothing fails
bool failureMade = false;

bool FailThisOne() {
    if (countdown <= 0 || --countdown != 0) return false;
    return failureMade = true;
}

void* Allocate(std::size_t size) { return FailThisOne() ? nullptr : std::malloc(size ? size : 1); }

// libspng's allocator, asked for more than there is to fail as it would.
spng_alloc given;
void* Malloc(size_t size) { return given.malloc_fn(FailThisOne() ? SIZE_MAX : size); }
void* Realloc(void* memory, size_t size) { return given.realloc_fn(memory, FailThisOne() ? SIZE_MAX : size); }
void* Calloc(size_t count, size_t size) { return given.calloc_fn(FailThisOne() ? SIZE_MAX : count, size); }
void Free(void* memory) { given.free_fn(memory); }
spng_alloc failing = {Malloc, Realloc, Calloc, Free};

}  // namespace

// Every form, as AddressSanitizer replaces every form too.
void* operator new(std::size_t size) {
    if (void* memory = Allocate(size)) return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

extern "C" {
void* __real_jpeg_get_small(void* info, size_t size);
void* __real_jpeg_get_large(void* info, size_t size);
spng_ctx* __real_spng_ctx_new2(spng_alloc* alloc, int flags);
void* __wrap_jpeg_get_small(void* info, size_t size) { return FailThisOne() ? nullptr : __real_jpeg_get_small(info, size); }
void* __wrap_jpeg_get_large(void* info, size_t size) { return FailThisOne() ? nullptr : __real_jpeg_get_large(info, size); }
spng_ctx* __wrap_spng_ctx_new2(spng_alloc* alloc, int flags) {
    if (FailThisOne()) return nullptr;
    given = *alloc;
    return __real_spng_ctx_new2(&failing, flags);
}
spng_ctx* __wrap_spng_ctx_new(int flags) {
    spng_alloc system = {std::malloc, std::realloc, std::calloc, std::free};
    return __wrap_spng_ctx_new2(&system, flags);
}
#ifdef __SANITIZE_ADDRESS__
const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif
}

TEST(EachAllocationFailing, ConversionRefusesAsOutOfMemoryAndWritesNothing) {
    const std::string folder = TestFolder("EachAllocationFailing");
    const std::string output = folder + "/out";
    ConvertOptions options;
    options.noise = true;
    for (const char* name : {"jpeg/baseline.jpg", "jpeg/progressive.jpg", "jpeg/cmyk.jpg",
                             "pngsuite/png/basi2c08.png", "pngsuite/png/tbbn3p08.png"}) {
        const std::string input = std::string(VELMORA_TEST_DATA) + "/" + name;
        for (const OutputFormat format : {OutputFormat::Bmp, OutputFormat::Png, OutputFormat::Svg}) {
            options.format = format;
            ASSERT_EQ(ConvertFile(input, output, options), "") << name;
            const std::vector<uint8_t> expected = ReadBytes(output);
            std::filesystem::remove(output);
            for (int64_t n = 1; n == 1 || failureMade; ++n) {
                failureMade = false;
                countdown = n;
                const std::string message = ConvertFile(input, output, options);
                countdown = 0;
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
