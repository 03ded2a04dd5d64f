// The AVX2 copies of the pixel loops. Only this file is compiled with -mavx2;
// its functions are called only when the processor has AVX2.
#include "kernels/dark_marks.h"
#include "kernels/edge_rows.h"
#include "kernels/ink_rows.h"
#include "kernels/pixel_layout_rows.h"
#include "kernels/pixel_layouts.h"

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

void SwapRedBlueRowAvx2(const uint8_t* from, int width, uint8_t* to) {
    SwapRedBlueShuffled(from, width, to);
}

void GreyToBgrRowAvx2(const uint8_t* from, int width, uint8_t* to) {
    GreyToBgrShuffled(from, width, to);
}

void FirstOfThreeRowAvx2(const uint8_t* from, int width, uint8_t* to) {
    FirstOfThreeShuffled(from, width, to);
}

void InkColumnsAvx2(uint16_t* columns, const uint8_t* added, const uint8_t* removed, int width) {
    InkColumns<WordVector32>(columns, added, removed, width);
}

void InkMarksAvx2(const uint16_t* columns, const uint8_t* luma, uint16_t* sums, uint16_t* marks, int width,
                  int multiplier, int offset) {
    InkMarks<WordVector32>(columns, luma, sums, marks, width, multiplier, offset);
}

void InkThinOutputAvx2(const uint16_t* above, const uint16_t* current, const uint16_t* below, uint16_t* grown,
                       uint8_t* out, int width) {
    InkOutput<WordVector32, false>(above, current, below, grown, out, width);
}

void InkThickOutputAvx2(const uint16_t* above, const uint16_t* current, const uint16_t* below, uint16_t* grown,
                        uint8_t* out, int width) {
    InkOutput<WordVector32, true>(above, current, below, grown, out, width);
}

void InkLumaAvx2(const uint8_t* pixels, uint8_t* luma, int width) {
    InkLuma<WordVector32>(pixels, luma, width);
}
