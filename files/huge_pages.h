#pragma once
// Memory for the large arrays of a load with as few page faults as the kernel
// allows. A fresh process touches every page of a model for the first time, and
// on the machines this runs on a first touch costs about 10 us per 4 KiB page:
// more than parsing the bytes on it. A 2 MiB page costs one fault for 512 of
// them, so large arrays ask for those where the kernel grants them on request,
// and have the rest of their pages put in place in one call rather than one
// fault each.

#include <cstddef>
#include <vector>

namespace velmora {
inline namespace files {

constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

// Readies the memory [data, data + bytes) that is about to be written: the
// whole 2 MiB pages within it backed by huge pages where the kernel grants
// them, and every page put in place at once. Pages already in place keep what
// they have and their content; nothing happens where the kernel refuses, and
// nothing for less than kPreparedBytes, which faults cheaply enough.
void prepareForWriting(const void* data, std::size_t bytes);
constexpr std::size_t kPreparedBytes = std::size_t{64} << 10;

// reserve(count), the new storage prepared as above before anything is
// written to it.
template <typename T>
void reserveLarge(std::vector<T>& array, std::size_t count) {
    array.reserve(count);
    prepareForWriting(array.data(), count * sizeof(T));
}

// Pages of its own for size bytes, mapped for it alone (not the heap's), huge
// where the kernel grants them, and not written before the owner writes them.
// Throws std::bad_alloc when they cannot be mapped.
class PageBuffer {
  public:
    PageBuffer() = default;
    explicit PageBuffer(std::size_t size);
    ~PageBuffer();
    PageBuffer(PageBuffer&& other) noexcept;
    PageBuffer& operator=(PageBuffer&& other) noexcept;
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;

    char* data() const { return data_; }

  private:
    char* data_ = nullptr;
    std::size_t mapped_ = 0;
};

}  // namespace files
}  // namespace velmora
