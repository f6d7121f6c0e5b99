#pragma once
// Just enough JSON for velmora-info's output: values are made as text and
// composed, so that an object reads in the order it is written. Strings come
// out as valid UTF-8 whatever bytes they are given, numbers are finite or null.

#include <string>
#include <string_view>
#include <vector>

namespace velmora {
namespace Json {

// A string value: quotes, escapes, and each byte that does not belong to a
// valid UTF-8 sequence replaced by U+FFFD.
std::string string(std::string_view text);
// A number value in its shortest form that reads back the same; null when it
// is not finite, which JSON cannot hold.
std::string number(double value);
std::string integer(long long value);

// An array of values already made.
std::string array(const std::vector<std::string>& values);

// An object, its members in the order they are added.
class Object {
  public:
    // value: a value already made.
    Object& add(std::string_view key, const std::string& value);
    std::string text() const { return text_ + "}"; }

  private:
    std::string text_ = "{";
};

}  // namespace Json
}  // namespace velmora
