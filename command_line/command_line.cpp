#include "command_line/command_line.h"

#include <algorithm>
#include <iostream>
#include <set>

namespace velmora {

namespace Arguments {

namespace {

bool isHelp(const Program& program, const std::string& argument) {
    return argument == "--help" || std::find(program.helpAliases.begin(), program.helpAliases.end(),
                                             argument) != program.helpAliases.end();
}

const Option* findOption(const Program& program, const std::string& name) {
    for (const Option& option : program.options) {
        if (option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

}  // namespace

Parsed parse(const Program& program, const std::vector<std::string>& arguments) {
    // After the first refusal nothing more is taken, but the rest is still
    // read for --help and --version, which win wherever they stand.
    Parsed parsed;
    const auto refuse = [&parsed](const Refusal& refusal) {
        if (!refusal.empty() && parsed.request == Request::Run) {
            parsed = {Request::UsageError, refusal};
        }
    };
    std::set<std::string> given;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (isHelp(program, argument)) {
            return {Request::ShowHelp, {}};
        }
        if (argument == "--version") {
            return {Request::ShowVersion, {}};
        }
        const bool taking = parsed.request == Request::Run;
        if (argument.empty() || argument[0] != '-') {
            if (taking) {
                refuse(program.takeOperand ? program.takeOperand(argument)
                                           : "unexpected argument \"" + argument + "\"");
            }
            continue;
        }
        const Option* option = findOption(program, argument);
        if (!option) {
            refuse("unknown option " + argument);
            continue;
        }
        if (!given.insert(argument).second) {
            refuse(argument + " given twice");
        }
        if (option->takesValue && i + 1 == arguments.size()) {
            refuse(argument + " needs a value");
            continue;
        }
        const std::string value = option->takesValue ? arguments[++i] : std::string();
        if (parsed.request == Request::Run) {
            refuse(option->take(value));
        }
    }
    if (parsed.request == Request::Run && program.check) {
        refuse(program.check());
    }
    return parsed;
}

std::optional<int> respond(const Program& program, const Parsed& parsed, std::ostream& out,
                           std::ostream& err) {
    switch (parsed.request) {
        case Request::Run:
            return std::nullopt;
        case Request::ShowHelp:
            out << program.usage;
            return 0;
        case Request::ShowVersion:
            out << versionText(program.name) << "\n";
            return 0;
        case Request::UsageError:
            if (program.namesReason) {
                err << program.name << ": " << parsed.error << "\n";
            }
            err << program.usage;
            return 2;
    }
    return 2;
}

std::optional<int> handle(const Program& program, int argc, const char* const* argv) {
    const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
    return respond(program, parse(program, arguments), std::cout, std::cerr);
}

std::string versionText(const std::string& name) {
    return name + " " + VELMORA_VERSION;
}

}  // namespace Arguments

}  // namespace velmora
