// The loops of pixel_layouts.h: plain ones, and where the compiler has
// SSSE3's byte shuffle (the AVX2 file) the shuffled ones, on aarch64 the
// NEON ones, each doing what it can in blocks and leaving the rest of the
// row to the plain loop. Internal linkage, as byte_vector.h says why.
#pragma once

#include <cstdint>

#if defined(__SSSE3__)
#include <immintrin.h>
#elif defined(__aarch64__)
#include <arm_neon.h>
#endif

namespace {

void SwapRedBluePlain(const uint8_t* from, int width, uint8_t* to) {
    for (int x = 0; x < width; ++x, from += 3, to += 3) {
        const uint8_t first = from[0], third = from[2];
        to[0] = third;
        to[1] = from[1];
        to[2] = first;
    }
}

void GreyToBgrPlain(const uint8_t* from, int width, uint8_t* to) {
    for (int x = 0; x < width; ++x, to += 3) to[0] = to[1] = to[2] = from[x];
}

void FirstOfThreePlain(const uint8_t* from, int width, uint8_t* to) {
    for (int x = 0; x < width; ++x) to[x] = from[3 * x];
}

#if defined(__SSSE3__)

__m128i LoadBytes(const uint8_t* bytes) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

void StoreBytes(uint8_t* bytes, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), v);
}

// 4 pixels a step: 16 bytes read and written, of which the last 4 (the next
// pixel's, copied as they are) the next step writes again; so from may be
// to itself.
void SwapRedBlueShuffled(const uint8_t* from, int width, uint8_t* to) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 12, 13, 14, 15);
    int x = 0;
    for (; 3 * x + 16 <= 3 * width; x += 4) StoreBytes(to + 3 * x, _mm_shuffle_epi8(LoadBytes(from + 3 * x), order));
    SwapRedBluePlain(from + 3 * x, width - x, to + 3 * x);
}

// 16 pixels a step: 16 grey bytes into 48, a third from each shuffle.
void GreyToBgrShuffled(const uint8_t* from, int width, uint8_t* to) {
    const __m128i first = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m128i second = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m128i third = _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m128i grey = LoadBytes(from + x);
        StoreBytes(to + 3 * x, _mm_shuffle_epi8(grey, first));
        StoreBytes(to + 3 * x + 16, _mm_shuffle_epi8(grey, second));
        StoreBytes(to + 3 * x + 32, _mm_shuffle_epi8(grey, third));
    }
    GreyToBgrPlain(from + x, width - x, to + 3 * x);
}

// 16 pixels a step: each of the 48 bytes' three vectors gives the first
// bytes it holds, at their places in the 16 (-1 leaves a zero).
void FirstOfThreeShuffled(const uint8_t* from, int width, uint8_t* to) {
    const __m128i first = _mm_setr_epi8(0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i second = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14, -1, -1, -1, -1, -1);
    const __m128i third = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1, 4, 7, 10, 13);
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const uint8_t* block = from + 3 * x;
        const __m128i low = _mm_or_si128(_mm_shuffle_epi8(LoadBytes(block), first),
                                         _mm_shuffle_epi8(LoadBytes(block + 16), second));
        StoreBytes(to + x, _mm_or_si128(low, _mm_shuffle_epi8(LoadBytes(block + 32), third)));
    }
    FirstOfThreePlain(from + 3 * x, width - x, to + x);
}

#elif defined(__aarch64__)

// 16 pixels a step. NEON loads and stores 3 bytes a pixel as three vectors,
// one of each channel, which is each layout's work with no shuffle; a step
// reads its 48 bytes before it writes them, so from may be to itself.
void SwapRedBlueNeon(const uint8_t* from, int width, uint8_t* to) {
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        uint8x16x3_t pixels = vld3q_u8(from + 3 * x);
        const uint8x16_t first = pixels.val[0];
        pixels.val[0] = pixels.val[2];
        pixels.val[2] = first;
        vst3q_u8(to + 3 * x, pixels);
    }
    SwapRedBluePlain(from + 3 * x, width - x, to + 3 * x);
}

void GreyToBgrNeon(const uint8_t* from, int width, uint8_t* to) {
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const uint8x16_t grey = vld1q_u8(from + x);
        vst3q_u8(to + 3 * x, uint8x16x3_t{{grey, grey, grey}});
    }
    GreyToBgrPlain(from + x, width - x, to + 3 * x);
}

void FirstOfThreeNeon(const uint8_t* from, int width, uint8_t* to) {
    int x = 0;
    for (; x + 16 <= width; x += 16) vst1q_u8(to + x, vld3q_u8(from + 3 * x).val[0]);
    FirstOfThreePlain(from + 3 * x, width - x, to + x);
}

#endif

}  // namespace
