#pragma once
// Text input over an in-memory buffer, with the reading primitives that the model
// and motion readers share. It behaves like a text-mode std::istream: a failed
// extraction leaves its target unchanged and puts the input into the failed
// state, and a failed input stays failed until clear() is called. Files, tests
// and fuzzers all hand the readers a buffer, so the same code serves them all.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "geometry/geometry.h"

namespace velmora {
inline namespace files {

class TextInput {
  public:
    TextInput() = default;
    explicit TextInput(std::string_view text) { reset(text); }

    // Replaces the content and restarts reading at its beginning with a good state.
    void reset(std::string_view text);
    void clear() { failed_ = ended_ = false; }

    bool failed() const { return failed_; }
    // True once a read has run into the end of the text.
    bool ended() const { return ended_; }
    bool good() const { return !failed_ && !ended_; }
    // Bytes not yet consumed.
    std::size_t remaining() const { return text_.size() - position_; }

    // One-based number of the line on which the most recent read started.
    int lineNumber() const;
    // One-based number of the last line of the text.
    int lastLineNumber() const;

    bool readInt32(int32_t& value);
    // Same syntax as readInt32; a leading '-' negates modulo 2^32.
    bool readUInt32(uint32_t& value);
    bool readDouble(double& value);
    // Characters up to the next white space; word is emptied first.
    bool readWord(std::string& word);
    // One character after skipping white space.
    bool readCharacter(char& c);
    void putBack();
    // readCharacter, then putBack unless wanted(c): skips white space and one
    // character that is wanted.
    template <typename Wanted>
    bool skipCharacterIf(Wanted wanted) {
        if (!startExtraction()) {
            return false;
        }
        lastCharacter_ = position_;
        if (wanted(text_[position_])) {
            ++position_;
        }
        return true;
    }

    // Skips white space (empty lines and indentation included), then takes the
    // rest of the line. A carriage return before the line feed is part of the
    // line ending. On an exhausted or failed input, line keeps its content.
    bool readLine(std::string& line);
    // The same, as a view into the text (valid as long as the text).
    bool readLine(std::string_view& line);

    // True when the last numeric extraction failed because the digits named a
    // number outside the target's range (rather than no number at all).
    bool lastFailureWasRange() const { return rangeFailure_; }

    // Blank, or one of tab, line feed, vertical tab, form feed and carriage
    // return, which follow each other in ASCII.
    static bool isSpace(char c) {
        return c == ' ' || static_cast<unsigned char>(c - '\t') <= '\r' - '\t';
    }

  private:
    // Skips white space; fails the input when the text ends first. Every value
    // read starts here, so it is defined here, to be inlined.
    bool startExtraction() {
        if (!good()) {
            return fail();
        }
        rangeFailure_ = false;
        const std::size_t size = text_.size();
        std::size_t p = position_;
        while (p < size && isSpace(text_[p])) {
            ++p;
        }
        position_ = readStart_ = p;
        if (p == size) {
            ended_ = true;
            return fail();
        }
        return true;
    }
    bool fail() {
        failed_ = true;
        return false;
    }
    // Scans an optionally signed decimal integer; magnitude is its value when
    // that fits in 32 bits, and larger than any 32-bit value otherwise.
    bool scanInteger(bool& negative, uint64_t& magnitude);

    std::string_view text_;
    std::size_t position_ = 0;
    std::size_t readStart_ = 0;
    std::size_t lastCharacter_ = 0;
    bool failed_ = false;
    bool ended_ = false;
    bool rangeFailure_ = false;
};

// The next line of input (see TextInput::readLine).
bool readTextLine(TextInput& input, std::string& line);

// The next line that is neither empty nor begins with "//".
bool readFirstLine(TextInput& input, std::string& line);
bool readFirstLine(TextInput& input, std::string_view& line);

// (label, value) around the first ':'; two empty texts when there is none.
std::pair<std::string, std::string> splitAtColon(const std::string& line);

// n (3 or 4) doubles in bracket notation: an optional opening bracket, the
// components separated by optional commas, an optional closing bracket; brackets
// need not match and the vector may spread over several lines. Components missing
// at the end of the text read as 0. Returns how many components the text held,
// or -1, leaving target alone, when a component cannot be read.
int readVector(TextInput& input, int n, double* target);
int readVector(TextInput& input, Geometry::Vector3& target);

}  // namespace files
}  // namespace velmora
