#include "stb_decoder.h"

#include "container_checks.h"
#include "dib.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// stb reads memory that a damaged file never had it write: a PNG
// back-reference with distance code 30 or 31 (which it takes as distance 0),
// a JPEG component or block that no scan covers. Every allocation of the
// decoder starts zeroed so that such reads give zeros, the same on every run,
// instead of whatever the heap held before.
void* AllocateZeroed(size_t size) {
    return std::calloc(1, size);
}

void* ReallocateZeroed(void* memory, size_t oldSize, size_t newSize) {
    auto* grown = static_cast<unsigned char*>(std::realloc(memory, newSize));
    if (grown && newSize > oldSize) std::memset(grown + oldSize, 0, newSize - oldSize);
    return grown;
}

}  // namespace

#define STBI_MALLOC(size) AllocateZeroed(size)
#define STBI_REALLOC_SIZED(memory, oldSize, newSize) ReallocateZeroed(memory, oldSize, newSize)
#define STBI_FREE(memory) std::free(memory)
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#include "stb_image.h"

namespace {

struct StbPixels {
    stbi_uc* data;
    ~StbPixels() { stbi_image_free(data); }
};

// Rounds each 16-bit sample to the nearest 8-bit value, in place; the
// buffer keeps its allocation (and stb's deallocator).
stbi_uc* Reduce16To8(stbi_us* samples, size_t count) {
    if (!samples) return nullptr;
    auto* reduced = reinterpret_cast<stbi_uc*>(samples);
    for (size_t i = 0; i < count; ++i) reduced[i] = static_cast<stbi_uc>((samples[i] * 255u + 32767u) / 65535u);
    return reduced;
}

bool AllOpaque(const uint8_t* rgba, size_t pixelCount) {
    for (size_t i = 0; i < pixelCount; ++i) {
        if (rgba[i * 4 + 3] != 255) return false;
    }
    return true;
}

}  // namespace

DibHandle DecodeWithStb(const uint8_t* data, size_t size, ImageError* error) {
    const std::vector<uint8_t> padded = LooksLikePng(data, size) ? PngWithFullPalette(data, size) : std::vector<uint8_t>();
    if (!padded.empty()) {
        data = padded.data();
        size = padded.size();
    }
    if (size > INT_MAX) {
        *error = ImageError::TooLarge;
        return nullptr;
    }
    const int length = static_cast<int>(size);
    int width = 0;
    int height = 0;
    int channelsInFile = 0;
    if (!stbi_info_from_memory(data, length, &width, &height, &channelsInFile)) {
        *error = ImageError::Corrupt;
        return nullptr;
    }
    // Colour-keyed transparency (tRNS) does not show in the channel count, so
    // every PNG is decoded with alpha; JPEG has none.
    const int channels = LooksLikePng(data, size) ? 4 : 3;
    if (!DibSizeAllowed(width, height, 8 * channels)) {
        *error = ImageError::TooLarge;
        return nullptr;
    }
    // stb reduces 16-bit samples by dropping the low byte, which is one too
    // high for some values; they are decoded at full depth and rounded here.
    StbPixels decoded{nullptr};
    if (stbi_is_16_bit_from_memory(data, length)) {
        stbi_us* samples = stbi_load_16_from_memory(data, length, &width, &height, &channelsInFile, channels);
        decoded.data = Reduce16To8(samples, size_t(width) * size_t(height) * size_t(channels));
    } else {
        decoded.data = stbi_load_from_memory(data, length, &width, &height, &channelsInFile, channels);
    }
    if (!decoded.data) {
        *error = ImageError::Corrupt;
        return nullptr;
    }
    const size_t pixelCount = size_t(width) * size_t(height);
    const bool opaque = channels == 3 || AllOpaque(decoded.data, pixelCount);
    DibHandle image = DibCreate(width, height, opaque ? 24 : 32, error);
    if (!image) return nullptr;

    const uint8_t* source = decoded.data;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = DibRow(image, y);
        if (opaque) {
            for (int x = 0; x < width; ++x, source += channels, row += 3) {
                row[0] = source[2];
                row[1] = source[1];
                row[2] = source[0];
            }
        } else {
            for (int x = 0; x < width; ++x, source += 4, row += 4) {
                row[0] = source[2];
                row[1] = source[1];
                row[2] = source[0];
                row[3] = source[3];
            }
        }
    }
    return image;
}
