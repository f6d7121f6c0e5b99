#include "command_line/values.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace velmora {

namespace Arguments {

namespace {

// The most digits taken: any such number fits in 64 bits.
constexpr std::size_t kMostDigits = 18;
// The most animations that a number may name; the model decides which exist.
constexpr int kMostAnimations = 1000000;

}  // namespace

std::optional<int64_t> wholeNumber(const std::string& text, int64_t minimum, int64_t maximum) {
    const std::size_t digits = text.rfind('-', 0) == 0 ? 1 : 0;
    if (text.size() == digits || text.size() - digits > kMostDigits ||
        text.find_first_not_of("0123456789", digits) != std::string::npos) {
        return std::nullopt;
    }
    const int64_t value = std::stoll(text);
    if (value < minimum || value > maximum) {
        return std::nullopt;
    }
    return value;
}

std::optional<int64_t> positiveInteger(const std::string& text, int64_t maximum) {
    return wholeNumber(text, 1, maximum);
}

std::optional<int64_t> milliseconds(const std::string& text, int64_t minimum, int64_t maximum) {
    return wholeNumber(text, minimum, maximum);
}

std::optional<int> animationNumber(const std::string& text) {
    const auto number = positiveInteger(text, kMostAnimations);
    return number ? std::optional<int>(static_cast<int>(*number)) : std::nullopt;
}

std::optional<double> numberInRange(const std::string& text, double minimum, double maximum) {
    if (text.empty() || text.find_first_not_of("0123456789.+-eE") != std::string::npos) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value) || value < minimum || value > maximum) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::pair<int, int>> sizePair(const std::string& text, int maximum) {
    const auto separator = text.find('x');
    if (separator == std::string::npos) {
        return std::nullopt;
    }
    const auto first = positiveInteger(text.substr(0, separator), maximum);
    const auto second = positiveInteger(text.substr(separator + 1), maximum);
    if (!first || !second) {
        return std::nullopt;
    }
    return std::make_pair(static_cast<int>(*first), static_cast<int>(*second));
}

std::vector<std::string> commaSeparated(const std::string& list) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        if (comma > start) {
            items.push_back(list.substr(start, comma - start));
        }
        start = comma + 1;
    }
    return items;
}

}  // namespace Arguments

}  // namespace velmora
