#include "fuzz/allocation_cap.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> g_cap{static_cast<std::size_t>(-1)};
std::atomic<OversizedAllocationHandler> g_handler{nullptr};
std::atomic<std::size_t> g_largest{0};

void* Allocate(std::size_t bytes) {
    if (bytes > g_cap.load(std::memory_order_relaxed)) {
        if (OversizedAllocationHandler handler = g_handler.load()) handler(bytes);
        std::abort();  // no handler: still loud
    }
    std::size_t largest = g_largest.load(std::memory_order_relaxed);
    while (bytes > largest && !g_largest.compare_exchange_weak(largest, bytes)) {
    }
    return std::malloc(bytes ? bytes : 1);
}

}  // namespace

void SetAllocationCap(std::size_t bytes, OversizedAllocationHandler handler) {
    g_handler = handler;
    g_cap = bytes;
}

std::size_t LargestAllocation() { return g_largest.load(); }
void ResetLargestAllocation() { g_largest = 0; }

void* operator new(std::size_t bytes) {
    if (void* memory = Allocate(bytes)) return memory;
    throw std::bad_alloc();
}

void* operator new[](std::size_t bytes) {
    if (void* memory = Allocate(bytes)) return memory;
    throw std::bad_alloc();
}

void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return Allocate(bytes); }
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept { return Allocate(bytes); }

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
