#pragma once
// The whole conversion of one input file into the viewer's files, held in
// memory: in this process, or contained in the converter program
// (velmora-convert, confined to reading the file's folder) so that whatever
// the import library does with a hostile file costs only an error message.

#include <functional>
#include <string>
#include <vector>

#include "files/safe_file.h"
#include "import/contained_run.h"
#include "import/conversion_request.h"
#include "import/file_stamp.h"
#include "import/import_log.h"

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

ConvertedCharacter convertCharacter(const ConversionRequest& options, ImportLog& log,
                                    ConvertedForm form = ConvertedForm::Files);

// The converter program: beside the calling program (in the build tree), or
// in the installed programs' libexec folder.
std::string converterProgram();

struct ContainedConversion {
    enum class Status { Converted, BadInput, BadArguments };
    Status status = Status::BadInput;
    ConvertedCharacter character;
    // What went wrong, naming the input file.
    std::string problem;
};

// convertCharacter in the converter program under limits, polled by the caller
// so that it can go on drawing meanwhile. Its messages (warnings, progress) are
// passed on as they come; a crash, hang or exhausted memory of the converter,
// or an answer that does not decode, is a BadInput problem naming the file.
class ConversionJob {
  public:
    // program: the converter, or another that answers as it does.
    ConversionJob(const ConversionRequest& options, const ContainmentLimits& limits,
                  ConvertedForm form = ConvertedForm::Files,
                  const std::string& program = converterProgram());

    // True once the conversion is over; result() then says how it went.
    bool poll(std::chrono::milliseconds wait, const LineHandler& onLine) {
        return run_.poll(wait, onLine);
    }
    ContainedConversion result() const;
    // The converter's process id while the conversion runs.
    int processId() const { return run_.processId(); }

  private:
    ConversionRequest options_;
    ContainedRun run_;
};

// A ConversionJob waited for.
ContainedConversion convertContained(const ConversionRequest& options,
                                     const ContainmentLimits& limits, const LineHandler& onLine);

// The converter program's work (see serveContained): arguments as a
// ConversionJob passes them. Confines the process to reading the input file's
// folder before the import library sees the file.
std::string answerConversion(const std::vector<std::string>& arguments, std::ostream& messages);

}  // namespace importer
}  // namespace velmora
