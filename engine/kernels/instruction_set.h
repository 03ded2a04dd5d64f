// The vector instructions the pixel loops may use, chosen once per process.
#pragma once

enum class InstructionSet {
    Plain,  // one pixel at a time, no vector instructions: the reference
#if defined(__SSE2__)
    // Only where the compiler has SSE2 (byte_vector.h): elsewhere the plain
    // loops are the only ones built.
    Sse2,  // 16 bytes at a time, on every x86-64 processor
    Avx2,  // 32 bytes at a time, where the processor and the system have it
#endif
};

// The widest set this processor and system can run.
InstructionSet WidestInstructionSet();
