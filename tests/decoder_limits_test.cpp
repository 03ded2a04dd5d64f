// What the loader does with files made to break it: the kept fuzzer
// findings and files whose headers claim far more pixels than they hold.
#include "base/dib.h"
#include "kernels/edge_extraction.h"
#include "kernels/noise_removal.h"
#include "pipeline/image.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>

namespace {

const std::string FuzzData = std::string(VELMORA_TEST_DATA) + "/fuzz";

#ifdef __SANITIZE_ADDRESS__
// AddressSanitizer passes every allocation to this hook, installed once for
// the program, which remembers the largest.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, size_t),
                                                         void (*onFree)(const volatile void*));

std::atomic<size_t> largestAllocation{0};

void OnMalloc(const volatile void*, size_t size) {
    size_t largest = largestAllocation.load();
    while (size > largest && !largestAllocation.compare_exchange_weak(largest, size)) {
    }
}

void OnFree(const volatile void*) {}

const bool hooksInstalled = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;

// The largest single allocation while work ran; 0 when hooks are missing.
size_t LargestAllocationDuring(const std::function<void()>& work) {
    largestAllocation = 0;
    work();
    return hooksInstalled ? largestAllocation.load() : 0;
}
#else
// Without AddressSanitizer allocations cannot be watched; the sanitize
// preset runs this check.
size_t LargestAllocationDuring(const std::function<void()>& work) {
    work();
    return 0;
}
#endif

}  // namespace

TEST(DibSizeAllowed, RefusesMoreThanMaxImagePixels) {
    EXPECT_TRUE(DibSizeAllowed(16384, 16383, 32));
    EXPECT_TRUE(DibSizeAllowed(1, MaxImagePixels, 32));
    EXPECT_FALSE(DibSizeAllowed(1, MaxImagePixels + 1, 24));
    EXPECT_FALSE(DibSizeAllowed(16384, 16384, 24));
    EXPECT_FALSE(DibSizeAllowed(60000, 60000, 24));
    EXPECT_FALSE(DibSizeAllowed(INT32_MAX, INT32_MAX, 24));
    EXPECT_FALSE(DibSizeAllowed(0, 1, 24));
    EXPECT_FALSE(DibSizeAllowed(1, -1, 24));
}

TEST(ImgLoadFile, HugeClaimsWithFewBytesAreRefusedWithoutAllocatingThem) {
    // Real test images with their size fields raised (and PNG's checksum
    // fixed), and a progressive JPEG cut after its tables.
    const struct {
        const char* name;
        ImageError error;
    } files[] = {
        {"bmp-claims-60000x60000.bmp", ImageError::TooLarge},
        {"bmp-claims-16000x16000.bmp", ImageError::Corrupt},
        {"bmp-rle8-claims-16000x16000.bmp", ImageError::Corrupt},
        {"png-claims-16000x16000.png", ImageError::Corrupt},
        {"jpeg-baseline-claims-60000x60000.jpg", ImageError::TooLarge},
        {"jpeg-baseline-claims-65535x65535.jpg", ImageError::TooLarge},
        {"jpeg-progressive-claims-16000x16000.jpg", ImageError::Corrupt},
        {"jpeg-progressive-without-scans.jpg", ImageError::Corrupt},
    };
    for (const auto& file : files) {
        ImageError error = ImageError::None;
        DibHandle image = nullptr;
        const size_t largest = LargestAllocationDuring(
            [&] { image = ImgLoadFile((FuzzData + "/" + file.name).c_str(), &error); });
        EXPECT_EQ(image, nullptr) << file.name;
        EXPECT_EQ(error, file.error) << file.name;
        EXPECT_LT(largest, size_t{1} << 20) << file.name;
        ImgRelease(image);
    }
}

TEST(ImgLoadFile, ScansNamingTablesNotYetDefinedAreCorrupt) {
    for (const char* name : {"jpeg-scan-names-ac-table-2-never-defined.jpg", "jpeg-scan-before-its-ac-table.jpg"}) {
        ImageError error = ImageError::None;
        EXPECT_EQ(ImgLoadFile((FuzzData + "/" + name).c_str(), &error), nullptr) << name;
        EXPECT_EQ(error, ImageError::Corrupt) << name;
    }
}

TEST(ImgLoadFile, ProgressiveJpegsMayHaveUpToMaxJpegScans) {
    // The same picture: one coefficient of one component per scan, and the
    // scans of a second such file, for the rest, appended.
    const std::string jpeg = std::string(VELMORA_TEST_DATA) + "/jpeg/";
    DibHandle image = ImgLoadFile((jpeg + "scans-100.jpg").c_str());
    EXPECT_NE(image, nullptr);
    ImgRelease(image);
    ImageError error = ImageError::None;
    EXPECT_EQ(ImgLoadFile((jpeg + "scans-190.jpg").c_str(), &error), nullptr);
    EXPECT_EQ(error, ImageError::TooManyScans);
}

TEST(ImgLoadFile, PaletteIndicesPastThePaletteAreOpaqueBlack) {
    // 4 x 1, palette of red and green, pixels 0, 1, 2 and 255.
    DibHandle image = ImgLoadFile((FuzzData + "/png-indices-past-the-palette.png").c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->header.biBitCount, 24) << "every pixel opaque";
    const Picture picture = ReadImage(image);
    const Bgr red{0, 0, 255};
    const Bgr green{0, 255, 0};
    const Bgr black{0, 0, 0};
    EXPECT_EQ(picture.pixels, (std::vector<Bgr>{red, green, black, black}));
    ImgRelease(image);
}

TEST(ImgLoadFile, KeptFuzzInputsGiveNullOrAnImageThePipelineTakes) {
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(FuzzData)) {
        const std::string path = entry.path().generic_string();
        if (entry.path().extension() == ".md") continue;
        ImageError error = ImageError::None;
        DibHandle image = ImgLoadFile(path.c_str(), &error);
        ++checked;
        if (!image) {
            EXPECT_NE(error, ImageError::None) << path;
            continue;
        }
        EXPECT_EQ(error, ImageError::None) << path;
        ImgMake24(image);
        DibHandle result = ImgDuplicate(image);
        ASSERT_NE(result, nullptr) << path;
        ExtractEdges(image, result, 1, 7);
        RemoveSpecks(result, 1);
        EXPECT_TRUE(PaddingIs(result, 0)) << path;
        ImgRelease(result);
        ImgRelease(image);
    }
    EXPECT_GT(checked, 0);
}
