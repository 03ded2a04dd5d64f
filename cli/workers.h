// The threads that convert a batch.
#pragma once

#include <cstddef>
#include <functional>

// How many processors this process may run on (its affinity, which a
// container or `taskset` narrows), else how many the machine has; at least 1.
size_t UsableProcessors();

// Runs work on `count` threads at once, the caller's among them, and returns
// once every one has returned. Threads that cannot be created, for want of
// memory, are done without, so work takes its share of a batch from a common
// counter until none is left.
void RunOnThreads(size_t count, const std::function<void()>& work);
