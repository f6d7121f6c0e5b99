#pragma once
// What the test programs share: files served from memory instead of the disk,
// standard error captured for checking what programs report, a dump of
// everything a Model holds, and a small well-formed test figure (a model with
// two motion files) to load or to break line by line.

#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "files/file_source.h"
#include "files/load.h"
#include "files/model.h"

using namespace velmora;

// Files served from memory, with the test figure at hand.
class TestFiles : public MemoryFileSource {
  public:
    // The test figure with a small PNG texture; returns the model's path.
    std::string addFigure(const std::string& folder = "figure/");
    // Loads the model at path from these files.
    LoadResult load(const std::string& path) const;
};

// A 2 x 2 RGB PNG: red, green, blue, white.
std::string smallPng();

// Collects what is written to std::cerr during its lifetime.
class CapturedErrors {
  public:
    CapturedErrors();
    ~CapturedErrors();
    CapturedErrors(const CapturedErrors&) = delete;
    CapturedErrors& operator=(const CapturedErrors&) = delete;

    std::string text() const { return captured_.str(); }

  private:
    std::ostringstream captured_;
    std::streambuf* previous_;
};

// A fresh folder under the system's temporary folder, removed with everything
// in it on destruction. path() ends with a slash.
class TemporaryFolder {
  public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& path() const { return path_; }
    // Writes text to the file name inside the folder; returns its path.
    std::string write(const std::string& name, const std::string& text) const;

  private:
    std::string path_;
};

// The whole content of the file at path; empty when it cannot be read.
std::string readFile(const std::string& path);

// What a program run by runProgram did.
struct ProgramRun {
    // The exit status, or -1 when the program did not exit normally.
    int status = -1;
    std::string output;
    std::string errors;
};

// Runs the program arguments[0] with the other arguments in workingDirectory
// (the current one when empty) and waits for it to end. fileSizeLimit, when
// given, is the size in bytes beyond which the program cannot write to any file
// (RLIMIT_FSIZE; its standard output and error included).
ProgramRun runProgram(const std::vector<std::string>& arguments,
                      const std::string& workingDirectory = "",
                      std::optional<std::size_t> fileSizeLimit = std::nullopt);

// Runs work on a thread and waits for it at most limitSeconds. A hang (a read
// stuck in the kernel cannot be cancelled) ends the test program with a message.
void finishWithin(int limitSeconds, const std::function<void()>& work);

// Every field of model, one per line, doubles with 17 significant digits: two
// models read the same when their dumps are equal.
std::string dump(const Model& model);

// The test figure, with line numbers that tests refer to:
//
//   bones         0 (root)          vertices  0: bone 0        weight 1
//                 +-- 1                       1: bone 1        weight 1
//                 +-- 2                       2: bones 1 and 2 weights 0.5, 0.5
//                                             3: bone 2        weight 1
//
// The walk (2 frames at 10 frames per second, one pass in 0.2 s) moves the root
// from x = 0 to x = 2 and turns bone 1 a quarter turn about z; the wave has a
// single frame.
extern const char* const kFigureModel;
extern const char* const kFigureWalk;
extern const char* const kFigureWave;

// The texture name in kFigureModel; tests give it content of their choosing.
constexpr const char* kFigureTexture = "skin.png";

// Puts the figure's model and motion files (not the texture) into files, in
// folder (which ends with a separator or is empty); returns the model's path.
std::string addFigure(std::map<std::string, std::string>& files, const std::string& folder);

// text with its line number `line` (counted from 1) replaced by replacement,
// which may hold several lines or none.
std::string replaceLine(const std::string& text, int line, const std::string& replacement);
// The lines of text before line number `line`.
std::string linesBefore(const std::string& text, int line);
