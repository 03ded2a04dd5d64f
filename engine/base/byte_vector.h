// The few operations on a vector of bytes that the pixel loops need, named for
// what they do to each byte, in two widths: ByteVector16 and ByteVector32. A
// loop is written once as a template over the vector type and compiled once
// per width; instruction_set.h chooses which copy runs.
//
// ByteVector16 is SSE2 on x86 (part of every x86-64 processor, and WebAssembly
// SIMD through Emscripten's translation of the SSE2 intrinsics) and NEON on
// aarch64 (part of every aarch64 processor). ByteVector32 is AVX2, present
// only in files compiled with -mavx2. Where there is neither SSE2 nor NEON
// (WebAssembly without SIMD) no width exists and only the plain loops are
// built.
//
// The NEON case is written by hand in the same intrinsics wrapper rather than
// through a portability library: every operation here has one NEON
// instruction or a short fixed sequence, so the translation stays as plain as
// the SSE2 one and adds no dependency. SIMDe would emulate SSE2's semantics
// instruction by instruction (slower, and a package to carry for every
// target), and Highway as Debian ships it (1.0.3) computes AverageRound
// wrongly on SVE, which would break the identical bytes every set must give.
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

#elif defined(__aarch64__)

#include <arm_neon.h>

namespace {

// Wrapped, because a vector type as template argument loses its attributes.
struct ByteVector16 {
    uint8x16_t bytes;
};

// Loads and stores need no alignment.
template <class Vector>
Vector Load(const uint8_t* bytes);

template <class Vector>
Vector Splat(uint8_t value);

template <>
inline ByteVector16 Load<ByteVector16>(const uint8_t* bytes) {
    return {vld1q_u8(bytes)};
}

inline void Store(uint8_t* bytes, ByteVector16 v) {
    vst1q_u8(bytes, v.bytes);
}

template <>
inline ByteVector16 Splat<ByteVector16>(uint8_t value) {
    return {vdupq_n_u8(value)};
}

inline ByteVector16 SubtractClamped(ByteVector16 a, ByteVector16 b) {
    return {vqsubq_u8(a.bytes, b.bytes)};
}

inline ByteVector16 AddClamped(ByteVector16 a, ByteVector16 b) {
    return {vqaddq_u8(a.bytes, b.bytes)};
}

inline ByteVector16 Max(ByteVector16 a, ByteVector16 b) {
    return {vmaxq_u8(a.bytes, b.bytes)};
}

inline ByteVector16 Min(ByteVector16 a, ByteVector16 b) {
    return {vminq_u8(a.bytes, b.bytes)};
}

inline ByteVector16 Or(ByteVector16 a, ByteVector16 b) {
    return {vorrq_u8(a.bytes, b.bytes)};
}

inline ByteVector16 And(ByteVector16 a, ByteVector16 b) {
    return {vandq_u8(a.bytes, b.bytes)};
}

inline ByteVector16 IsZero(ByteVector16 v) {
    return {vceqzq_u8(v.bytes)};
}

inline ByteVector16 Equal(ByteVector16 a, ByteVector16 b) {
    return {vceqq_u8(a.bytes, b.bytes)};
}

// NEON has no byte mask instruction: each top bit is moved down to bit 0 and
// shifted to its place within its half, and each half is summed to a byte.
inline int TopBits(ByteVector16 v) {
    const int8x16_t places = {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7};
    const uint8x16_t bits = vshlq_u8(vshrq_n_u8(v.bytes, 7), places);
    return vaddv_u8(vget_low_u8(bits)) | vaddv_u8(vget_high_u8(bits)) << 8;
}

inline bool AllEqual(ByteVector16 a, ByteVector16 b) {
    return vminvq_u8(vceqq_u8(a.bytes, b.bytes)) == 255;
}

template <int n>
ByteVector16 TakeFromNext(ByteVector16 v) {
    return {vextq_u8(v.bytes, vdupq_n_u8(0), n)};
}

template <int n>
ByteVector16 TakeFromPrevious(ByteVector16 v) {
    return {vextq_u8(vdupq_n_u8(0), v.bytes, 16 - n)};
}

}  // namespace

#endif
