// The AVX2 copies of the pixel loops. Only this file is compiled with -mavx2;
// its functions are called only when the processor has AVX2.
#include "dark_marks.h"
#include "edge_rows.h"

void ExtractThinRowAvx2(const uint8_t* current, const uint8_t* above, const uint8_t* below, uint8_t* out, int width,
                        int threshold) {
    ExtractRow<ByteVector32, false>(current, above, below, out, width, threshold);
}

void ExtractThickRowAvx2(const uint8_t* current, const uint8_t* above, const uint8_t* below, uint8_t* out, int width,
                         int threshold) {
    ExtractRow<ByteVector32, true>(current, above, below, out, width, threshold);
}

void MarkDarkRowAvx2(const uint8_t* pixels, uint8_t* marks, int width) {
    MarkDarkRow<ByteVector32>(pixels, marks, width);
}

#include "pixel_layout_rows.h"
#include "pixel_layouts.h"

void SwapRedBlueRowAvx2(const uint8_t* from, int width, uint8_t* to) {
    SwapRedBlueShuffled(from, width, to);
}

void GreyToBgrRowAvx2(const uint8_t* from, int width, uint8_t* to) {
    GreyToBgrShuffled(from, width, to);
}

void FirstOfThreeRowAvx2(const uint8_t* from, int width, uint8_t* to) {
    FirstOfThreeShuffled(from, width, to);
}
