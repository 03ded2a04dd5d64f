// The vector instructions the pixel loops may use, chosen once per process.
#pragma once

enum class InstructionSet {
    Plain,  // one pixel at a time, no vector instructions: the reference
    Sse2,   // 16 bytes at a time, on every x86-64 processor
    Avx2,   // 32 bytes at a time, where the processor and the system have it
};

// The widest set this processor and system can run.
InstructionSet WidestInstructionSet();
