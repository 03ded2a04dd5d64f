#include "edge_extraction.h"

namespace {

// Whether the neighbour makes the pixel an edge pixel.
inline bool MarkedBy(const uint8_t* pixel, const uint8_t* neighbour, int threshold, bool thick) {
    for (int channel = 0; channel < 3; ++channel) {
        const int difference = pixel[channel] - neighbour[channel];
        if (difference < -threshold) return true;
        if (difference > threshold) return thick;
    }
    return false;
}

}  // namespace

void ExtractEdges(DibHandle source, DibHandle result, int thickness, int contrast) {
    const DibInfo* resultInfo = ImgQueryInfo(result);
    const DibInfo* sourceInfo = ImgQueryInfo(source);
    const int width = resultInfo->header->biWidth;
    const int height = resultInfo->header->biHeight;
    const int stride = Stride24(width);
    const int threshold = 4 * contrast + 4;
    const bool thick = thickness != 0;

    // Memory row r holds picture row height - 1 - r: the row above a pixel
    // is the next one in memory, the row below the previous one.
    for (int row = 0; row < height; ++row) {
        const uint8_t* current = sourceInfo->pixels + int64_t{row} * stride;
        const uint8_t* above = row + 1 < height ? current + stride : nullptr;
        const uint8_t* below = row > 0 ? current - stride : nullptr;
        uint8_t* out = resultInfo->pixels + int64_t{row} * stride;
        for (int x = 0; x < width; ++x) {
            const int offset = 3 * x;
            const uint8_t* pixel = current + offset;
            const bool edge = (x > 0 && MarkedBy(pixel, pixel - 3, threshold, thick)) ||
                              (x + 1 < width && MarkedBy(pixel, pixel + 3, threshold, thick)) ||
                              (above && MarkedBy(pixel, above + offset, threshold, thick)) ||
                              (below && MarkedBy(pixel, below + offset, threshold, thick));
            const uint8_t value = edge ? 0 : 255;
            out[offset] = value;
            out[offset + 1] = value;
            out[offset + 2] = value;
        }
    }
}
