// The one way every program reads its command line: which lines are taken,
// which are refused with what reason, and what each request prints where.

#include <gtest/gtest.h>

#include <sstream>

#include "command_line/command_line.h"

using namespace velmora;

namespace {

using Arguments::Request;
using Strings = std::vector<std::string>;

// A program with a switch, an option with a value that must not be "bad", one
// operand, and a check that the operand was given.
struct Example {
    bool fast = false;
    std::string size;
    std::string input;
    Arguments::Program program;

    Example() {
        program.name = "example";
        program.usage = "usage: example <input> [--fast] [--size <n>]\n";
        program.helpAliases = {"-h"};
        program.options = {
            {"--fast", false,
             [this](const std::string&) {
                 fast = true;
                 return Arguments::Refusal();
             }},
            {"--size", true,
             [this](const std::string& value) -> Arguments::Refusal {
                 size = value;
                 return value == "bad" ? "--size needs a number" : "";
             }},
        };
        program.takeOperand = [this](const std::string& argument) -> Arguments::Refusal {
            if (!input.empty()) {
                return "more than one input";
            }
            input = argument;
            return {};
        };
        program.check = [this]() -> Arguments::Refusal { return input.empty() ? "no input" : ""; };
    }
};

TEST(Arguments, ReadsEveryLineOneWay) {
    struct Row {
        const char* name;
        Strings arguments;
        Request request;
        std::string error;  // the start of the reason
    } rows[] = {
        {"options in any order", {"--size", "3", "in", "--fast"}, Request::Run, ""},
        {"a value may look like an option", {"in", "--size", "--fast"}, Request::Run, ""},
        {"help wins over errors", {"--frob", "--help"}, Request::ShowHelp, ""},
        {"help alias", {"in", "-h"}, Request::ShowHelp, ""},
        {"version", {"--version", "--help"}, Request::ShowVersion, ""},
        {"help as a value is a value", {"in", "--size", "--help"}, Request::Run, ""},
        {"unknown option", {"in", "--frob"}, Request::UsageError, "unknown option --frob"},
        {"a lone dash is an option", {"in", "-"}, Request::UsageError, "unknown option -"},
        {"given twice", {"in", "--fast", "--fast"}, Request::UsageError, "--fast given twice"},
        {"missing value", {"in", "--size"}, Request::UsageError, "--size needs a value"},
        {"refused value", {"in", "--size", "bad"}, Request::UsageError, "--size needs a number"},
        {"misplaced argument", {"in", "out"}, Request::UsageError, "more than one input"},
        {"the first refusal counts", {"--frob", "in", "in"}, Request::UsageError, "unknown"},
        {"check after all", {"--fast"}, Request::UsageError, "no input"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Example example;
        const Arguments::Parsed parsed = Arguments::parse(example.program, row.arguments);
        EXPECT_EQ(parsed.request, row.request);
        EXPECT_EQ(parsed.error.rfind(row.error, 0), 0u) << parsed.error;
        if (row.request == Request::Run) {
            EXPECT_EQ(example.input, "in");
        }
    }
    Example example;
    Arguments::parse(example.program, {"in", "--size", "--fast"});
    EXPECT_EQ(example.size, "--fast");
    EXPECT_FALSE(example.fast);
}

TEST(Arguments, AnswersEachRequestOnItsStreamWithItsStatus) {
    const std::string usage = "usage: example <input> [--fast] [--size <n>]\n";
    struct Row {
        const char* name;
        Arguments::Parsed parsed;
        bool namesReason;
        std::optional<int> status;
        std::string out;
        std::string err;
    } rows[] = {
        {"run", {Request::Run, ""}, true, std::nullopt, "", ""},
        {"help", {Request::ShowHelp, ""}, true, 0, usage, ""},
        {"version", {Request::ShowVersion, ""}, true, 0, "example " VELMORA_VERSION "\n", ""},
        {"error with reason",
         {Request::UsageError, "no input"},
         true,
         2,
         "",
         "example: no input\n" + usage},
        {"error, usage alone", {Request::UsageError, "no input"}, false, 2, "", usage},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Example example;
        example.program.namesReason = row.namesReason;
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(Arguments::respond(example.program, row.parsed, out, err), row.status);
        EXPECT_EQ(out.str(), row.out);
        EXPECT_EQ(err.str(), row.err);
    }
}

}  // namespace
