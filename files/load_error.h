#pragma once
// The one error type for bad input. Its text is "path:line: what is wrong", the
// line being where the reader was when it found the fault, or "path: what is
// wrong" for a file that is read as a whole rather than line by line.

#include <iostream>
#include <stdexcept>
#include <string>

class LoadError : public std::runtime_error {
  public:
    LoadError(const std::string& path, int line, const std::string& problem)
        : std::runtime_error(path + ":" + std::to_string(line) + ": " + problem),
          problem_(problem) {}
    LoadError(const std::string& path, const std::string& problem)
        : std::runtime_error(path + ": " + problem), problem_(problem) {}

    // What is wrong, without the place.
    const std::string& problem() const { return problem_; }

  private:
    std::string problem_;
};

// Runs load; a LoadError it throws is written to standard error and its problem
// returned. Empty when load succeeded. This is the one place where bad input is
// caught and reported.
template <typename Load>
std::string reportingLoadErrors(Load&& load) {
    try {
        load();
        return {};
    } catch (const LoadError& error) {
        std::cerr << error.what() << std::endl;
        return error.problem();
    }
}
