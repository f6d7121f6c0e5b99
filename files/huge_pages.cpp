#include "files/huge_pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <new>
#include <utility>

namespace velmora {
inline namespace files {

namespace {

std::uintptr_t roundUp(std::uintptr_t value, std::size_t step) {
    return (value + step - 1) / step * step;
}

}  // namespace

void prepareForWriting(const void* data, std::size_t bytes) {
    if (!data || bytes < kPreparedBytes) {
        return;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = roundUp(start, kHugePageBytes);
    const std::uintptr_t end = (start + bytes) / kHugePageBytes * kHugePageBytes;
    // Advice only: a kernel without transparent huge pages or without
    // populating refuses it, and the memory then fills page by page.
    if (end > first) {
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
    }
    const auto pageSize = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t firstPage = roundUp(start, pageSize);
    const std::uintptr_t endPage = (start + bytes) / pageSize * pageSize;
    if (endPage > firstPage) {
        ::madvise(reinterpret_cast<void*>(firstPage), endPage - firstPage, MADV_POPULATE_WRITE);
    }
}

PageBuffer::PageBuffer(std::size_t size) {
    if (size == 0) {
        return;
    }
    // Mapped one huge page larger, so that the part kept can start on a huge
    // page's boundary; what lies outside it is given back at once.
    const bool huge = size >= kHugePageBytes;
    const auto pageSize = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t wanted = roundUp(size, pageSize);
    const std::size_t mapped = huge ? wanted + kHugePageBytes : wanted;
    void* const region =
        ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (region == MAP_FAILED) {
        throw std::bad_alloc();
    }
    auto* start = static_cast<char*>(region);
    if (huge) {
        const auto begin = reinterpret_cast<std::uintptr_t>(region);
        char* const aligned = start + (roundUp(begin, kHugePageBytes) - begin);
        if (aligned > start) {
            ::munmap(start, static_cast<std::size_t>(aligned - start));
        }
        char* const end = start + mapped;
        if (end > aligned + wanted) {
            ::munmap(aligned + wanted, static_cast<std::size_t>(end - (aligned + wanted)));
        }
        start = aligned;
    }
    prepareForWriting(start, wanted);
    data_ = start;
    mapped_ = wanted;
}

PageBuffer::~PageBuffer() {
    if (data_) {
        ::munmap(data_, mapped_);
    }
}

PageBuffer::PageBuffer(PageBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), mapped_(std::exchange(other.mapped_, 0)) {}

PageBuffer& PageBuffer::operator=(PageBuffer&& other) noexcept {
    if (this != &other) {
        this->~PageBuffer();
        data_ = std::exchange(other.data_, nullptr);
        mapped_ = std::exchange(other.mapped_, 0);
    }
    return *this;
}

}  // namespace files
}  // namespace velmora
