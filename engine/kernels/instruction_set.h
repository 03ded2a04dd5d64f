// The vector instructions the pixel loops may use, chosen once per process.
#pragma once

enum class InstructionSet {
    Plain,  // one pixel at a time, no vector instructions: the reference
    // Only where the compiler has SSE2 or NEON (byte_vector.h): elsewhere the
    // plain loops are the only ones built.
#if defined(__SSE2__)
    Sse2,  // 16 bytes at a time, on every x86-64 processor
    Avx2,  // 32 bytes at a time, where the processor and the system have it
#elif defined(__aarch64__)
    Neon,  // 16 bytes at a time, on every aarch64 processor
#endif
};

// The widest set this processor and system can run.
InstructionSet WidestInstructionSet();

// The set's usual name, as the converter's --version gives it: "plain",
// "SSE2", "AVX2", "NEON".
inline const char* InstructionSetName(InstructionSet set) {
    switch (set) {
    case InstructionSet::Plain:
        return "plain";
#if defined(__SSE2__)
    case InstructionSet::Sse2:
        return "SSE2";
    case InstructionSet::Avx2:
        return "AVX2";
#elif defined(__aarch64__)
    case InstructionSet::Neon:
        return "NEON";
#endif
    }
    return "?";
}
