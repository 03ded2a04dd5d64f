// The few operations on 16 bytes at once that the pixel loops need, named for
// what they do to each byte. SSE2 is part of every x86-64 processor, so the
// loops need no run-time check and no second version.
#pragma once

#include <emmintrin.h>

#include <cstdint>

using ByteVector = __m128i;

constexpr int ByteVectorSize = 16;

// Loads and stores need no alignment.
inline ByteVector Load(const uint8_t* bytes) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

inline void Store(uint8_t* bytes, ByteVector v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), v);
}

inline ByteVector Splat(uint8_t value) {
    return _mm_set1_epi8(static_cast<char>(value));
}

// a - b per byte, 0 where b is larger.
inline ByteVector SubtractClamped(ByteVector a, ByteVector b) {
    return _mm_subs_epu8(a, b);
}

// a + b per byte, 255 where the sum is larger.
inline ByteVector AddClamped(ByteVector a, ByteVector b) {
    return _mm_adds_epu8(a, b);
}

inline ByteVector Max(ByteVector a, ByteVector b) {
    return _mm_max_epu8(a, b);
}

inline ByteVector Min(ByteVector a, ByteVector b) {
    return _mm_min_epu8(a, b);
}

inline ByteVector Or(ByteVector a, ByteVector b) {
    return _mm_or_si128(a, b);
}

inline ByteVector And(ByteVector a, ByteVector b) {
    return _mm_and_si128(a, b);
}

// 255 where the bytes are equal, else 0.
inline ByteVector Equal(ByteVector a, ByteVector b) {
    return _mm_cmpeq_epi8(a, b);
}

// 255 where the byte is 0, else 0.
inline ByteVector IsZero(ByteVector v) {
    return _mm_cmpeq_epi8(v, _mm_setzero_si128());
}

// One bit per byte, bit i set when byte i has its top bit set.
inline int TopBits(ByteVector v) {
    return _mm_movemask_epi8(v);
}

// Byte i takes byte i + n; the last n bytes become 0.
template <int n>
ByteVector TakeFromNext(ByteVector v) {
    return _mm_srli_si128(v, n);
}

// Byte i takes byte i - n; the first n bytes become 0.
template <int n>
ByteVector TakeFromPrevious(ByteVector v) {
    return _mm_slli_si128(v, n);
}
