// The AVX2 copies of the pixel loops. Only this file is compiled with -mavx2;
// its functions are called only when the processor has AVX2.
#include "dark_marks.h"
#include "edge_rows.h"

void ExtractEdgeRowsAvx2(const EdgePass& pass) {
    ExtractEdgeRows<ByteVector32>(pass);
}

void MarkDarkRowAvx2(const uint8_t* pixels, uint8_t* marks, int width) {
    MarkDarkRow<ByteVector32>(pixels, marks, width);
}
