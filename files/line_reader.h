#pragma once
// What the model and motion readers share: keyword searches, values taken from a
// line or from the file in free layout, and count checks, each throwing a
// LoadError that names the file and line when the text does not hold what the
// format requires. A reader therefore never hangs at the end of its input.

#include <cstdint>
#include <string>

#include "files/load_error.h"
#include "files/text_input.h"

class LineReader {
  public:
    LineReader(TextInput& input, const std::string& path) : input_(input), path_(path) {}

    TextInput& input() { return input_; }

    [[noreturn]] void fail(const std::string& problem) const;
    [[noreturn]] void failAtEnd(const std::string& lookingFor) const;

    // The first line that is not empty and does not begin with "//".
    std::string firstLine(const std::string& what);
    // The next non-empty line; `what` names it in the end-of-file message.
    std::string nextLine(const std::string& what);
    // Reads lines until one equals keyword.
    void searchWholeLine(const std::string& keyword);
    // Reads lines until one begins with keyword; returns that line.
    std::string searchPrefix(const std::string& keyword);

    // Values from the text of one line, read like the line stream of the format.
    int32_t int32From(const std::string& text, const std::string& what);
    uint32_t uint32From(const std::string& text, const std::string& what);
    // The value after the first ':' of line as a signed integer.
    int32_t int32AfterColon(const std::string& line, const std::string& what);

    // Values from the file in free layout.
    int32_t int32(const std::string& what);
    double real(const std::string& what);
    // n (3 or 4) components in bracket notation; all n must be present.
    void vector(int n, double* target, const std::string& what);

    // Rejects a negative count and one that the rest of the file could not hold,
    // given that every item takes at least bytesEach bytes; returns it unsigned.
    std::size_t count(int64_t value, std::size_t bytesEach, const std::string& what) const;

  private:
    [[noreturn]] void failLineValue(const std::string& text, const std::string& what) const;
    [[noreturn]] void failFileValue(const std::string& what, const std::string& expected);

    TextInput& input_;
    const std::string& path_;
    TextInput lineStream_;
};
