#include "benchmarks/heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> allocations{0};
std::atomic<std::size_t> bytesInUse{0};
std::atomic<std::size_t> peakBytes{0};

void* allocate(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (!block) {
        throw std::bad_alloc();
    }
    // The usable size is what delete will subtract, so the two always match.
    const std::size_t taken = malloc_usable_size(block);
    allocations.fetch_add(1, std::memory_order_relaxed);
    const std::size_t now = bytesInUse.fetch_add(taken, std::memory_order_relaxed) + taken;
    std::size_t peak = peakBytes.load(std::memory_order_relaxed);
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
    return block;
}

void release(void* block) {
    if (block) {
        bytesInUse.fetch_sub(malloc_usable_size(block), std::memory_order_relaxed);
        std::free(block);
    }
}

}  // namespace

HeapCounts heapCounts() {
    HeapCounts counts;
    counts.allocations = allocations.load(std::memory_order_relaxed);
    counts.bytesInUse = bytesInUse.load(std::memory_order_relaxed);
    counts.peakBytes = peakBytes.load(std::memory_order_relaxed);
    return counts;
}

void resetHeapPeak() {
    peakBytes.store(bytesInUse.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

void* operator new(std::size_t size) {
    return allocate(size);
}

void* operator new[](std::size_t size) {
    return allocate(size);
}

void operator delete(void* block) noexcept {
    release(block);
}

void operator delete[](void* block) noexcept {
    release(block);
}

void operator delete(void* block, std::size_t) noexcept {
    release(block);
}

void operator delete[](void* block, std::size_t) noexcept {
    release(block);
}
