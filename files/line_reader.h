#pragma once
// What the model and motion readers share: keyword searches, values taken from a
// line or from the file in free layout, and count checks, each throwing a
// LoadError that names the file and line when the text does not hold what the
// format requires. A reader therefore never hangs at the end of its input.

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "files/load_error.h"
#include "files/text_input.h"

namespace velmora {
inline namespace files {

// What an error message calls the value or line being read: a text, or a
// callable returning it, which is called only when a message is written, so
// that a value read in a loop of millions builds no text. Lives only for the
// call it is passed to.
class ValueName {
  public:
    ValueName(const char* text) : text_(text) {}
    ValueName(const std::string& text) : text_(text.c_str()) {}
    template <typename Callable,
              typename = std::enable_if_t<std::is_invocable_r_v<std::string, const Callable&>>>
    ValueName(const Callable& callable)
        : callable_(&callable),
          call_([](const void* c) -> std::string { return (*static_cast<const Callable*>(c))(); }) {
    }

    std::string text() const { return call_ ? call_(callable_) : std::string(text_); }

  private:
    const char* text_ = nullptr;
    const void* callable_ = nullptr;
    std::string (*call_)(const void*) = nullptr;
};

class LineReader {
  public:
    LineReader(TextInput& input, const std::string& path) : input_(input), path_(path) {}

    TextInput& input() { return input_; }

    [[noreturn]] void fail(const std::string& problem) const;
    [[noreturn]] void failAtEnd(const std::string& lookingFor) const;

    // Lines are views into the text being read, valid as long as that text.

    // The first line that is not empty and does not begin with "//".
    std::string_view firstLine(const ValueName& what);
    // The next non-empty line; `what` names it in the end-of-file message.
    std::string_view nextLine(const ValueName& what);
    // Reads lines until one equals keyword.
    void searchWholeLine(const std::string& keyword);
    // Reads lines until one begins with keyword; returns that line.
    std::string_view searchPrefix(const std::string& keyword);

    // Values from the text of one line, read like the line stream of the format.
    int32_t int32From(std::string_view text, const ValueName& what);
    uint32_t uint32From(std::string_view text, const ValueName& what);
    // The value after the first ':' of line (none when line has no ':').
    int32_t int32AfterColon(std::string_view line, const ValueName& what);
    uint32_t uint32AfterColon(std::string_view line, const ValueName& what);

    // Values from the file in free layout. Defined here, to be inlined into the
    // readers' loops over millions of values; failures are handled apart.
    int32_t int32(const ValueName& what) {
        int32_t value = 0;
        if (!input_.readInt32(value)) {
            failFileValue(what, "a whole number");
        }
        return value;
    }
    double real(const ValueName& what) {
        double value = 0.0;
        if (!input_.readDouble(value)) {
            failFileValue(what, "a number");
        }
        return value;
    }
    // n (3 or 4) components in bracket notation; all n must be present.
    void vector(int n, double* target, const ValueName& what) {
        const int read = readVector(input_, n, target);
        if (read != n) {
            failVector(n, read, what);
        }
    }

    // Rejects a negative count and one that the rest of the file could not hold,
    // given that every item takes at least bytesEach bytes; returns it unsigned.
    std::size_t count(int64_t value, std::size_t bytesEach, const std::string& what) const;

  private:
    [[noreturn]] void failLineValue(std::string_view text, const ValueName& what) const;
    [[noreturn]] void failFileValue(const ValueName& what, const std::string& expected);
    // A vector of n components that held only read of them (-1: one of them
    // could not be read).
    [[noreturn]] void failVector(int n, int read, const ValueName& what);

    TextInput& input_;
    const std::string& path_;
    TextInput lineStream_;
};

}  // namespace files
}  // namespace velmora
