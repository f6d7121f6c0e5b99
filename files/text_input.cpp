#include "files/text_input.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int countLines(std::string_view text, std::size_t end) {
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + end, '\n'));
}

}  // namespace

void TextInput::reset(std::string_view text) {
    text_ = text;
    position_ = readStart_ = lastCharacter_ = 0;
    failed_ = ended_ = rangeFailure_ = false;
}

int TextInput::lineNumber() const {
    return countLines(text_, std::min(readStart_, text_.size()));
}

int TextInput::lastLineNumber() const {
    std::size_t end = text_.size();
    while (end > 0 && isSpace(text_[end - 1])) {
        --end;
    }
    return countLines(text_, end);
}

bool TextInput::fail() {
    failed_ = true;
    return false;
}

bool TextInput::startExtraction() {
    if (!good()) {
        return fail();
    }
    rangeFailure_ = false;
    while (position_ < text_.size() && isSpace(text_[position_])) {
        ++position_;
    }
    readStart_ = position_;
    if (position_ == text_.size()) {
        ended_ = true;
        return fail();
    }
    return true;
}

bool TextInput::scanInteger(bool& negative, std::string_view& digits) {
    if (!startExtraction()) {
        return false;
    }
    std::size_t p = position_;
    negative = false;
    if (text_[p] == '+' || text_[p] == '-') {
        negative = text_[p] == '-';
        ++p;
    }
    const std::size_t first = p;
    while (p < text_.size() && isDigit(text_[p])) {
        ++p;
    }
    if (p == first) {
        if (p == text_.size()) {
            ended_ = true;
        }
        return fail();
    }
    digits = text_.substr(first, p - first);
    position_ = p;
    if (p == text_.size()) {
        ended_ = true;
    }
    return true;
}

bool TextInput::readInt32(int32_t& value) {
    bool negative = false;
    std::string_view digits;
    if (!scanInteger(negative, digits)) {
        return false;
    }
    uint64_t magnitude = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    const uint64_t limit = negative ? 2147483648ull : 2147483647ull;
    if (error != std::errc() || end != digits.data() + digits.size() || magnitude > limit) {
        rangeFailure_ = true;
        return fail();
    }
    value = negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude))
                     : static_cast<int32_t>(magnitude);
    return true;
}

bool TextInput::readUInt32(uint32_t& value) {
    bool negative = false;
    std::string_view digits;
    if (!scanInteger(negative, digits)) {
        return false;
    }
    uint32_t magnitude = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        rangeFailure_ = true;
        return fail();
    }
    value = negative ? 0u - magnitude : magnitude;
    return true;
}

bool TextInput::readDouble(double& value) {
    if (!startExtraction()) {
        return false;
    }
    std::size_t p = position_;
    const bool plus = text_[p] == '+';
    if (text_[p] == '+' || text_[p] == '-') {
        ++p;
    }
    std::size_t digitCount = 0;
    while (p < text_.size() && isDigit(text_[p])) {
        ++p;
        ++digitCount;
    }
    if (p < text_.size() && text_[p] == '.') {
        ++p;
        while (p < text_.size() && isDigit(text_[p])) {
            ++p;
            ++digitCount;
        }
    }
    if (digitCount == 0) {
        if (p == text_.size()) {
            ended_ = true;
        }
        return fail();
    }
    if (p < text_.size() && (text_[p] == 'e' || text_[p] == 'E')) {
        std::size_t e = p + 1;
        if (e < text_.size() && (text_[e] == '+' || text_[e] == '-')) {
            ++e;
        }
        if (e < text_.size() && isDigit(text_[e])) {
            while (e < text_.size() && isDigit(text_[e])) {
                ++e;
            }
            p = e;
        }
    }
    const char* first = text_.data() + position_ + (plus ? 1 : 0);
    const char* last = text_.data() + p;
    double parsed = 0.0;
    auto [end, error] = std::from_chars(first, last, parsed);
    if (error != std::errc() || end != last) {
        rangeFailure_ = error == std::errc::result_out_of_range;
        return fail();
    }
    value = parsed;
    position_ = p;
    if (p == text_.size()) {
        ended_ = true;
    }
    return true;
}

bool TextInput::readWord(std::string& word) {
    word.clear();
    if (!startExtraction()) {
        return false;
    }
    const std::size_t first = position_;
    while (position_ < text_.size() && !isSpace(text_[position_])) {
        ++position_;
    }
    word.assign(text_.substr(first, position_ - first));
    if (position_ == text_.size()) {
        ended_ = true;
    }
    return true;
}

bool TextInput::readCharacter(char& c) {
    if (!startExtraction()) {
        return false;
    }
    lastCharacter_ = position_;
    c = text_[position_++];
    return true;
}

void TextInput::putBack() {
    position_ = lastCharacter_;
}

bool TextInput::readLine(std::string& line) {
    if (!good()) {
        return fail();
    }
    while (position_ < text_.size() && isSpace(text_[position_])) {
        ++position_;
    }
    readStart_ = position_;
    if (position_ == text_.size()) {
        ended_ = true;
        return fail();
    }
    const void* found = std::memchr(text_.data() + position_, '\n', text_.size() - position_);
    const std::size_t feed =
        found ? static_cast<std::size_t>(static_cast<const char*>(found) - text_.data())
              : text_.size();
    std::size_t end = feed;
    if (found && end > position_ && text_[end - 1] == '\r') {
        --end;
    }
    line.assign(text_.substr(position_, end - position_));
    if (found) {
        position_ = feed + 1;
    } else {
        position_ = feed;
        ended_ = true;
    }
    return true;
}

bool readTextLine(TextInput& input, std::string& line) {
    return input.readLine(line);
}

bool readFirstLine(TextInput& input, std::string& line) {
    std::string working;
    do {
        if (!readTextLine(input, working)) {
            return false;
        }
    } while (working.empty() || working.compare(0, 2, "//") == 0);
    line = working;
    return true;
}

std::pair<std::string, std::string> splitAtColon(const std::string& line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) {
        return {};
    }
    return {line.substr(0, colon), line.substr(colon + 1)};
}

int readVector(TextInput& input, int n, double* target) {
    auto isOneOf = [](char c, const char* set) { return c != '\0' && std::strchr(set, c); };
    char c = 0;
    if (input.readCharacter(c) && !isOneOf(c, "(<[{")) {
        input.putBack();
    }
    double components[4] = {0, 0, 0, 0};
    int read = 0;
    for (int i = 0; i < n; ++i) {
        if (input.readDouble(components[i])) {
            ++read;
        }
        if (input.ended()) {
            break;
        }
        if (input.readCharacter(c) && !isOneOf(c, ",)>]}")) {
            input.putBack();
        }
    }
    if (input.good() || input.ended()) {
        std::copy(components, components + n, target);
        return read;
    }
    return -1;
}

int readVector(TextInput& input, Geometry::Vector3& target) {
    double components[3];
    const int read = readVector(input, 3, components);
    if (read >= 0) {
        target = {components[0], components[1], components[2]};
    }
    return read;
}
