// The reader converts most numbers without std::from_chars: by one exact
// division or multiplication, or through x87's extended precision. Every
// number must still come out as the double std::from_chars gives, the nearest
// one, ties going to the even significand.

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "files/text_input.h"

using namespace velmora;

namespace {

// What std::from_chars makes of text (which has no '+'), bit for bit, against
// what TextInput::readDouble reads; the empty text when they agree.
std::string disagreement(const std::string& text) {
    double expected = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), expected);
    TextInput input(text);
    double read = 0.0;
    const bool ok = input.readDouble(read);
    if (ok != (error == std::errc() && end == text.data() + text.size())) {
        return text + ": read " + (ok ? "succeeded" : "failed");
    }
    if (ok && std::memcmp(&read, &expected, sizeof read) != 0) {
        char message[128];
        std::snprintf(message, sizeof message, "%s: read %.17g, expected %.17g", text.c_str(), read,
                      expected);
        return message;
    }
    return "";
}

}  // namespace

TEST(NumberConversion, EdgesOfEachWayGiveTheNearestDouble) {
    const char* const cases[] = {
        // one rounding: digits up to 2^53, powers of ten up to 10^22
        "0",
        "-0",
        "0.5",
        "-20",
        "9007199254740992",
        "9007199254740992e22",
        "1e-22",
        "1e22",
        "0.0009765625",
        "123456789012345.6",
        // beyond: 17 to 19 digits, powers up to 10^27, through extended precision
        "9007199254740993",
        "-2.3999999999999986",
        "0.12345678901234567",
        "1.234567890123456789",
        "9999999999999999999",
        "1e27",
        "1.5e-27",
        "18446744073709551615e-10",
        // ties between two doubles: to the even significand
        "9007199254740993",
        "9007199254740995",
        "4503599627370497.5",
        "4503599627370498.5",
        "2251799813685248.25",
        "2251799813685248.75",
        // beyond both: std::from_chars itself
        "1e28",
        "1e-28",
        "12345678901234567890",
        "0.000000000000000000001",
        "1e308",
        "4.9e-324",
        "1e400",
        "1e-400",
        ".5",
        "5.",
        "1.e5",
    };
    for (const char* text : cases) {
        EXPECT_EQ(disagreement(text), "");
    }
}

// Random doubles written with 1 to 19 significant digits in each format, and
// integers of 16 to 19 digits scaled by every power of ten the fast ways use.
TEST(NumberConversion, RandomNumbersGiveTheNearestDouble) {
    std::mt19937_64 random(20240607);
    char text[64];
    int disagreements = 0;
    for (int i = 0; i < 100000 && disagreements < 5; ++i) {
        const double value =
            std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 80) - 70);
        const int digits = 1 + static_cast<int>(random() % 19);
        const char* const formats[] = {"%.*g", "%.*e", "%.*f"};
        std::snprintf(text, sizeof text, formats[random() % 3], digits,
                      random() % 2 ? value : -value);
        const std::string first = disagreement(text);
        const auto integer = static_cast<unsigned long long>(random() % 10000000000000000000ull);
        std::snprintf(text, sizeof text, "%llue%d", integer, static_cast<int>(random() % 55) - 27);
        const std::string second = disagreement(text);
        for (const std::string& problem : {first, second}) {
            if (!problem.empty()) {
                ADD_FAILURE() << problem;
                ++disagreements;
            }
        }
    }
}
