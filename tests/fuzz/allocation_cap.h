#pragma once
// The fuzz program replaces the global operator new and new[]: it notes the largest single
// allocation and calls a handler for one above the cap, before anything is allocated.
// Only allocations through operator new are seen; the OLE picture decoder and GDI allocate
// through the system's heaps, which the working-set watchdog (worker.cpp) watches instead.
#include <cstddef>

using OversizedAllocationHandler = void (*)(std::size_t bytes);

// handler must not allocate and must not return (it ends the process).
void SetAllocationCap(std::size_t bytes, OversizedAllocationHandler handler);
// The largest single allocation since the last reset.
std::size_t LargestAllocation();
void ResetLargestAllocation();
