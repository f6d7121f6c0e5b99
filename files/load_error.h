#pragma once
// The one error type for bad input. Its text is "path:line: what is wrong", the
// line being where the reader was when it found the fault, or "path: what is
// wrong" for a file that is read as a whole rather than line by line. Readers
// throw it; the load call (files/load.h) catches it and returns it as a problem.

#include <stdexcept>
#include <string>

namespace velmora {
inline namespace files {

class LoadError : public std::runtime_error {
  public:
    LoadError(const std::string& path, int line, const std::string& problem)
        : std::runtime_error(path + ":" + std::to_string(line) + ": " + problem),
          path_(path),
          problem_(problem) {}
    LoadError(const std::string& path, const std::string& problem)
        : std::runtime_error(path + ": " + problem), path_(path), problem_(problem) {}

    // The file that is wrong.
    const std::string& path() const { return path_; }
    // What is wrong, without the place.
    const std::string& problem() const { return problem_; }

  private:
    std::string path_;
    std::string problem_;
};

}  // namespace files
}  // namespace velmora
