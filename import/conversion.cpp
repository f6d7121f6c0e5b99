#include "import/conversion.h"

#include <assimp/Importer.hpp>

#include <charconv>

#include "files/load_error.h"
#include "files/model_binary.h"
#include "files/model_writer.h"
#include "import/character_builder.h"
#include "import/confined_files.h"
#include "import/output_folder.h"
#include "import/scene_input.h"

namespace velmora {
inline namespace importer {

namespace {

// The child's answer: a kind, then fields each preceded by its length (8 bytes,
// little end first): the folder, the model file and the animation count, then
// the count of files read (8 bytes) and each one's name and numbers (size,
// time, sum), then each file's name and content.
enum AnswerKind : char { kConverted = 'C', kBadInput = 'I', kBadArguments = 'A' };

void putNumber(std::string& out, std::uint64_t number) {
    for (int i = 0; i < 8; ++i) {
        out += static_cast<char>(number >> (8 * i));
    }
}

std::uint64_t takeNumber(const std::string& in, std::size_t position) {
    std::uint64_t number = 0;
    for (int i = 0; i < 8; ++i) {
        number |= std::uint64_t(static_cast<unsigned char>(in[position + i])) << (8 * i);
    }
    return number;
}

void putField(std::string& out, const std::string& field) {
    putNumber(out, field.size());
    out += field;
}

// The next field of in from position, or false when in ends first.
bool takeField(const std::string& in, std::size_t& position, std::string& field) {
    if (in.size() - position < 8) {
        return false;
    }
    const std::uint64_t length = takeNumber(in, position);
    position += 8;
    if (in.size() - position < length) {
        return false;
    }
    field = in.substr(position, length);
    position += length;
    return true;
}

std::string encoded(const ConvertedCharacter& character) {
    std::string out(1, kConverted);
    putField(out, character.folder);
    putField(out, character.modelFile);
    putField(out, std::to_string(character.animationCount));
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

bool decode(const std::string& in, ConvertedCharacter& character) {
    std::size_t position = 1;
    std::string count;
    if (!takeField(in, position, character.folder) ||
        !takeField(in, position, character.modelFile) || !takeField(in, position, count)) {
        return false;
    }
    const auto [end, error] =
        std::from_chars(count.data(), count.data() + count.size(), character.animationCount);
    if (error != std::errc() || end != count.data() + count.size() || in.size() - position < 8) {
        return false;
    }
    // Each stamp takes at least two lengths and its numbers: a count the rest
    // cannot hold is refused before anything is sized.
    const std::uint64_t stamps = takeNumber(in, position);
    position += 8;
    if (stamps > (in.size() - position) / 40) {
        return false;
    }
    for (std::uint64_t s = 0; s < stamps; ++s) {
        FileStamp& stamp = character.readFiles.emplace_back();
        std::string numbers;
        if (!takeField(in, position, stamp.name) || !takeField(in, position, numbers) ||
            numbers.size() != 24) {
            return false;
        }
        stamp.size = takeNumber(numbers, 0);
        stamp.modified = static_cast<std::int64_t>(takeNumber(numbers, 8));
        stamp.sum = takeNumber(numbers, 16);
    }
    while (position < in.size()) {
        FileContent file;
        if (!takeField(in, position, file.name) || !takeField(in, position, file.bytes)) {
            return false;
        }
        character.files.push_back(std::move(file));
    }
    return true;
}

}  // namespace

ConvertedCharacter convertCharacter(const ImportOptions& options, ImportLog& log,
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
    converted.files.push_back({plan.textureFile, encodePng(character.texture)});
    for (std::size_t a = 0; a < plan.motionFiles.size(); ++a) {
        converted.files.push_back(
            {plan.motionFiles[a], motionText(character.model->animations[a])});
    }
    converted.files.push_back(
        {plan.modelFile, modelText(*character.model, plan.textureFile, plan.motionFiles)});
    return converted;
}

namespace {

ContainedWork conversionWork(const ImportOptions& options, ConvertedForm form) {
    return [&options, form](std::ostream& messages) {
        ImportLog log(messages);
        try {
            return encoded(convertCharacter(options, log, form));
        } catch (const ArgumentError& error) {
            return std::string(1, kBadArguments) + error.what();
        } catch (const LoadError& error) {
            return std::string(1, kBadInput) + error.what();
        }
    };
}

}  // namespace

ConversionJob::ConversionJob(const ImportOptions& options, const ContainmentLimits& limits,
                             ConvertedForm form)
    : options_(options), run_(conversionWork(options_, form), limits) {}

ContainedConversion ConversionJob::result() const {
    const ContainedOutcome& outcome = run_.outcome();
    ContainedConversion conversion;
    const std::string& answer = outcome.result;
    if (!outcome.finished) {
        conversion.problem = options_.inputPath + ": cannot convert: the import " + outcome.failure;
    } else if (!answer.empty() && answer[0] == kBadArguments) {
        conversion.status = ContainedConversion::Status::BadArguments;
        conversion.problem = answer.substr(1);
    } else if (!answer.empty() && answer[0] == kBadInput) {
        conversion.problem = answer.substr(1);
    } else if (answer.empty() || answer[0] != kConverted || !decode(answer, conversion.character)) {
        conversion.problem =
            options_.inputPath + ": cannot convert: the import's answer is damaged";
    } else {
        conversion.status = ContainedConversion::Status::Converted;
    }
    return conversion;
}

ContainedConversion convertContained(const ImportOptions& options, const ContainmentLimits& limits,
                                     const LineHandler& onLine) {
    ConversionJob job(options, limits);
    while (!job.poll(std::chrono::hours(1), onLine)) {
    }
    return job.result();
}

}  // namespace importer
}  // namespace velmora
