#pragma once
// The values that options take, read one way in every program: whole numbers
// in decimal digits (a leading '-' the only sign), finite decimal numbers,
// sizes "<width>x<height>" and comma-separated lists. No white space is taken
// anywhere. Each returns nothing for text it does not take, and the program
// words its refusal.

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

namespace Arguments {

// A whole number within [minimum, maximum]; nothing for one of more than 18
// digits, whatever the bounds.
std::optional<int64_t> wholeNumber(const std::string& text,
                                   int64_t minimum = std::numeric_limits<int64_t>::min(),
                                   int64_t maximum = std::numeric_limits<int64_t>::max());

// A whole number from 1 to maximum.
std::optional<int64_t> positiveInteger(const std::string& text, int64_t maximum);

// A count of milliseconds within [minimum, maximum].
std::optional<int64_t> milliseconds(const std::string& text, int64_t minimum, int64_t maximum);

// An animation's number as the animation menu counts them, from 1.
std::optional<int> animationNumber(const std::string& text);

// A finite decimal number within [minimum, maximum].
std::optional<double> numberInRange(const std::string& text, double minimum, double maximum);

// "<first>x<second>", each a whole number from 1 to maximum.
std::optional<std::pair<int, int>> sizePair(const std::string& text, int maximum);

// The items between commas, empty ones left out.
std::vector<std::string> commaSeparated(const std::string& list);

}  // namespace Arguments

}  // namespace velmora
