#include "files/line_reader.h"

namespace velmora {
inline namespace files {

void LineReader::fail(const std::string& problem) const {
    throw LoadError(path_, input_.lineNumber(), problem);
}

void LineReader::failAtEnd(const std::string& lookingFor) const {
    throw LoadError(path_, input_.lastLineNumber(),
                    "unexpected end of file while looking for " + lookingFor);
}

std::string_view LineReader::firstLine(const ValueName& what) {
    std::string_view line;
    if (!readFirstLine(input_, line)) {
        failAtEnd(what.text());
    }
    return line;
}

std::string_view LineReader::nextLine(const ValueName& what) {
    std::string_view line;
    if (!input_.readLine(line)) {
        failAtEnd(what.text());
    }
    return line;
}

void LineReader::searchWholeLine(const std::string& keyword) {
    const std::string what = "\"" + keyword + "\"";
    while (nextLine(what) != keyword) {
    }
}

std::string_view LineReader::searchPrefix(const std::string& keyword) {
    const std::string what = "\"" + keyword + "\"";
    for (;;) {
        const std::string_view line = nextLine(what);
        if (line.compare(0, keyword.size(), keyword) == 0) {
            return line;
        }
    }
}

namespace {

std::string valueProblem(const std::string& what, bool range, const std::string& expected,
                         const std::string& found) {
    if (range) {
        return what + ": the number \"" + found + "\" is out of range";
    }
    return what + ": expected " + expected + ", found " +
           (found.empty() ? std::string("the end of the line") : "\"" + found + "\"");
}

}  // namespace

void LineReader::failLineValue(std::string_view text, const ValueName& what) const {
    TextInput rest(text);
    std::string found;
    rest.readWord(found);
    fail(valueProblem(what.text(), lineStream_.lastFailureWasRange(), "a number", found));
}

void LineReader::failFileValue(const ValueName& what, const std::string& expected) {
    if (input_.ended()) {
        failAtEnd(what.text());
    }
    const bool range = input_.lastFailureWasRange();
    std::string found;
    input_.clear();
    input_.readWord(found);
    fail(valueProblem(what.text(), range, expected, found));
}

int32_t LineReader::int32From(std::string_view text, const ValueName& what) {
    lineStream_.reset(text);
    int32_t value = 0;
    if (!lineStream_.readInt32(value)) {
        failLineValue(text, what);
    }
    return value;
}

uint32_t LineReader::uint32From(std::string_view text, const ValueName& what) {
    lineStream_.reset(text);
    uint32_t value = 0;
    if (!lineStream_.readUInt32(value)) {
        failLineValue(text, what);
    }
    return value;
}

namespace {

// The value part of splitAtColon, without copying it.
std::string_view afterColon(std::string_view line) {
    const std::size_t colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
}

}  // namespace

int32_t LineReader::int32AfterColon(std::string_view line, const ValueName& what) {
    return int32From(afterColon(line), what);
}

uint32_t LineReader::uint32AfterColon(std::string_view line, const ValueName& what) {
    return uint32From(afterColon(line), what);
}

void LineReader::failVector(int n, int read, const ValueName& what) {
    if (read >= 0) {
        failAtEnd(what.text());
    }
    failFileValue(what, std::to_string(n) + " numbers");
}

std::size_t LineReader::count(int64_t value, std::size_t bytesEach, const std::string& what) const {
    if (value < 0) {
        fail(what + " " + std::to_string(value) + " is negative");
    }
    const auto items = static_cast<uint64_t>(value);
    if (items > (input_.remaining() + 1) / bytesEach) {
        fail(what + " " + std::to_string(value) +
             " is larger than the rest of the file could hold");
    }
    return static_cast<std::size_t>(items);
}

}  // namespace files
}  // namespace velmora
