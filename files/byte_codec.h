#pragma once
// The one way bytes handed between processes and kept on disk are framed:
// numbers as 8 bytes, little end first; fields as their length followed by
// their bytes; plain values (trivially copyable) as they lie in memory, and
// arrays of them as their count followed by their items. The reader takes
// untrusted bytes: it never sizes anything beyond what remains, and a short or
// damaged input is a false return, not an exception.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace velmora {
inline namespace files {

void putNumber(std::string& out, std::uint64_t value);
void putField(std::string& out, std::string_view field);

template <typename T>
void putValue(std::string& out, const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename T>
void putArray(std::string& out, const std::vector<T>& items) {
    static_assert(std::is_trivially_copyable_v<T>);
    putNumber(out, items.size());
    // An empty vector may hold no storage at all: nothing to copy then.
    if (!items.empty()) {
        out.append(reinterpret_cast<const char*>(items.data()), items.size() * sizeof(T));
    }
}

class ByteReader {
  public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

    // Each takes its item off the front, or returns false and takes nothing
    // when fewer bytes remain than it needs.
    bool byte(char& value);
    bool number(std::uint64_t& value);
    bool bytes(std::uint64_t count, std::string& out);
    bool field(std::string& out);

    template <typename T>
    bool value(T& into) {
        static_assert(std::is_trivially_copyable_v<T>);
        if (remaining() < sizeof into) {
            return false;
        }
        std::memcpy(&into, bytes_.data() + at_, sizeof into);
        at_ += sizeof into;
        return true;
    }

    // The count is refused before anything is sized when the bytes that
    // remain cannot hold that many items.
    template <typename T>
    bool array(std::vector<T>& items) {
        static_assert(std::is_trivially_copyable_v<T>);
        const std::size_t start = at_;
        std::uint64_t count = 0;
        if (!number(count) || count > remaining() / sizeof(T)) {
            at_ = start;
            return false;
        }
        items.resize(count);
        if (count > 0) {
            std::memcpy(items.data(), bytes_.data() + at_, count * sizeof(T));
        }
        at_ += count * sizeof(T);
        return true;
    }

    // Bytes taken so far.
    std::size_t position() const { return at_; }
    std::size_t remaining() const { return bytes_.size() - at_; }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

}  // namespace files
}  // namespace velmora
