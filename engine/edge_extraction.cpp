#include "edge_extraction.h"

#include "byte_vector.h"

#include <algorithm>

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

// A block is the five whole pixels in the first 15 bytes of a vector; its
// 16th byte, the next pixel's blue byte, is loaded but decides nothing.
constexpr int BlockPixels = 5;

constexpr uint8_t BlueBytePattern[ByteVectorSize] = {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};

// The block's decisions: nonzero in the blue byte of each edge pixel.
template <bool Thick>
ByteVector BlockMarks(const uint8_t* pixel, const uint8_t* above, const uint8_t* below, ByteVector threshold) {
    const ByteVector p = Load(pixel);
    // A neighbour byte above high is brighter, one below low darker, by more
    // than the threshold; clamping keeps both tests exact near 0 and 255.
    const ByteVector high = AddClamped(p, threshold);
    const ByteVector low = SubtractClamped(p, threshold);
    const ByteVector neighbours[4] = {Load(pixel - 3), Load(pixel + 3), Load(above), Load(below)};
    // Some neighbour is brighter (darker) in a byte exactly when the
    // brightest (darkest) of them is.
    const ByteVector brightest = Max(Max(neighbours[0], neighbours[1]), Max(neighbours[2], neighbours[3]));
    const ByteVector darkest = Min(Min(neighbours[0], neighbours[1]), Min(neighbours[2], neighbours[3]));
    const ByteVector differs = Or(SubtractClamped(brightest, high), SubtractClamped(low, darkest));
    if constexpr (Thick) {
        return Or(differs, Or(TakeFromNext<1>(differs), TakeFromNext<2>(differs)));
    } else {
        // Most blocks of a picture hold no step at all; they need no more work.
        if (TopBits(IsZero(differs)) == 0xFFFF) return differs;
        ByteVector marks = Splat(0);
        for (const ByteVector n : neighbours) {
            // A channel marks when the neighbour is brighter there, or when it
            // is not darker there and the next channel marks; applied twice
            // this gives the blue byte the decision of blue, green and red in
            // turn.
            const ByteVector brighter = SubtractClamped(n, high);
            const ByteVector notDarker = IsZero(SubtractClamped(low, n));
            const ByteVector fromGreen = Or(brighter, And(notDarker, TakeFromNext<1>(brighter)));
            marks = Or(marks, Or(brighter, And(notDarker, TakeFromNext<1>(fromGreen))));
        }
        return marks;
    }
}

// Writes the block's pixels, black where marked, white elsewhere. The 16th
// byte stored is overwritten by the next block or pixel of the row.
void StoreBlock(uint8_t* out, ByteVector marks) {
    const ByteVector blue = And(marks, Load(BlueBytePattern));
    const ByteVector pixels = Or(blue, Or(TakeFromPrevious<1>(blue), TakeFromPrevious<2>(blue)));
    Store(out, IsZero(pixels));
}

template <bool Thick>
void ExtractRow(const uint8_t* current, const uint8_t* above, const uint8_t* below, uint8_t* out, int width,
                int threshold) {
    const ByteVector blockThreshold = Splat(static_cast<uint8_t>(threshold));
    // A block's loads reach from the pixel before it to the first byte of the
    // second pixel after it, so blocks start at pixel 1 and leave at least
    // two pixels of the row after them.
    ExtractPixel<Thick>(current, above, below, out, 0, width, threshold);
    int x = 1;
    for (; x + BlockPixels + 2 <= width; x += BlockPixels) {
        const int offset = 3 * x;
        StoreBlock(out + offset, BlockMarks<Thick>(current + offset, above + offset, below + offset, blockThreshold));
    }
    for (; x < width; ++x) ExtractPixel<Thick>(current, above, below, out, x, width, threshold);
}

template <bool Thick>
void ExtractRows(const uint8_t* source, uint8_t* result, int width, int height, int threshold) {
    const int64_t stride = Stride24(width);
    // Memory row r holds picture row height - 1 - r: the row above a pixel
    // is the next one in memory, the row below the previous one.
    for (int row = 0; row < height; ++row) {
        const uint8_t* current = source + row * stride;
        const uint8_t* above = row + 1 < height ? current + stride : current;
        const uint8_t* below = row > 0 ? current - stride : current;
        ExtractRow<Thick>(current, above, below, result + row * stride, width, threshold);
    }
}

}  // namespace

void ExtractEdges(DibHandle source, DibHandle result, int thickness, int contrast) {
    const DibInfo* resultInfo = ImgQueryInfo(result);
    const uint8_t* pixels = ImgQueryInfo(source)->pixels;
    const int width = resultInfo->header->biWidth;
    const int height = resultInfo->header->biHeight;
    // No difference between bytes exceeds 255, so 255 stands for every
    // larger threshold and keeps the threshold a byte.
    const int threshold = std::min(4 * std::clamp(contrast, -1, 63) + 4, 255);
    if (thickness != 0) {
        ExtractRows<true>(pixels, resultInfo->pixels, width, height, threshold);
    } else {
        ExtractRows<false>(pixels, resultInfo->pixels, width, height, threshold);
    }
}
