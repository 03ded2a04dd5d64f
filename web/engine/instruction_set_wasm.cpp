// The vector instructions of the WebAssembly build: its SIMD runs the SSE2
// loops, translated by Emscripten, unless VELMORA_WASM_PLAIN asks for the
// plain ones. It has no 32-byte vectors, so the AVX2 entry points, never
// chosen here, run the 16-byte loops.
#include "dark_marks.h"
#include "edge_rows.h"
#include "instruction_set.h"

InstructionSet WidestInstructionSet() {
#ifdef VELMORA_WASM_PLAIN
    return InstructionSet::Plain;
#else
    return InstructionSet::Sse2;
#endif
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
