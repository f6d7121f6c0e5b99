#include "files/byte_codec.h"

namespace velmora {
inline namespace files {

namespace {

constexpr std::size_t kNumberSize = 8;

}  // namespace

void putNumber(std::string& out, std::uint64_t value) {
    for (std::size_t i = 0; i < kNumberSize; ++i) {
        out += static_cast<char>(value >> (8 * i));
    }
}

void putField(std::string& out, std::string_view field) {
    putNumber(out, field.size());
    out += field;
}

bool ByteReader::byte(char& value) {
    if (remaining() < 1) {
        return false;
    }
    value = bytes_[at_++];
    return true;
}

bool ByteReader::number(std::uint64_t& value) {
    if (remaining() < kNumberSize) {
        return false;
    }
    value = 0;
    for (std::size_t i = 0; i < kNumberSize; ++i) {
        value |= std::uint64_t{static_cast<unsigned char>(bytes_[at_ + i])} << (8 * i);
    }
    at_ += kNumberSize;
    return true;
}

bool ByteReader::bytes(std::uint64_t count, std::string& out) {
    if (count > remaining()) {
        return false;
    }
    out.assign(bytes_.substr(at_, count));
    at_ += count;
    return true;
}

bool ByteReader::field(std::string& out) {
    const std::size_t start = at_;
    std::uint64_t length = 0;
    if (number(length) && bytes(length, out)) {
        return true;
    }
    at_ = start;
    return false;
}

}  // namespace files
}  // namespace velmora
