// The few operations on a vector of bytes that the pixel loops need, named for
// what they do to each byte, in two widths: ByteVector16 (SSE2, part of every
// x86-64 processor, and WebAssembly SIMD through Emscripten's translation of
// the SSE2 intrinsics) and ByteVector32 (AVX2, present only in files compiled
// with -mavx2). A loop is written once as a template over the vector type and
// compiled once per width; instruction_set.h chooses which copy runs. Where
// there is no SSE2 (WebAssembly without SIMD) neither width exists and only
// the plain loops are built.
//
// Everything here, and in the loop headers built on it, has internal linkage:
// a file compiled with -mavx2 keeps its own copy of every function, which the
// linker cannot hand to code that runs on a processor without AVX2.
#pragma once

#include <cstdint>

#if defined(__SSE2__)

#include <immintrin.h>

namespace {

// Wrapped, because a vector type as template argument loses its attributes.
struct ByteVector16 {
    __m128i bytes;
};

// Loads and stores need no alignment.
template <class Vector>
Vector Load(const uint8_t* bytes);

template <class Vector>
Vector Splat(uint8_t value);

template <>
inline ByteVector16 Load<ByteVector16>(const uint8_t* bytes) {
    return {_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes))};
}

inline void Store(uint8_t* bytes, ByteVector16 v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), v.bytes);
}

template <>
inline ByteVector16 Splat<ByteVector16>(uint8_t value) {
    return {_mm_set1_epi8(static_cast<char>(value))};
}

// a - b per byte, 0 where b is larger.
inline ByteVector16 SubtractClamped(ByteVector16 a, ByteVector16 b) {
    return {_mm_subs_epu8(a.bytes, b.bytes)};
}

// a + b per byte, 255 where the sum is larger.
inline ByteVector16 AddClamped(ByteVector16 a, ByteVector16 b) {
    return {_mm_adds_epu8(a.bytes, b.bytes)};
}

inline ByteVector16 Max(ByteVector16 a, ByteVector16 b) {
    return {_mm_max_epu8(a.bytes, b.bytes)};
}

inline ByteVector16 Min(ByteVector16 a, ByteVector16 b) {
    return {_mm_min_epu8(a.bytes, b.bytes)};
}

inline ByteVector16 Or(ByteVector16 a, ByteVector16 b) {
    return {_mm_or_si128(a.bytes, b.bytes)};
}

inline ByteVector16 And(ByteVector16 a, ByteVector16 b) {
    return {_mm_and_si128(a.bytes, b.bytes)};
}

// 255 where the byte is 0, else 0.
inline ByteVector16 IsZero(ByteVector16 v) {
    return {_mm_cmpeq_epi8(v.bytes, _mm_setzero_si128())};
}

// 255 where the bytes are equal, else 0.
inline ByteVector16 Equal(ByteVector16 a, ByteVector16 b) {
    return {_mm_cmpeq_epi8(a.bytes, b.bytes)};
}

// One bit per byte, bit i set when byte i has its top bit set.
inline int TopBits(ByteVector16 v) {
    return _mm_movemask_epi8(v.bytes);
}

// Whether every byte of a equals the same byte of b.
inline bool AllEqual(ByteVector16 a, ByteVector16 b) {
    return _mm_movemask_epi8(_mm_cmpeq_epi8(a.bytes, b.bytes)) == 0xFFFF;
}

// Byte i takes byte i + n; the last n bytes become 0.
template <int n>
ByteVector16 TakeFromNext(ByteVector16 v) {
    return {_mm_srli_si128(v.bytes, n)};
}

// Byte i takes byte i - n; the first n bytes become 0.
template <int n>
ByteVector16 TakeFromPrevious(ByteVector16 v) {
    return {_mm_slli_si128(v.bytes, n)};
}

#ifdef __AVX2__

struct ByteVector32 {
    __m256i bytes;
};

template <>
inline ByteVector32 Load<ByteVector32>(const uint8_t* bytes) {
    return {_mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes))};
}

inline void Store(uint8_t* bytes, ByteVector32 v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(bytes), v.bytes);
}

template <>
inline ByteVector32 Splat<ByteVector32>(uint8_t value) {
    return {_mm256_set1_epi8(static_cast<char>(value))};
}

inline ByteVector32 SubtractClamped(ByteVector32 a, ByteVector32 b) {
    return {_mm256_subs_epu8(a.bytes, b.bytes)};
}

inline ByteVector32 AddClamped(ByteVector32 a, ByteVector32 b) {
    return {_mm256_adds_epu8(a.bytes, b.bytes)};
}

inline ByteVector32 Max(ByteVector32 a, ByteVector32 b) {
    return {_mm256_max_epu8(a.bytes, b.bytes)};
}

inline ByteVector32 Min(ByteVector32 a, ByteVector32 b) {
    return {_mm256_min_epu8(a.bytes, b.bytes)};
}

inline ByteVector32 Or(ByteVector32 a, ByteVector32 b) {
    return {_mm256_or_si256(a.bytes, b.bytes)};
}

inline ByteVector32 And(ByteVector32 a, ByteVector32 b) {
    return {_mm256_and_si256(a.bytes, b.bytes)};
}

inline ByteVector32 IsZero(ByteVector32 v) {
    return {_mm256_cmpeq_epi8(v.bytes, _mm256_setzero_si256())};
}

inline bool AllEqual(ByteVector32 a, ByteVector32 b) {
    return _mm256_movemask_epi8(_mm256_cmpeq_epi8(a.bytes, b.bytes)) == -1;
}

// AVX2 byte shifts move bytes only within each 16-byte half, so the bytes
// that cross the middle come from the other half, put beside it by a permute.
template <int n>
ByteVector32 TakeFromNext(ByteVector32 v) {
    // Low half: the high half of v; high half: zero.
    const __m256i next = _mm256_permute2x128_si256(v.bytes, v.bytes, 0x81);
    return {_mm256_alignr_epi8(next, v.bytes, n)};
}

template <int n>
ByteVector32 TakeFromPrevious(ByteVector32 v) {
    // Low half: zero; high half: the low half of v.
    const __m256i previous = _mm256_permute2x128_si256(v.bytes, v.bytes, 0x08);
    return {_mm256_alignr_epi8(v.bytes, previous, 16 - n)};
}

#endif

}  // namespace

#endif
