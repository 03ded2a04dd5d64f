// The vector instructions of the WebAssembly build: with SIMD (compiled with
// -msimd128 -msse2) it runs the SSE2 loops, translated by Emscripten; without
// it, only the plain loops exist. It has no 32-byte vectors, so the AVX2
// entry points, never chosen here, run the 16-byte loops.
#include "kernels/instruction_set.h"

#if defined(__SSE2__)

#include "kernels/dark_marks.h"
#include "kernels/edge_rows.h"

InstructionSet WidestInstructionSet() {
    return InstructionSet::Sse2;
}

void ExtractThinRowAvx2(const uint8_t* current, const uint8_t* above, const uint8_t* below, uint8_t* out, int width,
                        int threshold) {
    ExtractRow<ByteVector16, false>(current, above, below, out, width, threshold);
}

void ExtractThickRowAvx2(const uint8_t* current, const uint8_t* above, const uint8_t* below, uint8_t* out, int width,
                         int threshold) {
    ExtractRow<ByteVector16, true>(current, above, below, out, width, threshold);
}

void MarkDarkRowAvx2(const uint8_t* pixels, uint8_t* marks, int width) {
    MarkDarkRow<ByteVector16>(pixels, marks, width);
}

#else

InstructionSet WidestInstructionSet() {
    return InstructionSet::Plain;
}

#endif
