#include "benchmarks/heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace velmora {
inline namespace benchmarks {

namespace {

std::atomic<std::size_t> allocations{0};
std::atomic<std::size_t> bytesInUse{0};
std::atomic<std::size_t> peakBytes{0};

// A block of at least size bytes, aligned for alignment (0: malloc's own), or
// nullptr when there is no memory.
void* allocateOrNull(std::size_t size, std::size_t alignment) {
    if (size == 0) {
        size = 1;
    }
    void* block = nullptr;
    if (alignment == 0) {
        block = std::malloc(size);
    } else if (::posix_memalign(&block, alignment, size) != 0) {
        block = nullptr;
    }
    if (!block) {
        return nullptr;
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

void* allocate(std::size_t size, std::size_t alignment = 0) {
    void* block = allocateOrNull(size, alignment);
    if (!block) {
        throw std::bad_alloc();
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

}  // namespace benchmarks
}  // namespace velmora

using velmora::benchmarks::allocate;
using velmora::benchmarks::allocateOrNull;
using velmora::benchmarks::release;

// Every form of the global operator new and delete, so that no library mixes
// these with another allocator's (the sanitizers bring their own).
void* operator new(std::size_t size) {
    return allocate(size);
}

void* operator new[](std::size_t size) {
    return allocate(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocateOrNull(size, 0);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocateOrNull(size, 0);
}

void* operator new(std::size_t size, std::align_val_t alignment) {
    return allocate(size, static_cast<std::size_t>(alignment));
}

void* operator new[](std::size_t size, std::align_val_t alignment) {
    return allocate(size, static_cast<std::size_t>(alignment));
}

void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocateOrNull(size, static_cast<std::size_t>(alignment));
}

void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocateOrNull(size, static_cast<std::size_t>(alignment));
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

void operator delete(void* block, const std::nothrow_t&) noexcept {
    release(block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept {
    release(block);
}

void operator delete(void* block, std::align_val_t) noexcept {
    release(block);
}

void operator delete[](void* block, std::align_val_t) noexcept {
    release(block);
}

void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
    release(block);
}

void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
    release(block);
}

void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    release(block);
}

void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    release(block);
}
