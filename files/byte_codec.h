#pragma once
// The one way bytes handed between processes are framed: numbers as 8 bytes,
// little end first, and fields as their length followed by their bytes. The
// reader takes untrusted bytes: it never sizes anything beyond what remains,
// and a short or damaged input is a false return, not an exception.

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {
inline namespace files {

void putNumber(std::string& out, std::uint64_t value);
void putField(std::string& out, std::string_view field);

class ByteReader {
  public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

    // Each takes its item off the front, or returns false and takes nothing
    // when fewer bytes remain than it needs.
    bool byte(char& value);
    bool number(std::uint64_t& value);
    bool bytes(std::uint64_t count, std::string& out);
    bool field(std::string& out);

    // Bytes taken so far.
    std::size_t position() const { return at_; }
    std::size_t remaining() const { return bytes_.size() - at_; }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

}  // namespace files
}  // namespace velmora
