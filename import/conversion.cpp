#include "import/conversion.h"

#include <unistd.h>
#include <assimp/Importer.hpp>

#include <cstdio>
#include <filesystem>
#include <limits>
#include <optional>
#include <sstream>

#include "command_line/values.h"
#include "files/byte_codec.h"
#include "files/load_error.h"
#include "files/model_binary.h"
#include "files/model_writer.h"
#include "import/character_builder.h"
#include "import/confined_files.h"
#include "import/confinement.h"
#include "import/output_folder.h"
#include "import/scene_input.h"

namespace velmora {
inline namespace importer {

namespace {

// The converter's answer: a kind, then its fields (files/byte_codec.h).
enum AnswerKind : char { kConverted = 'C', kBadInput = 'I', kBadArguments = 'A' };

// The first argument of the converter: the form it hands over.
constexpr const char* kFilesForm = "files";
constexpr const char* kModelForm = "model";

std::string encoded(const ConvertedCharacter& character) {
    std::string out(1, kConverted);
    putField(out, character.modelFile);
    putNumber(out, character.animationCount);
    putNumber(out, character.readFiles.size());
    for (const FileStamp& stamp : character.readFiles) {
        putField(out, stamp.name);
        std::string numbers;
        putNumber(numbers, stamp.size);
        putNumber(numbers, static_cast<std::uint64_t>(stamp.modified));
        putNumber(numbers, stamp.sum);
        putField(out, numbers);
    }
    for (const FileContent& file : character.files) {
        putField(out, file.name);
        putField(out, file.bytes);
    }
    return out;
}

// A name the converter may give a file: one plain name within the folder.
bool isPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

// The converter's answer after its kind, or false when it is damaged: every
// file named plainly, the model file among them.
bool decode(std::string_view answer, ConvertedCharacter& character) {
    ByteReader in(answer);
    std::uint64_t count = 0;
    if (!in.field(character.modelFile) || !in.number(count)) {
        return false;
    }
    character.animationCount = count;
    // Each stamp takes at least two lengths and its numbers: a count the rest
    // cannot hold is refused before anything is sized.
    std::uint64_t stamps = 0;
    if (!in.number(stamps) || stamps > in.remaining() / 40) {
        return false;
    }
    for (std::uint64_t s = 0; s < stamps; ++s) {
        FileStamp& stamp = character.readFiles.emplace_back();
        std::string numbers;
        if (!in.field(stamp.name) || !in.field(numbers) || numbers.size() != 24) {
            return false;
        }
        ByteReader fields(numbers);
        std::uint64_t modified = 0;
        fields.number(stamp.size);
        fields.number(modified);
        fields.number(stamp.sum);
        stamp.modified = static_cast<std::int64_t>(modified);
    }
    bool hasModel = false;
    while (in.remaining() > 0) {
        FileContent file;
        if (!in.field(file.name) || !in.field(file.bytes) || !isPlainFileName(file.name)) {
            return false;
        }
        hasModel = hasModel || file.name == character.modelFile;
        character.files.push_back(std::move(file));
    }
    return hasModel;
}

// The facing argument of the converter.
constexpr const char* kKeepFacing = "keep-facing";
constexpr const char* kTurnFacing = "turn";

// The items as one comma-separated list, as Arguments::commaSeparated reads it.
std::string commaJoined(const std::vector<std::string>& items) {
    std::string list;
    for (const std::string& item : items) {
        list += (list.empty() ? "" : ",") + item;
    }
    return list;
}

// The converter's command line for a request: the form, then every field in
// a fixed order, so that no path is ever read as an option.
std::vector<std::string> conversionArguments(const ConversionRequest& request, ConvertedForm form) {
    char height[32];
    std::snprintf(height, sizeof height, "%.17g", request.height);
    return {form == ConvertedForm::Model ? kModelForm : kFilesForm,
            request.inputPath,
            request.outputFolder,
            request.name,
            std::to_string(request.rate),
            height,
            commaJoined(request.animations),
            request.keepFacing ? kKeepFacing : kTurnFacing,
            commaJoined(request.clipFiles)};
}

// The request of the converter's command line without the form, or nothing
// when it is not one that conversionArguments makes.
std::optional<ConversionRequest> requestOf(const std::vector<std::string>& arguments) {
    if (arguments.size() != 8 || arguments[0].empty()) {
        return std::nullopt;
    }
    ConversionRequest request;
    request.inputPath = arguments[0];
    request.outputFolder = arguments[1];
    request.name = arguments[2];
    const auto rate = Arguments::positiveInteger(arguments[3], kMaxPlaybackRate);
    const auto height =
        Arguments::numberInRange(arguments[4], 0, std::numeric_limits<double>::max());
    request.animations = Arguments::commaSeparated(arguments[5]);
    if (!rate || !height || (arguments[6] != kKeepFacing && arguments[6] != kTurnFacing)) {
        return std::nullopt;
    }
    request.rate = static_cast<int32_t>(*rate);
    request.height = *height;
    request.keepFacing = arguments[6] == kKeepFacing;
    request.clipFiles = Arguments::commaSeparated(arguments[7]);
    return request;
}

}  // namespace

ConvertedCharacter convertCharacter(const ConversionRequest& options, ImportLog& log,
                                    ConvertedForm form) {
    ConfinedFiles files(options.inputPath, log);
    // After files, which it reads through, so that it ends first.
    Assimp::Importer importer;
    const aiScene& scene = readScene(options.inputPath, importer, files, log);
    ImportedCharacter character = buildCharacter(scene, options, files, log);
    const OutputPlan plan = planOutput(options, character.animationNames, log);
    ConvertedCharacter converted;
    converted.readFiles = files.stamps();
    converted.folder = plan.folder;
    converted.modelFile = plan.modelFile;
    converted.animationCount = character.model->animations.size();
    if (form == ConvertedForm::Model) {
        // Named as a load of the files would name them, so that the
        // animations are labelled alike.
        Model& model = *character.model;
        for (std::size_t a = 0; a < plan.motionFiles.size(); ++a) {
            model.animations[a].name = plan.motionFiles[a];
        }
        model.texture = std::make_unique<Texture>();
        model.texture->fileName = plan.textureFile;
        model.texture->image = std::move(character.texture);
        converted.modelFile = plan.modelFile + kModelBinaryExtension;
        converted.files.push_back({converted.modelFile, modelBinary(model)});
        return converted;
    }
    // A texture the file holds as a PNG and that is used unchanged is written
    // as it came, which spares encoding it again.
    converted.files.push_back(
        {plan.textureFile, character.texturePng.empty()
                               ? encodePng(character.texture, PngCompression::Fast)
                               : std::move(character.texturePng)});
    for (std::size_t a = 0; a < plan.motionFiles.size(); ++a) {
        converted.files.push_back(
            {plan.motionFiles[a], motionText(character.model->animations[a])});
    }
    converted.files.push_back(
        {plan.modelFile, modelText(*character.model, plan.textureFile, plan.motionFiles)});
    return converted;
}

std::string converterProgram() {
    constexpr const char* kName = "velmora-convert";
    std::error_code unknown;
    const std::filesystem::path caller = std::filesystem::read_symlink("/proc/self/exe", unknown);
    const std::filesystem::path besideCaller = caller.parent_path() / kName;
    if (access(besideCaller.c_str(), X_OK) == 0) {
        return besideCaller;
    }
    return (caller.parent_path() / VELMORA_CONVERTER_FOLDER / kName).lexically_normal();
}

std::string answerConversion(const std::vector<std::string>& arguments, std::ostream& messages) {
    ImportLog log(messages);
    try {
        if (arguments.empty()) {
            throw ArgumentError("the converter was started without arguments");
        }
        const bool model = arguments[0] == kModelForm;
        const std::optional<ConversionRequest> request =
            requestOf({arguments.begin() + 1, arguments.end()});
        if (!request || (!model && arguments[0] != kFilesForm)) {
            throw ArgumentError("the converter was started wrongly");
        }
        const ConversionRequest& options = *request;
        const std::filesystem::path folder = std::filesystem::path(options.inputPath).parent_path();
        confineReadsTo({folder.empty() ? "." : folder.string(), options.inputPath});
        return encoded(
            convertCharacter(options, log, model ? ConvertedForm::Model : ConvertedForm::Files));
    } catch (const ArgumentError& error) {
        return std::string(1, kBadArguments) + error.what();
    } catch (const LoadError& error) {
        return std::string(1, kBadInput) + error.what();
    }
}

ConversionJob::ConversionJob(const ConversionRequest& options, const ContainmentLimits& limits,
                             ConvertedForm form, const std::string& program)
    : options_(options), run_(program, conversionArguments(options, form), limits) {}

ContainedConversion ConversionJob::result() const {
    const ContainedOutcome& outcome = run_.outcome();
    ContainedConversion conversion;
    const std::string_view answer = outcome.result;
    const char kind = answer.empty() ? '\0' : answer[0];
    if (!outcome.finished) {
        conversion.problem = options_.inputPath + ": cannot convert: the import " + outcome.failure;
    } else if (kind == kBadArguments) {
        conversion.status = ContainedConversion::Status::BadArguments;
        conversion.problem = answer.substr(1);
    } else if (kind == kBadInput) {
        conversion.problem = answer.substr(1);
    } else if (kind != kConverted || !decode(answer.substr(1), conversion.character)) {
        conversion.problem =
            options_.inputPath + ": cannot convert: the import's answer is damaged";
    } else {
        // Where the files go is the caller's choice, whatever the converter says.
        std::ostringstream unused;
        ImportLog quiet(unused);
        conversion.character.folder = planOutput(options_, {}, quiet).folder;
        conversion.status = ContainedConversion::Status::Converted;
    }
    return conversion;
}
ContainedConversion convertContained(const ConversionRequest& options,
                                     const ContainmentLimits& limits, const LineHandler& onLine) {
    ConversionJob job(options, limits);
    while (!job.poll(std::chrono::hours(1), onLine)) {
    }
    return job.result();
}

}  // namespace importer
}  // namespace velmora
