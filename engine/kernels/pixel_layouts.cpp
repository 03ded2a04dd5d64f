#include "pixel_layouts.h"

#include "pixel_layout_rows.h"

// The AVX2 file is built on x86 only: the WebAssembly build has the SSE2
// set without it.
#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64)
#define AVX2_COPY(set, function) \
    if ((set) == InstructionSet::Avx2) return function
#else
#define AVX2_COPY(set, function) (void)(set)
#endif

PixelRowFunction SwapRedBlueRowFor(InstructionSet set) {
    AVX2_COPY(set, SwapRedBlueRowAvx2);
    return SwapRedBluePlain;
}

PixelRowFunction GreyToBgrRowFor(InstructionSet set) {
    AVX2_COPY(set, GreyToBgrRowAvx2);
    return GreyToBgrPlain;
}

PixelRowFunction FirstOfThreeRowFor(InstructionSet set) {
    AVX2_COPY(set, FirstOfThreeRowAvx2);
    return FirstOfThreePlain;
}
