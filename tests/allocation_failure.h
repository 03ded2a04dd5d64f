// Making the N-th allocation from now fail, for the tests that run an
// operation with each of its allocations failing in turn: the program's
// own through operator new, replaced here, the image libraries' through
// their allocation calls, which the test program wraps at link time
// (-Wl,--wrap=jpeg_get_small,--wrap=jpeg_get_large,--wrap=spng_ctx_new2,
// --wrap=spng_ctx_new).
#pragma once

#include <cstdint>

// The n-th allocation from now fails; 0: none does.
void FailAllocation(int64_t n);

// Whether the allocation chosen by the last FailAllocation of n > 0 has
// failed.
bool AllocationFailed();
