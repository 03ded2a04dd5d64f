#include "edge_extraction.h"

#include "edge_rows.h"

#include <algorithm>

void ExtractEdges(DibHandle source, DibHandle result, int thickness, int contrast) {
    ExtractEdges(source, result, thickness, contrast, WidestInstructionSet());
}

void ExtractEdges(DibHandle source, DibHandle result, int thickness, int contrast, InstructionSet set) {
    const DibInfo* resultInfo = ImgQueryInfo(result);
    const uint8_t* pixels = ImgQueryInfo(source)->pixels;
    // No difference between bytes exceeds 255, so 255 stands for every
    // larger threshold and keeps the threshold a byte.
    const EdgePass pass = {pixels,
                           resultInfo->pixels,
                           resultInfo->header->biWidth,
                           resultInfo->header->biHeight,
                           std::min(4 * std::clamp(contrast, -1, 63) + 4, 255),
                           thickness != 0};
    switch (set) {
    case InstructionSet::Plain:
        ExtractEdgeRows<void>(pass);
        break;
    case InstructionSet::Sse2:
        ExtractEdgeRows<ByteVector16>(pass);
        break;
    case InstructionSet::Avx2:
        ExtractEdgeRowsAvx2(pass);
        break;
    }
}
