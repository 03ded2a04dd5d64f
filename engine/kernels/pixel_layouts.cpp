#include "kernels/pixel_layouts.h"

#include "kernels/pixel_layout_rows.h"

// The set's own copy where it has one: the AVX2 file on x86 (built there
// only: the WebAssembly build has the SSE2 set without it), the NEON loops
// on aarch64.
#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64)
#define VECTOR_COPY(set, avx2, neon) \
    if ((set) == InstructionSet::Avx2) return avx2
#elif defined(__aarch64__)
#define VECTOR_COPY(set, avx2, neon) \
    if ((set) == InstructionSet::Neon) return neon
#else
#define VECTOR_COPY(set, avx2, neon) (void)(set)
#endif

PixelRowFunction SwapRedBlueRowFor(InstructionSet set) {
    VECTOR_COPY(set, SwapRedBlueRowAvx2, SwapRedBlueNeon);
    return SwapRedBluePlain;
}

PixelRowFunction GreyToBgrRowFor(InstructionSet set) {
    VECTOR_COPY(set, GreyToBgrRowAvx2, GreyToBgrNeon);
    return GreyToBgrPlain;
}

PixelRowFunction FirstOfThreeRowFor(InstructionSet set) {
    VECTOR_COPY(set, FirstOfThreeRowAvx2, FirstOfThreeNeon);
    return FirstOfThreePlain;
}
