#include "workers.h"

#include <algorithm>
#include <bit>
#include <exception>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sched.h>
#endif

size_t UsableProcessors() {
#ifdef _WIN32
    DWORD_PTR processMask = 0;
    DWORD_PTR systemMask = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask) && processMask != 0) {
        return size_t(std::popcount(processMask));
    }
#else
    cpu_set_t set;
    // Fails on machines of more processors than a cpu_set_t holds.
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return size_t(CPU_COUNT(&set));
#endif
    return std::max(1u, std::thread::hardware_concurrency());
}

void RunOnThreads(size_t count, const std::function<void()>& work) {
    std::vector<std::thread> threads;
    try {
        for (size_t i = 1; i < count; ++i) threads.emplace_back(work);
    } catch (const std::exception&) {
    }
    work();
    for (std::thread& thread : threads) thread.join();
}
