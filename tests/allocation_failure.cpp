#include "allocation_failure.h"

#include <cstdlib>
#include <new>

#include <spng.h>

namespace {

int64_t countdown = 0;  // 0: nothing fails
bool failureMade = false;

bool FailThisOne() {
    if (countdown <= 0 || --countdown != 0) return false;
    return failureMade = true;
}

void* Allocate(std::size_t size) { return FailThisOne() ? nullptr : std::malloc(size ? size : 1); }

// libspng's allocator, asked for more than there is to fail as it would.
spng_alloc given;
void* Malloc(size_t size) { return given.malloc_fn(FailThisOne() ? SIZE_MAX : size); }
void* Realloc(void* memory, size_t size) { return given.realloc_fn(memory, FailThisOne() ? SIZE_MAX : size); }
void* Calloc(size_t count, size_t size) { return given.calloc_fn(FailThisOne() ? SIZE_MAX : count, size); }
void Free(void* memory) { given.free_fn(memory); }
spng_alloc failing = {Malloc, Realloc, Calloc, Free};

}  // namespace

// Every form, as AddressSanitizer replaces every form too.
void* operator new(std::size_t size) {
    if (void* memory = Allocate(size)) return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

extern "C" {
void* __real_jpeg_get_small(void* info, size_t size);
void* __real_jpeg_get_large(void* info, size_t size);
spng_ctx* __real_spng_ctx_new2(spng_alloc* alloc, int flags);
void* __wrap_jpeg_get_small(void* info, size_t size) { return FailThisOne() ? nullptr : __real_jpeg_get_small(info, size); }
void* __wrap_jpeg_get_large(void* info, size_t size) { return FailThisOne() ? nullptr : __real_jpeg_get_large(info, size); }
spng_ctx* __wrap_spng_ctx_new2(spng_alloc* alloc, int flags) {
    if (FailThisOne()) return nullptr;
    given = *alloc;
    return __real_spng_ctx_new2(&failing, flags);
}
spng_ctx* __wrap_spng_ctx_new(int flags) {
    spng_alloc system = {std::malloc, std::realloc, std::calloc, std::free};
    return __wrap_spng_ctx_new2(&system, flags);
}
#ifdef __SANITIZE_ADDRESS__
const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif
}

void FailAllocation(int64_t n) {
    countdown = n;
    if (n > 0) failureMade = false;
}

bool AllocationFailed() {
    return failureMade;
}
