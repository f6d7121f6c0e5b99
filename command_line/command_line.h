#pragma once
// The command line of every program, read one way. A program describes itself
// as a table: its options (switches, or options taking the next argument as
// their value) and what it does with the arguments that are not options. The
// conventions are the same everywhere:
// - --help and --version, wherever they stand (but not as an option's value),
//   print to standard output and the program exits with status 0;
// - an unknown option, an option given twice, a missing value, a refused value
//   or a misplaced argument is a usage error: the usage on standard error and
//   status 2;
// - failing on the input itself is the program's business (status 1).

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace velmora {

namespace Arguments {

// Why a value or an argument is refused; empty when it is taken.
using Refusal = std::string;

struct Option {
    // As written on the command line: "--at", "-o".
    std::string name;
    // Whether the next argument, whatever it looks like, is the option's value.
    bool takesValue = false;
    // Takes the value ("" for a switch) into the program's options.
    std::function<Refusal(const std::string& value)> take;
};

struct Program {
    std::string name;
    std::string usage;
    std::vector<Option> options;
    // Takes an argument that does not start with '-' (the empty one included).
    std::function<Refusal(const std::string& argument)> takeOperand;
    // Once every argument is taken: why they do not fit together, or empty.
    std::function<Refusal()> check;
    // Further spellings of --help.
    std::vector<std::string> helpAliases;
    // Whether a usage error prints its reason ("<name>: <reason>") before the
    // usage; otherwise the usage alone.
    bool namesReason = true;
};

enum class Request { Run, ShowHelp, ShowVersion, UsageError };

struct Parsed {
    Request request = Request::Run;
    // The reason of a usage error.
    Refusal error;
};

// arguments without the program's name. Stops at the first refusal; the
// program's options hold what was taken until then.
Parsed parse(const Program& program, const std::vector<std::string>& arguments);

// Answers every request but Run as the conventions say and returns the exit
// status; for Run prints nothing and returns nothing.
std::optional<int> respond(const Program& program, const Parsed& parsed, std::ostream& out,
                           std::ostream& err);

// parse, then respond on standard output and standard error.
std::optional<int> handle(const Program& program, int argc, const char* const* argv);

// "<name> <project version>", one line.
std::string versionText(const std::string& name);

}  // namespace Arguments

}  // namespace velmora
