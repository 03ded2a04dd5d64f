// The loops of ink extraction, written once over a vector of 16-bit words:
// the plain reference (Vector = void) and the SSE2 copy are built in
// ink_extraction.cpp, the AVX2 copy in kernels_avx2.cpp. Every step is
// integer arithmetic that no sum overflows, so each copy gives the same
// words; the plain loop finishes whatever the vector loop leaves.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

// The AVX2 copies; only for processors that have AVX2.
void InkColumnsAvx2(uint16_t* columns, const uint16_t* added, const uint16_t* removed, int width);
void InkMarksAvx2(const uint16_t* columns, const uint16_t* luma, uint16_t* sums, uint16_t* marks, int width,
                  int multiplier, int offset);
void InkThinOutputAvx2(const uint16_t* above, const uint16_t* current, const uint16_t* below, uint16_t* grown,
                       uint8_t* out, int width);
void InkThickOutputAvx2(const uint16_t* above, const uint16_t* current, const uint16_t* below, uint16_t* grown,
                        uint8_t* out, int width);

// The window of the local mean: InkReach rows (columns) before a pixel, the
// pixel and InkReach - 1 after it. The sum of its column sums, each shifted
// right by ColumnShift, is the mean in units of 1/256 and fits a 16-bit word.
constexpr int InkReach = 32;
constexpr int InkWindow = 2 * InkReach;
constexpr int ColumnShift = 4;
static_assert(InkWindow * InkWindow >> ColumnShift == 256);

namespace {

#if defined(__SSE2__)

// Wrapped, because a vector type as template argument loses its attributes.
struct WordVector16 {
    __m128i words;
};

template <class Vector>
Vector LoadWords(const uint16_t* words);

template <class Vector>
Vector SplatWord(uint16_t value);

template <>
inline WordVector16 LoadWords<WordVector16>(const uint16_t* words) {
    return {_mm_loadu_si128(reinterpret_cast<const __m128i*>(words))};
}

inline void StoreWords(uint16_t* words, WordVector16 v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(words), v.words);
}

template <>
inline WordVector16 SplatWord<WordVector16>(uint16_t value) {
    return {_mm_set1_epi16(static_cast<short>(value))};
}

inline WordVector16 operator+(WordVector16 a, WordVector16 b) {
    return {_mm_add_epi16(a.words, b.words)};
}

inline WordVector16 operator-(WordVector16 a, WordVector16 b) {
    return {_mm_sub_epi16(a.words, b.words)};
}

inline WordVector16 operator|(WordVector16 a, WordVector16 b) {
    return {_mm_or_si128(a.words, b.words)};
}

template <int n>
WordVector16 ShiftRight(WordVector16 v) {
    return {_mm_srli_epi16(v.words, n)};
}

// (a * b) >> 16 per word.
inline WordVector16 MultiplyHigh(WordVector16 a, WordVector16 b) {
    return {_mm_mulhi_epu16(a.words, b.words)};
}

// a - b per word, 0 where b is larger.
inline WordVector16 SubtractClamped(WordVector16 a, WordVector16 b) {
    return {_mm_subs_epu16(a.words, b.words)};
}

// 0xFFFF where a < b, else 0; both below 32768.
inline WordVector16 Less(WordVector16 a, WordVector16 b) {
    return {_mm_cmplt_epi16(a.words, b.words)};
}

inline bool AllZero(WordVector16 v) {
    return _mm_movemask_epi8(_mm_cmpeq_epi16(v.words, _mm_setzero_si128())) == 0xFFFF;
}

#ifdef __AVX2__

struct WordVector32 {
    __m256i words;
};

template <>
inline WordVector32 LoadWords<WordVector32>(const uint16_t* words) {
    return {_mm256_loadu_si256(reinterpret_cast<const __m256i*>(words))};
}

inline void StoreWords(uint16_t* words, WordVector32 v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(words), v.words);
}

template <>
inline WordVector32 SplatWord<WordVector32>(uint16_t value) {
    return {_mm256_set1_epi16(static_cast<short>(value))};
}

inline WordVector32 operator+(WordVector32 a, WordVector32 b) {
    return {_mm256_add_epi16(a.words, b.words)};
}

inline WordVector32 operator-(WordVector32 a, WordVector32 b) {
    return {_mm256_sub_epi16(a.words, b.words)};
}

inline WordVector32 operator|(WordVector32 a, WordVector32 b) {
    return {_mm256_or_si256(a.words, b.words)};
}

template <int n>
WordVector32 ShiftRight(WordVector32 v) {
    return {_mm256_srli_epi16(v.words, n)};
}

inline WordVector32 MultiplyHigh(WordVector32 a, WordVector32 b) {
    return {_mm256_mulhi_epu16(a.words, b.words)};
}

inline WordVector32 SubtractClamped(WordVector32 a, WordVector32 b) {
    return {_mm256_subs_epu16(a.words, b.words)};
}

inline WordVector32 Less(WordVector32 a, WordVector32 b) {
    return {_mm256_cmpgt_epi16(b.words, a.words)};
}

inline bool AllZero(WordVector32 v) {
    return _mm256_movemask_epi8(_mm256_cmpeq_epi16(v.words, _mm256_setzero_si256())) == -1;
}

#endif
#endif

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

// columns += added - removed: the window's column sums move one row down.
template <class Vector>
void InkColumns(uint16_t* columns, const uint16_t* added, const uint16_t* removed, int width) {
    const int end = VectorEnd<Vector>(width);
    if constexpr (!std::is_void_v<Vector>) {
        for (int x = 0; x < end; x += Lanes<Vector>) {
            StoreWords(columns + x,
                       LoadWords<Vector>(columns + x) + LoadWords<Vector>(added + x) - LoadWords<Vector>(removed + x));
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
// below (mean * multiplier >> 8) - offset, the mean over the window whose
// column sums are given. sums is working memory of width + InkWindow - 1
// words.
template <class Vector>
void InkMarks(const uint16_t* columns, const uint16_t* luma, uint16_t* sums, uint16_t* marks, int width,
              int multiplier, int offset) {
    // The columns beyond the picture's border repeat its first and last.
    for (int i = 0; i < InkReach; ++i) sums[i] = uint16_t(columns[0] >> ColumnShift);
    for (int i = 0; i < InkReach - 1; ++i) sums[width + InkReach + i] = uint16_t(columns[width - 1] >> ColumnShift);
    uint16_t* inside = sums + InkReach;
    const int end = VectorEnd<Vector>(width);
    if constexpr (!std::is_void_v<Vector>) {
        for (int x = 0; x < end; x += Lanes<Vector>) StoreWords(inside + x, ShiftRight<ColumnShift>(LoadWords<Vector>(columns + x)));
    }
    for (int x = end; x < width; ++x) inside[x] = uint16_t(columns[x] >> ColumnShift);
    // Sums of 2, 4, 8 and more neighbouring words, doubling each pass: then
    // sums[x] covers the window of pixel x.
    for (int step = 1, count = width + InkWindow - 2; step < InkWindow; count -= 2 * step, step *= 2) {
        AddShifted<Vector>(sums, step, count);
    }
    if constexpr (!std::is_void_v<Vector>) {
        const Vector times = SplatWord<Vector>(uint16_t(multiplier));
        const Vector less = SplatWord<Vector>(uint16_t(offset));
        for (int x = 0; x < end; x += Lanes<Vector>) {
            const Vector threshold = SubtractClamped(MultiplyHigh(LoadWords<Vector>(sums + x), times), less);
            StoreWords(marks + x, Less(LoadWords<Vector>(luma + x), threshold));
        }
    }
    for (int x = end; x < width; ++x) {
        const int threshold = std::max((sums[x] * multiplier >> 16) - offset, 0);
        marks[x] = luma[x] < threshold ? 0xFFFF : 0;
    }
}

// Writes pixels from to to of a row: black where marked, else white.
inline void WritePixels(const uint16_t* marks, uint8_t* out, int from, int to) {
    for (int x = from; x < to; ++x) std::memset(out + 3 * x, marks[x] != 0 ? 0 : 255, 3);
}

// The result row from the marks of a row and, for thick lines, the rows above
// and below (the row itself at the picture's border). Thick lines mark every
// pixel with a mark among its eight neighbours. grown is working memory of
// width words. Most of a drawing is paper: a vector of unmarked pixels is
// written white at once.
template <class Vector, bool Thick>
void InkOutput(const uint16_t* above, const uint16_t* current, const uint16_t* below, uint16_t* grown, uint8_t* out,
               int width) {
    const uint16_t* marks = current;
    if constexpr (Thick) {
        const int end = VectorEnd<Vector>(width);
        if constexpr (!std::is_void_v<Vector>) {
            for (int x = 0; x < end; x += Lanes<Vector>) {
                StoreWords(grown + x,
                           LoadWords<Vector>(above + x) | LoadWords<Vector>(current + x) | LoadWords<Vector>(below + x));
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
        for (; x + Lanes<Vector> <= width; x += Lanes<Vector>) {
            if (AllZero(LoadWords<Vector>(marks + x))) {
                std::memset(out + 3 * x, 255, 3 * Lanes<Vector>);
            } else {
                WritePixels(marks, out, x, x + Lanes<Vector>);
            }
        }
    }
    WritePixels(marks, out, x, width);
}

}  // namespace
