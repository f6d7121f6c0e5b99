#pragma once
// The whole conversion of one input file into the viewer's files, held in
// memory: in this process, or contained in a child process so that whatever
// the import library does with a hostile file costs only an error message.

#include <functional>
#include <string>
#include <vector>

#include "files/safe_file.h"
#include "import/contained_run.h"
#include "import/file_stamp.h"
#include "import/import_log.h"
#include "import/import_options.h"

namespace velmora {
inline namespace importer {

struct ConvertedCharacter {
    // Where the files go, and the model file's name within it.
    std::string folder;
    std::string modelFile;
    // The texture, the motion files, then the model file, so that a model
    // written in this order finds its files in place.
    std::vector<FileContent> files;
    std::size_t animationCount = 0;
    // The files the conversion read (the source among them), which alone its
    // result depends on.
    std::vector<FileStamp> readFiles;
};

// Converts options.inputPath as the options say, reading only what the file
// may refer to (see ConfinedFiles). Throws LoadError for input that cannot be
// converted and ArgumentError for options that do not fit the file.
// What a conversion hands over: the viewer's files (model text, motion files and
// PNG texture, as velmora-import writes them), or the model itself in its
// binary form (files/model_binary.h), as the viewer and the cache take it.
enum class ConvertedForm { Files, Model };

ConvertedCharacter convertCharacter(const ImportOptions& options, ImportLog& log,
                                    ConvertedForm form = ConvertedForm::Files);

struct ContainedConversion {
    enum class Status { Converted, BadInput, BadArguments };
    Status status = Status::BadInput;
    ConvertedCharacter character;
    // What went wrong, naming the input file.
    std::string problem;
};

// convertCharacter in a child process under limits, polled by the caller so
// that it can go on drawing meanwhile. Its messages (warnings, progress) are
// passed on as they come; a crash, hang or exhausted memory of the child is a
// BadInput problem naming the file.
class ConversionJob {
  public:
    ConversionJob(const ImportOptions& options, const ContainmentLimits& limits,
                  ConvertedForm form = ConvertedForm::Files);

    // True once the conversion is over; result() then says how it went.
    bool poll(std::chrono::milliseconds wait, const LineHandler& onLine) {
        return run_.poll(wait, onLine);
    }
    ContainedConversion result() const;

  private:
    ImportOptions options_;
    ContainedRun run_;
};

// A ConversionJob waited for.
ContainedConversion convertContained(const ImportOptions& options, const ContainmentLimits& limits,
                                     const LineHandler& onLine);

}  // namespace importer
}  // namespace velmora
