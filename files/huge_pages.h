#pragma once
// Memory for the large arrays of a load with as few page faults as the kernel
// allows. A fresh process touches every page of a model for the first time, and
// on the machines this runs on a first touch costs about 10 us per 4 KiB page:
// more than parsing the bytes on it. A 2 MiB page costs one fault for 512 of
// them, so large arrays ask for those where the kernel grants them on request.

#include <cstddef>
#include <vector>

namespace velmora {
inline namespace files {

constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

// Asks the kernel to back the whole 2 MiB pages within [data, data + bytes)
// with huge pages when they are first touched. Pages already touched keep what
// they have; nothing happens where the kernel refuses.
void adviseHugePages(const void* data, std::size_t bytes);

// reserve(count), the new storage advised as above before anything is written
// to it.
template <typename T>
void reserveLarge(std::vector<T>& array, std::size_t count) {
    array.reserve(count);
    adviseHugePages(array.data(), count * sizeof(T));
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
