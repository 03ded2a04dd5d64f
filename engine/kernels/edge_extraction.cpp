#include "kernels/edge_extraction.h"

#include "kernels/edge_rows.h"

#include <algorithm>

EdgeRowFunction EdgeRowFor(int thickness, InstructionSet set) {
    const bool thick = thickness != 0;
    switch (set) {
    case InstructionSet::Plain:
        break;
#if defined(__SSE2__)
    case InstructionSet::Sse2:
        return thick ? ExtractRow<ByteVector16, true> : ExtractRow<ByteVector16, false>;
    case InstructionSet::Avx2:
        return thick ? ExtractThickRowAvx2 : ExtractThinRowAvx2;
#elif defined(__aarch64__)
    case InstructionSet::Neon:
        return thick ? ExtractRow<ByteVector16, true> : ExtractRow<ByteVector16, false>;
#endif
    }
    return thick ? ExtractRow<void, true> : ExtractRow<void, false>;
}

// No difference between bytes exceeds 255, so 255 stands for every larger
// threshold and keeps the threshold a byte.
int EdgeThreshold(int contrast) {
    return std::min(4 * std::clamp(contrast, -1, 63) + 4, 255);
}

void ExtractEdges(DibHandle source, DibHandle result, int thickness, int contrast) {
    ExtractEdges(source, result, thickness, contrast, WidestInstructionSet());
}

void ExtractEdges(DibHandle source, DibHandle result, int thickness, int contrast, InstructionSet set) {
    const int width = ImgQueryInfo(result)->header->biWidth;
    const int height = ImgQueryInfo(result)->header->biHeight;
    const int64_t stride = Stride24(width);
    const uint8_t* pixels = ImgQueryInfo(source)->pixels;
    uint8_t* out = ImgQueryInfo(result)->pixels;
    const EdgeRowFunction extractRow = EdgeRowFor(thickness, set);
    const int threshold = EdgeThreshold(contrast);
    // Memory row r holds picture row height - 1 - r: the row above a pixel
    // is the next one in memory, the row below the previous one.
    for (int row = 0; row < height; ++row) {
        const uint8_t* current = pixels + row * stride;
        const uint8_t* above = row + 1 < height ? current + stride : current;
        const uint8_t* below = row > 0 ? current - stride : current;
        extractRow(current, above, below, out + row * stride, width, threshold);
    }
}
