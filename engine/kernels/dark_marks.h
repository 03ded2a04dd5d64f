// The first step of speck removal, marking which pixels of a row are dark,
// written once over the vector type: the plain reference (Vector = void) and
// the SSE2 or NEON copy are built in noise_removal.cpp, the AVX2 copy in
// kernels_avx2.cpp.
#pragma once

#include "base/byte_vector.h"

#include <cstdint>
#include <type_traits>

enum Mark : uint8_t {
    MARK_BACKGROUND = 0,  // not dark, or a dark pixel already removed
    MARK_DARK = 1,        // dark and not yet collected by any search
    MARK_RETAINED = 2,    // dark and belonging to a group that stays
    MARK_VISITED = 255,   // collected by the search under way
};

// The AVX2 copy; only for processors that have AVX2.
void MarkDarkRowAvx2(const uint8_t* pixels, uint8_t* marks, int width);

namespace {

void MarkDarkPixels(const uint8_t* pixels, uint8_t* marks, int from, int to) {
    for (int x = from; x < to; ++x) marks[x] = pixels[3 * x] != 255 ? MARK_DARK : MARK_BACKGROUND;
}

// Sets the marks of one row of pixels to MARK_DARK or MARK_BACKGROUND. Most
// of a line drawing is white, so as many pixels as a vector has bytes are
// first checked together for being all white.
template <class Vector>
void MarkDarkRow(const uint8_t* pixels, uint8_t* marks, int width) {
    int x = 0;
    if constexpr (!std::is_void_v<Vector>) {
        constexpr int size = int(sizeof(Vector));
        const Vector white = Splat<Vector>(255);
        for (; x + size <= width; x += size) {
            const uint8_t* p = pixels + 3 * x;
            const Vector all = And(Load<Vector>(p), And(Load<Vector>(p + size), Load<Vector>(p + 2 * size)));
            if (AllEqual(all, white)) {
                Store(marks + x, Splat<Vector>(MARK_BACKGROUND));
            } else {
                MarkDarkPixels(pixels, marks, x, x + size);
            }
        }
    }
    MarkDarkPixels(pixels, marks, x, width);
}

}  // namespace
