#include "files/line_reader.h"

void LineReader::fail(const std::string& problem) const {
    throw LoadError(path_, input_.lineNumber(), problem);
}

void LineReader::failAtEnd(const std::string& lookingFor) const {
    throw LoadError(path_, input_.lastLineNumber(),
                    "unexpected end of file while looking for " + lookingFor);
}

std::string LineReader::firstLine(const std::string& what) {
    std::string line;
    if (!readFirstLine(input_, line)) {
        failAtEnd(what);
    }
    return line;
}

std::string LineReader::nextLine(const std::string& what) {
    std::string line;
    if (!readTextLine(input_, line)) {
        failAtEnd(what);
    }
    return line;
}

void LineReader::searchWholeLine(const std::string& keyword) {
    const std::string what = "\"" + keyword + "\"";
    while (nextLine(what) != keyword) {
    }
}

std::string LineReader::searchPrefix(const std::string& keyword) {
    const std::string what = "\"" + keyword + "\"";
    for (;;) {
        std::string line = nextLine(what);
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

void LineReader::failLineValue(const std::string& text, const std::string& what) const {
    TextInput rest(text);
    std::string found;
    rest.readWord(found);
    fail(valueProblem(what, lineStream_.lastFailureWasRange(), "a number", found));
}

void LineReader::failFileValue(const std::string& what, const std::string& expected) {
    if (input_.ended()) {
        failAtEnd(what);
    }
    const bool range = input_.lastFailureWasRange();
    std::string found;
    input_.clear();
    input_.readWord(found);
    fail(valueProblem(what, range, expected, found));
}

int32_t LineReader::int32From(const std::string& text, const std::string& what) {
    lineStream_.reset(text);
    int32_t value = 0;
    if (!lineStream_.readInt32(value)) {
        failLineValue(text, what);
    }
    return value;
}

uint32_t LineReader::uint32From(const std::string& text, const std::string& what) {
    lineStream_.reset(text);
    uint32_t value = 0;
    if (!lineStream_.readUInt32(value)) {
        failLineValue(text, what);
    }
    return value;
}

int32_t LineReader::int32AfterColon(const std::string& line, const std::string& what) {
    return int32From(splitAtColon(line).second, what);
}

int32_t LineReader::int32(const std::string& what) {
    int32_t value = 0;
    if (!input_.readInt32(value)) {
        failFileValue(what, "a whole number");
    }
    return value;
}

double LineReader::real(const std::string& what) {
    double value = 0.0;
    if (!input_.readDouble(value)) {
        failFileValue(what, "a number");
    }
    return value;
}

void LineReader::vector(int n, double* target, const std::string& what) {
    const int read = readVector(input_, n, target);
    if (read == n) {
        return;
    }
    if (read >= 0) {
        failAtEnd(what);
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
