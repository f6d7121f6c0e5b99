// The values options take: what each parser takes and what it refuses.

#include <gtest/gtest.h>

#include "command_line/values.h"

using namespace velmora;

namespace {

TEST(Values, WholeNumbersAreDigitsWithAtMostAMinusSign) {
    struct Row {
        const char* name;
        const char* text;
        std::optional<int64_t> expected;
    };
    const Row rows[] = {
        {"digits", "42", 42},
        {"leading zeros", "007", 7},
        {"negative", "-3", -3},
        {"eighteen digits", "999999999999999999", 999999999999999999},
        {"nineteen digits", "1000000000000000000", std::nullopt},
        {"empty", "", std::nullopt},
        {"a sign alone", "-", std::nullopt},
        {"plus sign", "+5", std::nullopt},
        {"space before", " 5", std::nullopt},
        {"space after", "5 ", std::nullopt},
        {"fraction", "2.5", std::nullopt},
        {"hexadecimal", "0x10", std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Arguments::wholeNumber(row.text), row.expected) << row.name;
    }
}

TEST(Values, EachParserKeepsToItsRange) {
    EXPECT_EQ(Arguments::positiveInteger("0", 10), std::nullopt);
    EXPECT_EQ(Arguments::positiveInteger("10", 10), 10);
    EXPECT_EQ(Arguments::positiveInteger("11", 10), std::nullopt);
    EXPECT_EQ(Arguments::milliseconds("-1", 0, 100), std::nullopt);
    EXPECT_EQ(Arguments::milliseconds("100", 0, 100), 100);
    EXPECT_EQ(Arguments::animationNumber("0"), std::nullopt);
    EXPECT_EQ(Arguments::animationNumber("1"), 1);
    EXPECT_EQ(Arguments::numberInRange("1e3", 0, 1000), 1000.0);
    EXPECT_EQ(Arguments::numberInRange("-0.5", -1, 1), -0.5);
    for (const char* refused : {"nan", "inf", "1e400", "1001", " 1", "1,5", ""}) {
        EXPECT_EQ(Arguments::numberInRange(refused, 0, 1000), std::nullopt) << refused;
    }
}

TEST(Values, SizesAndLists) {
    EXPECT_EQ(Arguments::sizePair("640x480", 4096), std::make_pair(640, 480));
    for (const char* refused : {"0x480", "4097x1", "640x480x2", "640", "x480", " 640x480"}) {
        EXPECT_EQ(Arguments::sizePair(refused, 4096), std::nullopt) << refused;
    }
    using Strings = std::vector<std::string>;
    EXPECT_EQ(Arguments::commaSeparated("walk,,run,"), (Strings{"walk", "run"}));
    EXPECT_EQ(Arguments::commaSeparated(","), Strings{});
}

}  // namespace
