#include "files/text_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velmora;

namespace {

std::vector<std::string> allLines(TextInput& input) {
    std::vector<std::string> lines;
    std::string line;
    while (readTextLine(input, line)) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

TEST(ReadTextLine, SkipsEmptyLinesAndIndentationAndDropsTheLineEnding) {
    struct Case {
        const char* text;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"  indented\n\n \t\n\tnext  \n", {"indented", "next  "}},
        {"crlf\r\nline two\r\n\r\n", {"crlf", "line two"}},
        {"a carriage return\ralone stays\n", {"a carriage return\ralone stays"}},
        {"// not a comment here\n", {"// not a comment here"}},
        {" \r\n\t\n", {}},
    };
    for (const Case& c : cases) {
        TextInput input(c.text);
        EXPECT_EQ(allLines(input), c.lines) << c.text;
    }
}

TEST(ReadTextLine, AtTheEndKeepsTheLineAndStaysFailed) {
    TextInput input("only\n");
    std::string line = "before";
    ASSERT_TRUE(readTextLine(input, line));
    EXPECT_FALSE(readTextLine(input, line));
    EXPECT_EQ(line, "only");
    EXPECT_TRUE(input.failed());
    input.reset("again");
    EXPECT_TRUE(readTextLine(input, line));
}

TEST(SplitAtColon, SplitsAtTheFirstColon) {
    using Pair = std::pair<std::string, std::string>;
    EXPECT_EQ(splitAtColon("abc: 12"), Pair("abc", " 12"));
    EXPECT_EQ(splitAtColon("a:b:c"), Pair("a", "b:c"));
    EXPECT_EQ(splitAtColon("Count:3"), Pair("Count", "3"));
    EXPECT_EQ(splitAtColon("no colon"), Pair());
}

TEST(Extraction, NumbersFollowTheirSyntaxAndRange) {
    enum Kind { kInt32, kUInt32, kDouble };
    struct Case {
        Kind kind;
        const char* text;
        bool read;
        double value;
        bool range;
    };
    const Case cases[] = {
        {kInt32, " \n -42 rest", true, -42, false},
        {kInt32, "-2147483648", true, -2147483648.0, false},
        {kInt32, "2147483648", false, 0, true},
        {kInt32, "x1", false, 0, false},
        {kInt32, "3.5", true, 3, false},
        {kUInt32, "-1", true, 4294967295.0, false},
        {kUInt32, "4294967296", false, 0, true},
        {kDouble, "-1.5e3", true, -1500, false},
        {kDouble, ".5", true, 0.5, false},
        {kDouble, "+2E-2", true, 0.02, false},
        {kDouble, "1e400", false, 0, true},
        {kDouble, "nan", false, 0, false},
    };
    for (const Case& c : cases) {
        TextInput input(c.text);
        bool read = false;
        double value = 0;
        if (c.kind == kInt32) {
            int32_t target = 0;
            read = input.readInt32(target);
            value = target;
        } else if (c.kind == kUInt32) {
            uint32_t target = 0;
            read = input.readUInt32(target);
            value = target;
        } else {
            read = input.readDouble(value);
        }
        EXPECT_EQ(read, c.read) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(input.failed(), !c.read) << c.text;
        EXPECT_EQ(input.lastFailureWasRange(), c.range) << c.text;
    }
}

TEST(Extraction, AFailedInputStaysFailedUntilCleared) {
    TextInput input("x 5 word");
    int32_t value = 1;
    EXPECT_FALSE(input.readInt32(value));
    EXPECT_EQ(value, 1);
    std::string word = "old";
    EXPECT_FALSE(input.readWord(word));
    EXPECT_EQ(word, "");
    input.clear();
    ASSERT_TRUE(input.readWord(word));
    EXPECT_EQ(word, "x");
    EXPECT_TRUE(input.readInt32(value));
    EXPECT_EQ(value, 5);
}

TEST(ReadVector, BracketsAndCommasAreOptional) {
    struct Case {
        const char* text;
        int n;
        int read;
        std::vector<double> components;
    };
    const Case cases[] = {
        {"(0.5, -1e2, 3)", 3, 3, {0.5, -100, 3}},
        {"[1 2 3]", 3, 3, {1, 2, 3}},
        {"1 2 3", 3, 3, {1, 2, 3}},
        {"(1 2 3]", 3, 3, {1, 2, 3}},
        {"  (1,\n 2,\r\n\t3)", 3, 3, {1, 2, 3}},
        {"(0, 0, 0, 1)", 4, 4, {0, 0, 0, 1}},
        // At the end of the text the missing components read as 0.
        {"(1, 2", 3, 2, {1, 2, 0}},
        {"", 3, 0, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        TextInput input(c.text);
        std::vector<double> target(c.n, 9);
        EXPECT_EQ(readVector(input, c.n, target.data()), c.read) << c.text;
        EXPECT_EQ(target, c.components) << c.text;
    }
}

TEST(ReadVector, ReadsVectorsInARowAndFailsOnAWord) {
    TextInput row("(1,2,3)(4,5,6) 7 8 9");
    Geometry::Vector3 v;
    for (double first : {1, 4, 7}) {
        ASSERT_EQ(readVector(row, v), 3);
        EXPECT_EQ(v.x, first);
        EXPECT_EQ(v.z, first + 2);
    }

    TextInput broken("(1, x, 3) (4, 5, 6)");
    v = {9, 9, 9};
    EXPECT_EQ(readVector(broken, v), -1);
    EXPECT_EQ(v.x, 9);
    EXPECT_TRUE(broken.failed());
    EXPECT_EQ(readVector(broken, v), -1);
}
