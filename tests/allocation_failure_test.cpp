// Fails one allocation in turn, the N-th for N = 1, 2, ..., of everything a
// load or a conversion allocates: the program's own through operator new,
// which is replaced here (the pixel buffers take it too), libjpeg-turbo's
// through jpeg_get_small and jpeg_get_large, and libspng's through the
// allocators it is given; those are wrapped at link time. Every run must end
// in a clean refusal as out of memory or, where the failure is survived
// (libjpeg asks again for less), in the whole result, until N is past the
// last allocation.
#include "convert.h"
#include "image.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <new>

#include <spng.h>

namespace {

std::atomic<int64_t> countdown{0};  // allocations before the one that fails; 0: none fails
std::atomic<bool> failureMade{false};

bool FailThisOne() {
    if (countdown.load() <= 0 || --countdown != 0) return false;
    failureMade = true;
    return true;
}

void* Allocate(std::size_t size) {
    return FailThisOne() ? nullptr : std::malloc(size ? size : 1);
}

// The allocator libspng was given, the system's or the decoder's own that
// notes failures; a failure is made as the system would make it, by asking
// it for more than can be had.
spng_alloc decoderAllocator;
void* WrappedMalloc(size_t size) { return decoderAllocator.malloc_fn(FailThisOne() ? SIZE_MAX : size); }
void* WrappedRealloc(void* memory, size_t size) {
    return decoderAllocator.realloc_fn(memory, FailThisOne() ? SIZE_MAX : size);
}
void* WrappedCalloc(size_t count, size_t size) {
    return decoderAllocator.calloc_fn(FailThisOne() ? SIZE_MAX : count, size);
}
void WrappedFree(void* memory) { decoderAllocator.free_fn(memory); }
spng_alloc failingAllocator = {WrappedMalloc, WrappedRealloc, WrappedCalloc, WrappedFree};

}  // namespace

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
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

extern "C" {
void* __real_jpeg_get_small(void* info, size_t size);
void* __real_jpeg_get_large(void* info, size_t size);
spng_ctx* __real_spng_ctx_new2(spng_alloc* alloc, int flags);

spng_ctx* __wrap_spng_ctx_new2(spng_alloc* alloc, int flags);
spng_ctx* __wrap_spng_ctx_new(int flags) {
    spng_alloc system = {std::malloc, std::realloc, std::calloc, std::free};
    return __wrap_spng_ctx_new2(&system, flags);
}

void* __wrap_jpeg_get_small(void* info, size_t size) {
    return FailThisOne() ? nullptr : __real_jpeg_get_small(info, size);
}
void* __wrap_jpeg_get_large(void* info, size_t size) {
    return FailThisOne() ? nullptr : __real_jpeg_get_large(info, size);
}
spng_ctx* __wrap_spng_ctx_new2(spng_alloc* alloc, int flags) {
    if (FailThisOne()) return nullptr;
    decoderAllocator = *alloc;
    return __real_spng_ctx_new2(&failingAllocator, flags);
}

#ifdef __SANITIZE_ADDRESS__
// A request for more than can be had is a failure to report, not an error.
const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif
}

namespace {

const std::string Data = VELMORA_TEST_DATA;
const char* const Inputs[] = {"/jpeg/baseline.jpg", "/jpeg/progressive.jpg", "/jpeg/cmyk.jpg",
                              "/pngsuite/png/basi2c08.png", "/pngsuite/png/tbbn3p08.png"};

// Runs attempt with the n-th allocation failing; whether it was reached.
template <typename Attempt>
bool WithAllocationFailing(int64_t n, Attempt attempt) {
    failureMade = false;
    countdown = n;
    attempt();
    countdown = 0;
    return failureMade;
}

TEST(EachAllocationFailing, LoadingRefusesAsOutOfMemoryOrGivesThePicture) {
    for (const char* name : Inputs) {
        const std::vector<uint8_t> file = ReadBytes(Data + name);
        DibHandle whole = ImgLoadMemory(file.data(), file.size());
        ASSERT_NE(whole, nullptr) << name;
        const Picture expected = ReadImage(whole);
        ImgRelease(whole);
        for (int64_t n = 1;; ++n) {
            DibHandle image = nullptr;
            ImageError error = ImageError::None;
            const bool failed = WithAllocationFailing(n, [&] { image = ImgLoadMemory(file.data(), file.size(), &error); });
            if (image) {
                EXPECT_EQ(FirstDifference(expected, ReadImage(image)), "") << name << ", allocation " << n;
                ImgRelease(image);
            } else {
                ASSERT_EQ(error, ImageError::OutOfMemory) << name << ", allocation " << n;
            }
            if (!failed) break;
        }
    }
}

TEST(EachAllocationFailing, ConversionRefusesAsOutOfMemoryAndWritesNothing) {
    const std::string folder = TestFolder("EachAllocationFailing");
    ConvertOptions options;
    options.noise = true;
    options.thickness = 1;
    for (const bool png : {false, true}) {
        options.png = png;
        for (const char* name : Inputs) {
            const std::string input = Data + name;
            const std::string output = folder + "/out";
            ASSERT_EQ(ConvertFile(input, output, options), "") << name;
            const std::vector<uint8_t> expected = ReadBytes(output);
            std::filesystem::remove(output);
            for (int64_t n = 1;; ++n) {
                std::string message;
                const bool failed = WithAllocationFailing(n, [&] { message = ConvertFile(input, output, options); });
                if (message.empty()) {
                    ASSERT_TRUE(ReadBytes(output) == expected) << name << ", allocation " << n;
                    std::filesystem::remove(output);
                } else {
                    ASSERT_TRUE(message.ends_with(": out of memory")) << message << ", allocation " << n;
                }
                ASSERT_TRUE(std::filesystem::is_empty(folder)) << name << ", allocation " << n;
                if (!failed) break;
            }
        }
    }
}

}  // namespace
