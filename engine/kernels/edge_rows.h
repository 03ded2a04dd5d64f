// The loops of edge extraction, written once over the vector type: the plain
// reference (Vector = void) and the SSE2 or NEON copy are built in
// edge_extraction.cpp, the AVX2 copy in kernels_avx2.cpp.
#pragma once

#include "base/byte_vector.h"
#include "base/dib.h"

#include <array>
#include <cstdint>
#include <type_traits>

// The AVX2 copies; only for processors that have AVX2.
void ExtractThinRowAvx2(const uint8_t* current, const uint8_t* above, const uint8_t* below, uint8_t* out, int width,
                        int threshold);
void ExtractThickRowAvx2(const uint8_t* current, const uint8_t* above, const uint8_t* below, uint8_t* out, int width,
                         int threshold);

namespace {

// Whether the neighbour makes the pixel an edge pixel.
template <bool Thick>
bool MarkedBy(const uint8_t* pixel, const uint8_t* neighbour, int threshold) {
    for (int channel = 0; channel < 3; ++channel) {
        const int difference = pixel[channel] - neighbour[channel];
        if (difference < -threshold) return true;
        if (difference > threshold) return Thick;
    }
    return false;
}

// A neighbour beyond the picture's border is replaced by the pixel itself,
// which never differs from it and so marks nothing; the loops need no border
// cases.
template <bool Thick>
void ExtractPixel(const uint8_t* current, const uint8_t* above, const uint8_t* below, uint8_t* out, int x,
                  int width, int threshold) {
    const int offset = 3 * x;
    const uint8_t* pixel = current + offset;
    const uint8_t* left = x > 0 ? pixel - 3 : pixel;
    const uint8_t* right = x + 1 < width ? pixel + 3 : pixel;
    const bool edge = MarkedBy<Thick>(pixel, left, threshold) || MarkedBy<Thick>(pixel, right, threshold) ||
                      MarkedBy<Thick>(pixel, above + offset, threshold) ||
                      MarkedBy<Thick>(pixel, below + offset, threshold);
    const uint8_t value = edge ? 0 : 255;
    out[offset] = value;
    out[offset + 1] = value;
    out[offset + 2] = value;
}

// A block is the whole pixels in a vector less its last byte: 5 pixels in 16
// bytes, 10 in 32. The bytes after them, part of the next pixel, are loaded
// but decide nothing.
template <class Vector>
constexpr int BlockPixels = int(sizeof(Vector) - 1) / 3;

// 255 in the blue byte of each of the block's pixels, else 0.
template <class Vector>
constexpr std::array<uint8_t, sizeof(Vector)> BlueBytes = [] {
    std::array<uint8_t, sizeof(Vector)> bytes = {};
    for (int pixel = 0; pixel < BlockPixels<Vector>; ++pixel) bytes[size_t(3 * pixel)] = 255;
    return bytes;
}();

// The block's decisions: nonzero in the blue byte of each edge pixel.
template <class Vector, bool Thick>
Vector BlockMarks(const uint8_t* pixel, const uint8_t* above, const uint8_t* below, Vector threshold) {
    const Vector p = Load<Vector>(pixel);
    // A neighbour byte above high is brighter, one below low darker, by more
    // than the threshold; clamping keeps both tests exact near 0 and 255.
    const Vector high = AddClamped(p, threshold);
    const Vector low = SubtractClamped(p, threshold);
    const Vector neighbours[4] = {Load<Vector>(pixel - 3), Load<Vector>(pixel + 3), Load<Vector>(above),
                                  Load<Vector>(below)};
    // Some neighbour is brighter (darker) in a byte exactly when the
    // brightest (darkest) of them is.
    const Vector brightest = Max(Max(neighbours[0], neighbours[1]), Max(neighbours[2], neighbours[3]));
    const Vector darkest = Min(Min(neighbours[0], neighbours[1]), Min(neighbours[2], neighbours[3]));
    const Vector differs = Or(SubtractClamped(brightest, high), SubtractClamped(low, darkest));
    if constexpr (Thick) {
        return Or(differs, Or(TakeFromNext<1>(differs), TakeFromNext<2>(differs)));
    } else {
        // Most blocks of a picture hold no step at all; they need no more work.
        const Vector none = Splat<Vector>(0);
        if (AllEqual(differs, none)) return none;
        Vector marks = none;
        for (const Vector n : neighbours) {
            // A channel marks when the neighbour is brighter there, or when it
            // is not darker there and the next channel marks; applied twice
            // this gives the blue byte the decision of blue, green and red in
            // turn.
            const Vector brighter = SubtractClamped(n, high);
            const Vector notDarker = IsZero(SubtractClamped(low, n));
            const Vector fromGreen = Or(brighter, And(notDarker, TakeFromNext<1>(brighter)));
            marks = Or(marks, Or(brighter, And(notDarker, TakeFromNext<1>(fromGreen))));
        }
        return marks;
    }
}

// Writes the block's pixels, black where marked, white elsewhere. The bytes
// stored after them are overwritten by the next block or pixel of the row.
template <class Vector>
void StoreBlock(uint8_t* out, Vector marks) {
    const Vector blue = And(marks, Load<Vector>(BlueBytes<Vector>.data()));
    const Vector pixels = Or(blue, Or(TakeFromPrevious<1>(blue), TakeFromPrevious<2>(blue)));
    Store(out, IsZero(pixels));
}

template <class Vector, bool Thick>
void ExtractRow(const uint8_t* current, const uint8_t* above, const uint8_t* below, uint8_t* out, int width,
                int threshold) {
    int x = 0;
    if constexpr (!std::is_void_v<Vector>) {
        const Vector blockThreshold = Splat<Vector>(static_cast<uint8_t>(threshold));
        // A block's loads reach from the pixel before it to the first bytes
        // of the second pixel after it, so blocks start at pixel 1 and leave
        // at least two pixels of the row after them.
        ExtractPixel<Thick>(current, above, below, out, 0, width, threshold);
        for (x = 1; x + BlockPixels<Vector> + 2 <= width; x += BlockPixels<Vector>) {
            const int offset = 3 * x;
            StoreBlock(out + offset,
                       BlockMarks<Vector, Thick>(current + offset, above + offset, below + offset, blockThreshold));
        }
    }
    for (; x < width; ++x) ExtractPixel<Thick>(current, above, below, out, x, width, threshold);
}

}  // namespace
