// The few operations on a vector of 16-bit words that the ink loops need,
// in the widths of byte_vector.h and under its rules: WordVector16 (SSE2, and
// WebAssembly SIMD through Emscripten; NEON on aarch64) and WordVector32
// (AVX2, only in files compiled with -mavx2), everything with internal
// linkage. Where there is neither SSE2 nor NEON neither exists and only the
// plain loops are built.
#pragma once

#include <cstdint>

#if defined(__SSE2__)

#include <immintrin.h>

namespace {

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

// As many bytes as the vector has words, each widened to a word.
template <class Vector>
Vector LoadBytes(const uint8_t* bytes);

template <>
inline WordVector16 LoadBytes<WordVector16>(const uint8_t* bytes) {
    return {_mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes)), _mm_setzero_si128())};
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

template <>
inline WordVector32 LoadBytes<WordVector32>(const uint8_t* bytes) {
    return {_mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)))};
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

}  // namespace

#elif defined(__aarch64__)

#include <arm_neon.h>

namespace {

// Wrapped, because a vector type as template argument loses its attributes.
struct WordVector16 {
    uint16x8_t words;
};

template <class Vector>
Vector LoadWords(const uint16_t* words);

template <class Vector>
Vector SplatWord(uint16_t value);

template <>
inline WordVector16 LoadWords<WordVector16>(const uint16_t* words) {
    return {vld1q_u16(words)};
}

// As many bytes as the vector has words, each widened to a word.
template <class Vector>
Vector LoadBytes(const uint8_t* bytes);

template <>
inline WordVector16 LoadBytes<WordVector16>(const uint8_t* bytes) {
    return {vmovl_u8(vld1_u8(bytes))};
}

inline void StoreWords(uint16_t* words, WordVector16 v) {
    vst1q_u16(words, v.words);
}

template <>
inline WordVector16 SplatWord<WordVector16>(uint16_t value) {
    return {vdupq_n_u16(value)};
}

inline WordVector16 operator+(WordVector16 a, WordVector16 b) {
    return {vaddq_u16(a.words, b.words)};
}

inline WordVector16 operator-(WordVector16 a, WordVector16 b) {
    return {vsubq_u16(a.words, b.words)};
}

inline WordVector16 operator|(WordVector16 a, WordVector16 b) {
    return {vorrq_u16(a.words, b.words)};
}

template <int n>
WordVector16 ShiftRight(WordVector16 v) {
    return {vshrq_n_u16(v.words, n)};
}

// The full 32-bit products, then their high halves, the odd words in memory
// order.
inline WordVector16 MultiplyHigh(WordVector16 a, WordVector16 b) {
    const uint32x4_t low = vmull_u16(vget_low_u16(a.words), vget_low_u16(b.words));
    const uint32x4_t high = vmull_high_u16(a.words, b.words);
    return {vuzp2q_u16(vreinterpretq_u16_u32(low), vreinterpretq_u16_u32(high))};
}

inline WordVector16 SubtractClamped(WordVector16 a, WordVector16 b) {
    return {vqsubq_u16(a.words, b.words)};
}

inline WordVector16 Less(WordVector16 a, WordVector16 b) {
    return {vcltq_u16(a.words, b.words)};
}

inline bool AllZero(WordVector16 v) {
    return vmaxvq_u16(v.words) == 0;
}

}  // namespace

#endif
