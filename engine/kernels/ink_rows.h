// The loops of ink extraction, written once over a vector of 16-bit words:
// the plain reference (Vector = void) and the SSE2 or NEON copy are built in
// ink_extraction.cpp, the AVX2 copy in kernels_avx2.cpp. Every step is
// integer arithmetic that no sum overflows, so each copy gives the same
// words; the plain loop finishes whatever the vector loop leaves.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "base/word_vector.h"

// The AVX2 copies; only for processors that have AVX2.
void InkLumaAvx2(const uint8_t* pixels, uint8_t* luma, int width);
void InkColumnsAvx2(uint16_t* columns, const uint8_t* added, const uint8_t* removed, int width);
void InkMarksAvx2(const uint16_t* columns, const uint8_t* luma, uint16_t* sums, uint16_t* marks, int width,
                  int multiplier, int offset);
void InkThinOutputAvx2(const uint16_t* above, const uint16_t* current, const uint16_t* below, uint16_t* grown,
                       uint8_t* out, int width);
void InkThickOutputAvx2(const uint16_t* above, const uint16_t* current, const uint16_t* below, uint16_t* grown,
                        uint8_t* out, int width);

// The window of the local mean: InkReach - 1 rows above a pixel and as many
// below, the same either way so that a picture may be worked through from
// either end; InkReach columns before it and InkReach - 1 after, a power of
// two for the doubling sums. The sum of its column sums, each shifted right
// by ColumnShift, is InkMeanScale times the mean and fits a 16-bit word.
constexpr int InkReach = 32;
constexpr int InkWindowRows = 2 * InkReach - 1;
constexpr int InkWindow = 2 * InkReach;
constexpr int ColumnShift = 4;
constexpr int InkMeanScale = InkWindowRows * InkWindow >> ColumnShift;
static_assert(InkMeanScale == 252 && (InkWindowRows * 255 >> ColumnShift) * InkWindow <= 0xFFFF);

namespace {

template <class Vector>
constexpr int Lanes = int(sizeof(Vector)) / 2;

// Where the vector loop stops: the plain loop takes over from there.
template <class Vector>
int VectorEnd(int count) {
    if constexpr (std::is_void_v<Vector>) {
        return 0;
    } else {
        return count - count % Lanes<Vector>;
    }
}

// The luma of pixels from to to of a row of 3 bytes, blue, green, red:
// (15 blue + 75 green + 38 red) / 128, rounded, weights that fit the signed
// bytes of AVX2's multiply-add.
inline void LumaOfPixels(const uint8_t* pixels, uint8_t* luma, int from, int to) {
    for (int x = from; x < to; ++x) {
        const uint8_t* pixel = pixels + 3 * x;
        luma[x] = uint8_t((15 * pixel[0] + 75 * pixel[1] + 38 * pixel[2] + 64) >> 7);
    }
}

// SSE2 has no byte shuffle to gather the channels: its copy is the plain
// loop.
template <class Vector>
void InkLuma(const uint8_t* pixels, uint8_t* luma, int width) {
    LumaOfPixels(pixels, luma, 0, width);
}

#ifdef __AVX2__

// 16 pixels at a time: four 12-byte groups of 4 pixels, each loaded as 16
// bytes into a half of a vector, spread to 4 bytes a pixel (the fourth 0),
// multiplied by the weights and added up pixel by pixel.
template <>
void InkLuma<WordVector32>(const uint8_t* pixels, uint8_t* luma, int width) {
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0, 1, 2, -1, 3, 4,
                                            5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i weights = _mm256_setr_epi8(15, 75, 38, 0, 15, 75, 38, 0, 15, 75, 38, 0, 15, 75, 38, 0, 15, 75, 38,
                                             0, 15, 75, 38, 0, 15, 75, 38, 0, 15, 75, 38, 0);
    const __m256i half = _mm256_set1_epi16(64);
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const auto load = [](const uint8_t* low, const uint8_t* high) {
        return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
                                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
    };
    int x = 0;
    // The last load reaches 4 bytes past the 16 pixels.
    for (; x + 18 <= width; x += 16) {
        const uint8_t* p = pixels + 3 * x;
        const __m256i first = _mm256_maddubs_epi16(_mm256_shuffle_epi8(load(p, p + 12), spread), weights);
        const __m256i second = _mm256_maddubs_epi16(_mm256_shuffle_epi8(load(p + 24, p + 36), spread), weights);
        // Halves: pixels 0-3 and 8-11, then 4-7 and 12-15; packed to bytes,
        // the 32-bit groups 0, 4, 1 and 5 hold pixels 0-3, 4-7, 8-11, 12-15.
        const __m256i sums = _mm256_hadd_epi16(first, second);
        const __m256i values = _mm256_srli_epi16(_mm256_add_epi16(sums, half), 7);
        // As bytes: the four pixels of each 32-bit group put in order.
        const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(values, values), order);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(luma + x), _mm256_castsi256_si128(bytes));
    }
    LumaOfPixels(pixels, luma, x, width);
}

#elif defined(__aarch64__)

// 16 pixels at a time, loaded as a vector of each channel. The weighted sums
// fit 16-bit words; the rounding shift adds the 64 and narrows them to bytes.
template <>
void InkLuma<WordVector16>(const uint8_t* pixels, uint8_t* luma, int width) {
    const uint8x16_t blue = vdupq_n_u8(15), green = vdupq_n_u8(75), red = vdupq_n_u8(38);
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const uint8x16x3_t p = vld3q_u8(pixels + 3 * x);
        uint16x8_t low = vmull_u8(vget_low_u8(p.val[0]), vget_low_u8(blue));
        low = vmlal_u8(low, vget_low_u8(p.val[1]), vget_low_u8(green));
        low = vmlal_u8(low, vget_low_u8(p.val[2]), vget_low_u8(red));
        uint16x8_t high = vmull_high_u8(p.val[0], blue);
        high = vmlal_high_u8(high, p.val[1], green);
        high = vmlal_high_u8(high, p.val[2], red);
        vst1q_u8(luma + x, vcombine_u8(vrshrn_n_u16(low, 7), vrshrn_n_u16(high, 7)));
    }
    LumaOfPixels(pixels, luma, x, width);
}

#endif

// columns += added - removed: the window's column sums move one row down.
template <class Vector>
void InkColumns(uint16_t* columns, const uint8_t* added, const uint8_t* removed, int width) {
    const int end = VectorEnd<Vector>(width);
    if constexpr (!std::is_void_v<Vector>) {
        for (int x = 0; x < end; x += Lanes<Vector>) {
            StoreWords(columns + x, LoadWords<Vector>(columns + x) + LoadBytes<Vector>(added + x) -
                                        LoadBytes<Vector>(removed + x));
        }
    }
    for (int x = end; x < width; ++x) columns[x] = uint16_t(columns[x] + added[x] - removed[x]);
}

// sums[i] += sums[i + step] for i below count: in place, front to back, as
// each word is read before it is written.
template <class Vector>
void AddShifted(uint16_t* sums, int step, int count) {
    const int end = VectorEnd<Vector>(count);
    if constexpr (!std::is_void_v<Vector>) {
        for (int i = 0; i < end; i += Lanes<Vector>) {
            StoreWords(sums + i, LoadWords<Vector>(sums + i) + LoadWords<Vector>(sums + i + step));
        }
    }
    for (int i = end; i < count; ++i) sums[i] = uint16_t(sums[i] + sums[i + step]);
}

// Marks (0xFFFF) the pixels of a row darker than their surroundings: luma
// below (sum * multiplier >> 16) - offset, the sum over the window of the
// shifted column sums given. sums is working memory of width + InkWindow words.
template <class Vector>
void InkMarks(const uint16_t* columns, const uint8_t* luma, uint16_t* sums, uint16_t* marks, int width,
              int multiplier, int offset) {
    // Word i of the row of shifted column sums that the window slides along
    // is column i - InkReach, the columns beyond the picture's border
    // repeating its first and last. Sums of two neighbours come first.
    const auto shifted = [&](int i) { return columns[std::clamp(i - InkReach, 0, width - 1)] >> ColumnShift; };
    int i = 0;
    for (; i < InkReach; ++i) sums[i] = uint16_t(shifted(i) + shifted(i + 1));
    if constexpr (!std::is_void_v<Vector>) {
        for (; i + Lanes<Vector> - InkReach < width; i += Lanes<Vector>) {
            const uint16_t* column = columns + (i - InkReach);
            StoreWords(sums + i, ShiftRight<ColumnShift>(LoadWords<Vector>(column)) +
                                     ShiftRight<ColumnShift>(LoadWords<Vector>(column + 1)));
        }
    }
    for (; i < width + InkWindow - 2; ++i) sums[i] = uint16_t(shifted(i) + shifted(i + 1));
    // Sums of 4, 8, 16 and 32 neighbouring words, doubling each pass.
    for (int step = 2, count = width + InkWindow - 4; step < InkReach; count -= 2 * step, step *= 2) {
        AddShifted<Vector>(sums, step, count);
    }
    // The last doubling, to the window's 64 columns, with the decision.
    const int end = VectorEnd<Vector>(width);
    if constexpr (!std::is_void_v<Vector>) {
        const Vector times = SplatWord<Vector>(uint16_t(multiplier));
        const Vector less = SplatWord<Vector>(uint16_t(offset));
        for (int x = 0; x < end; x += Lanes<Vector>) {
            const Vector sum = LoadWords<Vector>(sums + x) + LoadWords<Vector>(sums + x + InkReach);
            const Vector threshold = SubtractClamped(MultiplyHigh(sum, times), less);
            StoreWords(marks + x, Less(LoadBytes<Vector>(luma + x), threshold));
        }
    }
    for (int x = end; x < width; ++x) {
        const int sum = sums[x] + sums[x + InkReach];
        const int threshold = std::max((sum * multiplier >> 16) - offset, 0);
        marks[x] = luma[x] < threshold ? 0xFFFF : 0;
    }
}

// Writes pixels from to to of a row: black where marked, else white. Each
// pixel but the row's last is stored as 4 bytes, the fourth overwritten by
// the next pixel: one store instead of three.
inline void WritePixels(const uint16_t* marks, uint8_t* out, int from, int to, int width) {
    const int end = std::min(to, width - 1);
    int x = from;
    for (; x < end; ++x) {
        const uint32_t value = marks[x] != 0 ? 0 : 0xFFFFFFFF;
        std::memcpy(out + 3 * x, &value, 4);
    }
    for (; x < to; ++x) std::memset(out + 3 * x, marks[x] != 0 ? 0 : 255, 3);
}

#if defined(__SSE2__) || defined(__aarch64__)

// Writes the pixels of a vector of marks. Most of a drawing is paper: a
// vector of unmarked pixels is written white at once.
inline void WriteBlock(WordVector16 marks, uint8_t* out) {
    if (AllZero(marks)) {
        std::memset(out, 255, 3 * Lanes<WordVector16>);
        return;
    }
    uint16_t words[Lanes<WordVector16>];
    StoreWords(words, marks);
    WritePixels(words, out, 0, Lanes<WordVector16>, Lanes<WordVector16>);
}

#ifdef __AVX2__

// Paper at once; else each mark as a byte, the bytes tripled by shuffles,
// inverted: 0 where marked, 255 elsewhere.
inline void WriteBlock(WordVector32 marks, uint8_t* out) {
    if (AllZero(marks)) {
        std::memset(out, 255, 3 * Lanes<WordVector32>);
        return;
    }
    const __m256i packed = _mm256_packs_epi16(marks.words, marks.words);
    const __m128i bytes = _mm256_castsi256_si128(_mm256_permute4x64_epi64(packed, 0x08));
    const __m128i white = _mm_set1_epi8(-1);
    const __m128i first = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m128i second = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m128i third = _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_xor_si128(_mm_shuffle_epi8(bytes, first), white));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_xor_si128(_mm_shuffle_epi8(bytes, second), white));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), _mm_xor_si128(_mm_shuffle_epi8(bytes, third), white));
}

#endif
#endif

// The result row from the marks of a row and, for thick lines, the rows above
// and below (the row itself at the picture's border). Thick lines mark every
// pixel with a mark among its eight neighbours. grown is working memory of
// width words.
template <class Vector, bool Thick>
void InkOutput(const uint16_t* above, const uint16_t* current, const uint16_t* below, uint16_t* grown, uint8_t* out,
               int width) {
    const uint16_t* marks = current;
    if constexpr (Thick) {
        const int end = VectorEnd<Vector>(width);
        if constexpr (!std::is_void_v<Vector>) {
            for (int x = 0; x < end; x += Lanes<Vector>) {
                const Vector column = LoadWords<Vector>(above + x) | LoadWords<Vector>(current + x);
                StoreWords(grown + x, column | LoadWords<Vector>(below + x));
            }
        }
        for (int x = end; x < width; ++x) grown[x] = above[x] | current[x] | below[x];
        // Across, in place: the column before is kept from before it changed.
        uint16_t previous = grown[0];
        for (int x = 0; x < width; ++x) {
            const uint16_t next = x + 1 < width ? grown[x + 1] : grown[x];
            const uint16_t own = grown[x];
            grown[x] = previous | own | next;
            previous = own;
        }
        marks = grown;
    }
    int x = 0;
    if constexpr (!std::is_void_v<Vector>) {
        for (; x + Lanes<Vector> <= width; x += Lanes<Vector>) WriteBlock(LoadWords<Vector>(marks + x), out + 3 * x);
    }
    WritePixels(marks, out, x, width, width);
}

}  // namespace
