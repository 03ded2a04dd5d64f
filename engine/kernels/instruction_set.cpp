#include "kernels/instruction_set.h"

namespace {

InstructionSet Detect() {
#if defined(__aarch64__)
    // NEON is part of every aarch64 processor and system.
    return InstructionSet::Neon;
#else
    // A static MinGW program may read the processor's features before
    // libgcc's constructor has filled them in; asking again is harmless.
    // libgcc reports AVX2 only when the system saves the 32-byte registers.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? InstructionSet::Avx2 : InstructionSet::Sse2;
#endif
}

}  // namespace

InstructionSet WidestInstructionSet() {
    static const InstructionSet widest = Detect();
    return widest;
}
