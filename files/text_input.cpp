#include "files/text_input.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace velmora {
inline namespace files {

namespace {

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

// Inlined into both integer reads, which differ only in their range.
__attribute__((always_inline)) inline bool TextInput::scanInteger(bool& negative,
                                                                  uint64_t& magnitude) {
    if (!startExtraction()) {
        return false;
    }
    // Any magnitude beyond 32 bits fails the same way; stopping the count there
    // keeps it from overflowing, however many digits follow.
    constexpr uint64_t kBeyondAnyTarget = uint64_t{1} << 40;
    const char* const end = text_.data() + text_.size();
    const char* p = text_.data() + position_;
    const bool minus = *p == '-';
    if (*p == '+' || minus) {
        ++p;
    }
    const char* const first = p;
    uint64_t value = 0;
    for (; p != end && isDigit(*p); ++p) {
        if (value < kBeyondAnyTarget) {
            value = value * 10 + static_cast<uint64_t>(*p - '0');
        }
    }
    if (p == first) {
        if (p == end) {
            ended_ = true;
        }
        return fail();
    }
    negative = minus;
    magnitude = value;
    position_ = static_cast<std::size_t>(p - text_.data());
    if (p == end) {
        ended_ = true;
    }
    return true;
}

bool TextInput::readInt32(int32_t& value) {
    bool negative = false;
    uint64_t magnitude = 0;
    if (!scanInteger(negative, magnitude)) {
        return false;
    }
    if (magnitude > (negative ? 2147483648ull : 2147483647ull)) {
        rangeFailure_ = true;
        return fail();
    }
    value = negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude))
                     : static_cast<int32_t>(magnitude);
    return true;
}

bool TextInput::readUInt32(uint32_t& value) {
    bool negative = false;
    uint64_t magnitude = 0;
    if (!scanInteger(negative, magnitude)) {
        return false;
    }
    if (magnitude > 0xffffffffull) {
        rangeFailure_ = true;
        return fail();
    }
    const auto low = static_cast<uint32_t>(magnitude);
    value = negative ? 0u - low : low;
    return true;
}

namespace {

// The digits of a decimal number as an integer and a power of ten.
struct Decimal {
    uint64_t digits = 0;
    int exponent = 0;
    // False when there were more than 19 digits, which digits cannot hold.
    bool exact = true;
    // Where the number ends.
    const char* end = nullptr;
};

// Eight characters at once, in the order of the text.
uint64_t eightCharacters(const char* p) {
    uint64_t chunk = 0;
    std::memcpy(&chunk, p, sizeof chunk);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    chunk = __builtin_bswap64(chunk);
#endif
    return chunk;
}

// True when every byte of chunk is a digit: its high half is 3 and adding 6 to
// it does not carry into the high half.
bool allDigits(uint64_t chunk) {
    const uint64_t high = chunk & 0xf0f0f0f0f0f0f0f0;
    const uint64_t carried = ((chunk + 0x0606060606060606) & 0xf0f0f0f0f0f0f0f0) >> 4;
    return (high | carried) == 0x3333333333333333;
}

// The value of eight digits, the first in the lowest byte: neighbouring digits,
// then pairs and then quadruples combined, each step one multiplication.
uint64_t valueOfEightDigits(uint64_t chunk) {
    chunk -= 0x3030303030303030;
    chunk = (chunk * 10) + (chunk >> 8);
    const uint64_t pairs = 0x000000ff000000ff;
    return (((chunk & pairs) * 0x000f424000000064) +
            (((chunk >> 16) & pairs) * 0x0000271000000001)) >>
           32;
}

// digits followed by the digits that start at p, which then points past them:
// eight at a time while they come in eights, then one by one.
// Inlined: a call per run of digits would cost as much as reading them.
__attribute__((always_inline)) inline uint64_t appendDigits(const char*& p, const char* end,
                                                            uint64_t digits) {
    const char* q = p;
    while (end - q >= 8 && allDigits(eightCharacters(q))) {
        digits = digits * 100000000 + valueOfEightDigits(eightCharacters(q));
        q += 8;
    }
    for (; q != end && isDigit(*q); ++q) {
        digits = digits * 10 + static_cast<uint64_t>(*q - '0');
    }
    p = q;
    return digits;
}

// Scans [sign] digits [. digits] [e [sign] digits] from p, the exponent only
// when digits follow the 'e'. False when there is no digit before the exponent.
bool scanDecimal(const char* p, const char* end, Decimal& decimal) {
    if (p != end && (*p == '+' || *p == '-')) {
        ++p;
    }
    // The integer part is mostly a digit or two, the fraction holds the long
    // runs. Past 19 digits the count wraps around (defined for unsigned
    // integers); exact then sends the number to the general conversion.
    const char* const integerStart = p;
    uint64_t digits = 0;
    for (; p != end && isDigit(*p); ++p) {
        digits = digits * 10 + static_cast<uint64_t>(*p - '0');
    }
    long count = p - integerStart;
    long fraction = 0;
    if (p != end && *p == '.') {
        const char* const fractionStart = ++p;
        digits = appendDigits(p, end, digits);
        fraction = p - fractionStart;
        count += fraction;
    }
    if (count == 0) {
        decimal.end = p;
        return false;
    }
    decimal.digits = digits;
    decimal.exact = count <= 19;
    long exponent = -fraction;
    if (p != end && (*p == 'e' || *p == 'E')) {
        const char* e = p + 1;
        bool negative = false;
        if (e != end && (*e == '+' || *e == '-')) {
            negative = *e == '-';
            ++e;
        }
        if (e != end && isDigit(*e)) {
            long written = 0;
            for (; e != end && isDigit(*e); ++e) {
                written = std::min(written * 10 + (*e - '0'), 100000L);
            }
            exponent += negative ? -written : written;
            p = e;
        }
    }
    decimal.exponent = static_cast<int>(std::max(-200000L, exponent));
    decimal.end = p;
    return true;
}

// The double nearest to digits x 10^exponent, when one correctly rounded
// operation on exact operands gives it: digits up to 2^53 and a power of ten
// within 10^+-22 (5^22 < 2^53), both exact in a double.
bool nearestByOneRounding(uint64_t digits, int exponent, double& nearest) {
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (digits > (uint64_t{1} << 53) || exponent < -22 || exponent > 22) {
        return false;
    }
    const auto value = static_cast<double>(digits);
    nearest = exponent < 0 ? value / kPowers[-exponent] : value * kPowers[exponent];
    return true;
}

// The same for up to 19 digits, through x87's extended precision: its 64-bit
// significand holds every such integer and every power of ten up to 10^27
// (5^27 < 2^64) exactly, so the product or quotient is rounded once to 64 bits
// and then to a double. The second rounding agrees with rounding the exact
// value unless the first left the result exactly halfway between two doubles
// (the 11 bits that a double drops read 0x400); then it declines. (This needs
// the processor's x87 arithmetic: an emulator that rounds it to double
// precision, as Valgrind does, can miss the nearest double by one.)
bool nearestByExtendedPrecision(uint64_t digits, int exponent, double& nearest) {
#if defined(__x86_64__) && __LDBL_MANT_DIG__ == 64
    static constexpr long double kPowers[] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,
                                              1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
                                              1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L,
                                              1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};
    if (exponent < -27 || exponent > 27) {
        return false;
    }
    const auto value = static_cast<long double>(digits);
    const long double extended =
        exponent < 0 ? value / kPowers[-exponent] : value * kPowers[exponent];
    uint64_t significand = 0;
    std::memcpy(&significand, &extended, sizeof significand);
    if ((significand & 0x7ff) == 0x400) {
        return false;
    }
    nearest = static_cast<double>(extended);
    return true;
#else
    (void)digits;
    (void)exponent;
    (void)nearest;
    return false;
#endif
}

}  // namespace

bool TextInput::readDouble(double& value) {
    if (!startExtraction()) {
        return false;
    }
    const char* const end = text_.data() + text_.size();
    const char* const first = text_.data() + position_;
    Decimal decimal;
    if (!scanDecimal(first, end, decimal)) {
        if (decimal.end == end) {
            ended_ = true;
        }
        return fail();
    }
    double parsed = 0.0;
    if (decimal.exact && (nearestByOneRounding(decimal.digits, decimal.exponent, parsed) ||
                          nearestByExtendedPrecision(decimal.digits, decimal.exponent, parsed))) {
        if (*first == '-') {
            parsed = -parsed;
        }
    } else {
        // std::from_chars reads the same syntax over the same span, except that
        // it takes no '+'.
        const char* const number = *first == '+' ? first + 1 : first;
        const auto [last, error] = std::from_chars(number, decimal.end, parsed);
        if (error != std::errc() || last != decimal.end) {
            rangeFailure_ = error == std::errc::result_out_of_range;
            return fail();
        }
    }
    value = parsed;
    position_ = static_cast<std::size_t>(decimal.end - text_.data());
    if (position_ == text_.size()) {
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
    std::string_view view;
    if (!readLine(view)) {
        return false;
    }
    line.assign(view);
    return true;
}

bool TextInput::readLine(std::string_view& line) {
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
    line = text_.substr(position_, end - position_);
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
    std::string_view view;
    if (!readFirstLine(input, view)) {
        return false;
    }
    line.assign(view);
    return true;
}

bool readFirstLine(TextInput& input, std::string_view& line) {
    std::string_view working;
    do {
        if (!input.readLine(working)) {
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

namespace {

bool isOpeningBracket(char c) {
    return c == '(' || c == '<' || c == '[' || c == '{';
}

bool isSeparator(char c) {
    return c == ',' || c == ')' || c == '>' || c == ']' || c == '}';
}

}  // namespace

int readVector(TextInput& input, int n, double* target) {
    input.skipCharacterIf(isOpeningBracket);
    double components[4] = {0, 0, 0, 0};
    int read = 0;
    for (int i = 0; i < n; ++i) {
        if (input.readDouble(components[i])) {
            ++read;
        }
        if (input.ended()) {
            break;
        }
        input.skipCharacterIf(isSeparator);
    }
    if (input.good() || input.ended()) {
        // Element by element: n is 3 or 4, too few to call memcpy for.
        for (int i = 0; i < 3; ++i) {
            target[i] = components[i];
        }
        if (n == 4) {
            target[3] = components[3];
        }
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

}  // namespace files
}  // namespace velmora
