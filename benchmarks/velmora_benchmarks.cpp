// velmora-benchmarks: how fast the viewer reads a model, checks its rig and draws its frames,
// against the straightforward baselines in this folder, and how fast it opens
// the stress model written as glTF and GLB (converted, and again from the
// cache) against the import library's own read, all in one run. Prints Google
// Benchmark's table, then a summary of figures, ratios and targets. The glTF
// files and the cache live in a temporary folder for the run.
//
// Figures are CPU time: of the benchmark's thread, with Mesa told to render on
// the calling thread (LP_NUM_THREADS=0), and of fresh processes of velmora-info
// and of the straightforward loader. Ratios are paired (benchmarks/paired.h).
// A measurement that fails is printed as failed and makes the exit status 1.
//
// usage: velmora-benchmarks [--models <folder>] [Google Benchmark flags]
//   <folder> holds stress/stress.animesh and schoolgirl/schoolgirl.animesh (by
//   default the build's Models/). Unless the flags say otherwise, each
//   benchmark runs 5 repetitions of at least 0.5 s, in random order.

#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "benchmarks/baseline_frame.h"
#include "benchmarks/drawing_context.h"
#include "benchmarks/gltf_export.h"
#include "benchmarks/heap_counter.h"
#include "benchmarks/istream_reader.h"
#include "benchmarks/paired.h"
#include "drawing/frame.h"
#include "drawing/model_drawing.h"
#include "files/load.h"
#include "files/model_writer.h"
#include "import/character_opening.h"
#include "import/conversion.h"
#include "import/scene_input.h"
#include "model/pipeline.h"
#include "model/rig_check.h"
#include "view/camera.h"

using namespace velmora;

namespace {

// Clock steps between frames: about 60 frames per second, so that successive
// frames pose different key pairs and blends.
constexpr int64_t kFrameMilliseconds = 17;

// One model that the benchmarks read and draw.
struct Subject {
    std::string name;
    std::string path;
    // Bytes of the model file and of its motion files.
    std::size_t modelFileBytes = 0;
    std::size_t textBytes = 0;
    // Loaded once; posed, skinned and drawn.
    std::unique_ptr<Model> model;
    // Its texture in the drawing context, 0 without one.
    uint32_t texture = 0;
};

std::size_t fileSize(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::size_t>(size);
}

// A simulated clock that advances by one frame period on every reading.
int64_t nextFrameMilliseconds() {
    static int64_t milliseconds = 0;
    return milliseconds += kFrameMilliseconds;
}

// Posed for animation 0 at the next frame's reading.
void poseNextFrame(const Model& model, FrameBuffers& buffers) {
    const Animation& animation = model.animations[0];
    buffers.pair = selectFrames(animation, model.playbackRate, nextFrameMilliseconds());
    poseSkeleton(model, animation, buffers.pair, buffers.pose);
}

void loadBenchmark(benchmark::State& state, const Subject& subject, bool istream) {
    LoadOptions options;
    for (auto _ : state) {
        if (istream) {
            Model model;
            loadWithIstream(model, subject.path);
            benchmark::DoNotOptimize(model.faces.data());
        } else {
            const LoadResult loaded = loadModelFile(subject.path, options);
            benchmark::DoNotOptimize(loaded.model.faces.data());
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * subject.textBytes));
}

// The rig check of a loaded model (velmora-info --check), which a program may
// run on every load.
void checkBenchmark(benchmark::State& state, const Model& model) {
    for (auto _ : state) {
        const std::vector<Finding> findings = checkCharacter(model, {});
        benchmark::DoNotOptimize(findings.data());
    }
}

void poseBenchmark(benchmark::State& state, const Model& model) {
    FrameBuffers buffers;
    for (auto _ : state) {
        poseNextFrame(model, buffers);
        benchmark::DoNotOptimize(buffers.pose.boneTransforms[model.rootBone]);
    }
}

using Skinning = void (*)(const Model&, const Pose&, std::vector<Geometry::Vector3>&);

void skinBenchmark(benchmark::State& state, const Model& model, Skinning skinning) {
    FrameBuffers buffers;
    poseNextFrame(model, buffers);
    for (auto _ : state) {
        skinning(model, buffers.pose, buffers.skinnedPositions);
        benchmark::DoNotOptimize(buffers.skinnedPositions.data());
        benchmark::ClobberMemory();
    }
    state.counters["influences"] = static_cast<double>(model.influences.size());
}

// The clock's reduction to one loop at a given reading.
void clockBenchmark(benchmark::State& state, const Model& model, int64_t milliseconds) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            selectFrames(model.animations[0], model.playbackRate, milliseconds));
    }
}

// Drawing alone, into the view of the frames, without posing, skinning or
// showing the picture.
void drawBenchmark(benchmark::State& state, const Subject& subject, bool immediate) {
    const Model& model = *subject.model;
    FrameBuffers buffers;
    poseNextFrame(model, buffers);
    skin(model, buffers.pose, buffers.skinnedPositions);
    Camera camera;
    camera.reset();
    for (auto _ : state) {
        beginFrame(camera);
        if (immediate) {
            renderMeshImmediate(model, buffers.skinnedPositions, subject.texture);
        } else {
            renderMesh(model, buffers.skinnedPositions, subject.texture, buffers.cornerPositions);
        }
        glFinish();
    }
}

void frameBenchmark(benchmark::State& state, const Subject& subject, bool immediate) {
    Camera camera;
    camera.reset();
    FrameBuffers buffers;
    for (auto _ : state) {
        const FrameContent content{
            subject.model.get(), subject.texture, 0, nextFrameMilliseconds(), true, false};
        if (immediate) {
            drawFrameImmediate(camera, content, buffers);
        } else {
            drawFrame(camera, content, buffers);
        }
        finishFrame();
    }
}

// The stress model in a form that is opened through the import library.
struct ImportSubject {
    // "gltf" or "glb".
    std::string form;
    std::string path;
    // Holds the file's conversion before the benchmarks run.
    std::unique_ptr<CharacterCache> cache;
};

// Where the import benchmarks write their files and their cache: a fresh
// folder under the system's temporary folder, removed with them at the end.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velmora-benchmarks-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// The options with which the viewer converts a file it opens.
ConversionRequest viewerImport(const std::string& path) {
    ConversionRequest options;
    options.inputPath = path;
    return options;
}

// What the conversion itself takes after the library has read the file (with
// the checks and steps the conversion asks of it).
void importReadBenchmark(benchmark::State& state, const ImportSubject& subject) {
    std::ostringstream messages;
    for (auto _ : state) {
        ImportLog log(messages);
        ConfinedFiles files(subject.path, log);
        Assimp::Importer importer;
        benchmark::DoNotOptimize(readScene(subject.path, importer, files, log).mMeshes);
    }
}

// The whole conversion to a model in memory, in this process: read, convert,
// hand the model over in its binary form and take it back as the viewer does.
void importConvertBenchmark(benchmark::State& state, const ImportSubject& subject) {
    const ConversionRequest options = viewerImport(subject.path);
    std::ostringstream messages;
    for (auto _ : state) {
        ImportLog log(messages);
        const LoadResult loaded =
            loadConverted(convertCharacter(options, log, ConvertedForm::Model), {});
        benchmark::DoNotOptimize(loaded.model.faces.data());
    }
}

// A second open of the file: its conversion found in the cache and loaded.
void importCachedBenchmark(benchmark::State& state, const ImportSubject& subject) {
    for (auto _ : state) {
        CharacterOpening opening(subject.path, *subject.cache);
        // The cache's answer is in once the first poll returns.
        const bool over = opening.poll(std::chrono::hours(1), [](const std::string&) {});
        if (!over || opening.converting()) {
            state.SkipWithError("the conversion is not in the cache");
            break;
        }
        const LoadResult loaded = opening.load({});
        benchmark::DoNotOptimize(loaded.model.faces.data());
    }
}

// Writes the stress model in each form into folder and converts it once into
// a cache there, so that the benchmarks find it; nothing on failure, which is
// reported.
std::vector<ImportSubject> importSubjects(const Model& stress, const std::string& folder) {
    std::vector<ImportSubject> subjects;
    for (const std::string form : {"gltf", "glb"}) {
        ImportSubject subject;
        subject.form = form;
        // Each form in a folder of its own, and the caches outside both: the
        // files beside a source belong to its conversion's key.
        const std::string own = folder + "/" + form;
        std::error_code error;
        std::filesystem::create_directories(own, error);
        subject.path = own + "/stress." + form;
        subject.cache = std::make_unique<CharacterCache>(folder + "/cache-" + form);
        const std::string problem = exportGltf(stress, subject.path, form == "glb");
        const LoadResult opened =
            problem.empty()
                ? openCharacterFile(subject.path, {}, *subject.cache, [](const std::string&) {})
                : LoadResult{};
        if (!opened.modelRead) {
            std::cerr << "velmora-benchmarks: cannot open the stress model as " << form << ": "
                      << (problem.empty() ? reportText(opened.problems) : problem + "\n");
            return {};
        }
        subjects.push_back(std::move(subject));
    }
    return subjects;
}

// A benchmark's time per iteration, in seconds, by both clocks.
struct Times {
    double real = 0;
    double cpu = 0;
};

// The median and the minimum over the repetitions (both the single run's
// time when there is one repetition).
struct Figure {
    Times median;
    Times minimum;
};

// Google Benchmark's table, and the figures the summary is made of.
class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    SummaryReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
            const Times times{run.GetAdjustedRealTime() / unit, run.GetAdjustedCPUTime() / unit};
            if (run.error_occurred) {
                failed_[run.run_name.function_name] = run.error_message;
                continue;
            }
            Figure& figure = figures_[run.run_name.function_name];
            if (run.run_type == Run::RT_Iteration) {
                figure.median = figure.minimum = times;
            } else if (run.aggregate_name == "median") {
                figure.median = times;
            } else if (run.aggregate_name == "min") {
                figure.minimum = times;
            }
        }
    }

    std::optional<Figure> figure(const std::string& name) const {
        const auto found = figures_.find(name);
        if (found == figures_.end() || failed_.count(name)) {
            return std::nullopt;
        }
        return found->second;
    }

    // Why the benchmark failed; nothing when it did not.
    std::optional<std::string> failure(const std::string& name) const {
        const auto found = failed_.find(name);
        if (found == failed_.end()) {
            return std::nullopt;
        }
        return found->second;
    }

  private:
    std::map<std::string, Figure> figures_;
    std::map<std::string, std::string> failed_;
};

std::string cpuName() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) {
            return line.substr(line.find(':') + 2);
        }
    }
    return "unknown processor";
}

std::string loadAverage() {
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) < 3) {
        return "unknown";
    }
    std::ostringstream text;
    text << std::fixed << std::setprecision(2) << load[0] << " " << load[1] << " " << load[2];
    return text.str();
}

// A duration in the unit that suits it.
std::string duration(double seconds) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(2);
    if (seconds < 1e-6) {
        text << seconds * 1e9 << " ns";
    } else if (seconds < 1e-3) {
        text << seconds * 1e6 << " us";
    } else {
        text << seconds * 1e3 << " ms";
    }
    return text.str();
}

std::string verdict(bool met) {
    return met ? "met" : "NOT met";
}

// The summary's lines: a label, two columns (the median and the minimum of a
// figure, the median and the smallest of a ratio's rounds), and a note. Counts
// the measurements that failed.
class Summary {
  public:
    explicit Summary(const SummaryReporter& reporter) : reporter_(reporter) {}

    void heading(const std::string& first = "median", const std::string& second = "min") const {
        std::cout << "  " << std::left << std::setw(44) << "" << std::right << std::setw(12)
                  << first << std::setw(12) << second << "\n";
    }

    // A CPU time per iteration; FAILED when the benchmark failed, no line when
    // it was not run (left out by a filter).
    std::optional<Figure> time(const std::string& label, const std::string& name,
                               const std::string& note = "") const {
        if (const auto why = reporter_.failure(name)) {
            failed(label, *why);
            return std::nullopt;
        }
        const auto figure = reporter_.figure(name);
        if (figure) {
            line(label, duration(figure->median.cpu), duration(figure->minimum.cpu), note);
        }
        return figure;
    }

    // A read of bytes of text, with its rate.
    void rate(const std::string& label, const std::string& name, std::size_t bytes) const {
        if (const auto figure = reporter_.figure(name)) {
            std::ostringstream note;
            note << std::fixed << std::setprecision(1) << bytes / figure->median.cpu / 1e6
                 << " MB/s";
            time(label, name, note.str());
        } else {
            time(label, name);
        }
    }

    // A paired ratio (the median of its rounds' ratios and the smallest), as a
    // speed-up ("3.20x") or as a share ("0.57"). The target, when there is
    // one, is judged on the median: at least target when atLeast, otherwise at
    // most.
    void paired(const std::string& label, const PairedRounds& rounds, bool speedUp,
                std::optional<double> target = std::nullopt, bool atLeast = true,
                const std::string& targetText = "") const {
        if (rounds.failed()) {
            failed(label, "a measurement of a round failed");
            return;
        }
        const double median = rounds.medianRatio();
        std::string note = "largest " + ratioText(rounds.largestRatio(), speedUp) + ", " +
                           std::to_string(rounds.ratios.size()) + " rounds";
        if (target) {
            note += "; target " + targetText + ": " +
                    verdict(atLeast ? median >= *target : median <= *target);
        }
        line(label, ratioText(median, speedUp), ratioText(rounds.smallestRatio(), speedUp), note);
    }

    // A line for a measurement that failed, counted.
    void failed(const std::string& label, const std::string& why) const {
        ++failures_;
        line(label, "FAILED", "", why);
    }

    static void line(const std::string& label, const std::string& first, const std::string& second,
                     const std::string& note) {
        std::cout << "  " << std::left << std::setw(44) << label << std::right << std::setw(12)
                  << first << std::setw(12) << second << (note.empty() ? "" : "   " + note) << "\n";
    }

    int failures() const { return failures_; }

  private:
    static std::string ratioText(double ratio, bool speedUp) {
        std::ostringstream text;
        text << std::fixed << std::setprecision(2) << ratio << (speedUp ? "x" : "");
        return text.str();
    }

    const SummaryReporter& reporter_;
    mutable int failures_ = 0;
};

// Rounds of each paired ratio, and the least CPU time of a side in a round.
constexpr int kRounds = 7;
constexpr int kProcessRounds = 9;
constexpr double kSideSeconds = 0.1;

// The measure of one side of an in-process ratio.
Measure onThread(const std::function<void()>& work) {
    return [work] { return std::optional<double>(threadCpuSeconds(work, kSideSeconds)); };
}

PairedRounds pairedSpeedUp(const Measure& fast, const Measure& baseline, int rounds = kRounds) {
    return measurePaired(rounds, fast, baseline, [](double a, double b) { return b / a; });
}

PairedRounds pairedShare(const Measure& part, const Measure& whole, int rounds = kRounds) {
    return measurePaired(rounds, part, whole, [](double a, double b) { return a / b; });
}

struct LoadMemory {
    std::size_t peakBytes = 0;
    std::size_t modelBytes = 0;
};

// Heap taken while the model is read (above what was in use before), and what
// the loaded model keeps.
LoadMemory measureLoadMemory(const Subject& subject) {
    LoadMemory memory;
    const std::size_t before = heapCounts().bytesInUse;
    resetHeapPeak();
    {
        const LoadResult loaded = loadModelFile(subject.path, {});
        memory.modelBytes = heapCounts().bytesInUse - before;
        memory.peakBytes = heapCounts().peakBytes - before;
    }
    return memory;
}

// The stress model opened through the import library, against its own read
// by the library and against the model file's load.
void printImportSummary(const Summary& summary, const Subject& stress,
                        const std::vector<ImportSubject>& subjects) {
    for (const ImportSubject& subject : subjects) {
        const std::string n = "import/stress/" + subject.form;
        // A .gltf text keeps its buffer in a .bin beside it.
        const std::size_t bytes =
            fileSize(subject.path) +
            (subject.form == "gltf"
                 ? fileSize(std::filesystem::path(subject.path).replace_extension(".bin").string())
                 : 0);
        std::cout << "\nstress model as " << subject.form << " (" << bytes
                  << " bytes, written by the Open Asset Import Library's exporter)\n";
        summary.heading();
        summary.time("read by the library (readScene)", n + "/read");
        summary.time("whole conversion to a model", n + "/convert");
        summary.time("second open, from the cache", n + "/cached");
        std::ostringstream messages;
        const Measure read = onThread([&] {
            ImportLog log(messages);
            ConfinedFiles files(subject.path, log);
            Assimp::Importer importer;
            benchmark::DoNotOptimize(readScene(subject.path, importer, files, log).mMeshes);
        });
        const ConversionRequest options = viewerImport(subject.path);
        const Measure convert = onThread([&] {
            ImportLog log(messages);
            const LoadResult loaded =
                loadConverted(convertCharacter(options, log, ConvertedForm::Model), {});
            benchmark::DoNotOptimize(loaded.model.faces.data());
        });
        summary.paired(
            "  conversion after the read / read",
            measurePaired(kRounds, read, convert, [](double r, double c) { return (c - r) / r; }),
            false, 1.0, false, "<= 1");
        bool cached = true;
        const Measure cachedOpen = [&]() -> std::optional<double> {
            const double seconds = threadCpuSeconds(
                [&] {
                    CharacterOpening opening(subject.path, *subject.cache);
                    cached = cached && !opening.converting();
                    const LoadResult loaded = opening.load({});
                    benchmark::DoNotOptimize(loaded.model.faces.data());
                },
                kSideSeconds);
            return cached ? std::optional<double>(seconds) : std::nullopt;
        };
        const Measure load = onThread([&] {
            const LoadResult loaded = loadModelFile(stress.path, {});
            benchmark::DoNotOptimize(loaded.model.faces.data());
        });
        summary.paired("  cached open / .animesh load", pairedShare(cachedOpen, load), false, 1.2,
                       false, "<= 1.2");
    }
}

// The stress model's arrays times times over (a vertex, mapping coordinate and
// face for each of the original's, times times), with its skeleton, texture and
// motion files, written into folder; its path, or nothing when it cannot be
// written.
std::optional<std::string> writeScaledModel(const Model& model, int times,
                                            const std::string& folder) {
    Model scaled;
    scaled.playbackRate = model.playbackRate;
    scaled.rootBone = model.rootBone;
    for (int bone = 0; bone < kMaxBones; ++bone) {
        if (model.bones[bone]) {
            scaled.bones[bone] = std::make_unique<Bone>(*model.bones[bone]);
        }
    }
    const auto vertices = static_cast<int32_t>(model.vertexCount());
    const auto mappings = static_cast<int32_t>(model.mappingCoords.size());
    for (int32_t copy = 0; copy < times; ++copy) {
        const auto append = [](auto& to, const auto& from) {
            to.insert(to.end(), from.begin(), from.end());
        };
        append(scaled.influenceCounts, model.influenceCounts);
        append(scaled.influences, model.influences);
        append(scaled.mappingCoords, model.mappingCoords);
        for (Face face : model.faces) {
            for (int corner = 0; corner < 3; ++corner) {
                face.vertexIndex[corner] += copy * vertices;
                face.mappingIndex[corner] += copy * mappings;
            }
            scaled.faces.push_back(face);
        }
    }
    namespace fs = std::filesystem;
    std::error_code error;
    const auto besideScaled = [&](const std::string& file) {
        const fs::path name = fs::path(file).filename();
        fs::copy_file(file, fs::path(folder) / name, fs::copy_options::skip_existing, error);
        return name.string();
    };
    const std::string texture = besideScaled(model.texture->fileName);
    std::vector<std::string> motions;
    for (const Animation& animation : model.animations) {
        motions.push_back(besideScaled(animation.name));
    }
    const std::string path = folder + "/scaled-" + std::to_string(times) + ".animesh";
    std::ofstream(path, std::ios::binary) << modelText(scaled, texture, motions);
    if (error || fileSize(path) == 0) {
        return std::nullopt;
    }
    return path;
}

// The full path of program found on PATH, or nothing.
std::optional<std::string> onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return std::nullopt;
}

// Characters of Debian's assimp-testmodels that velmora-import converts, where
// it is installed.
const char* const kTestModelCharacters[] = {
    "X/BCN_Epileptic.X", "X/Testwuson.X",     "FBX/animation_with_skeleton.fbx",
    "FBX/huesitos.fbx",  "SMD/WusonSMD.smd",  "IQM/mrfixit.iqm",
    "Collada/human.zae", "B3D/WusonBlitz.b3d"};

// Whole fresh processes, CPU time: velmora-import converting each outside
// file against the import library's own program (Debian's assimp-utils)
// writing it in its binary form with the same processing steps, paired.
void printAssimpBaseline(const Summary& summary, const std::vector<ImportSubject>& imports,
                         const std::string& folder) {
    std::cout << "\nconversion by velmora-import against `assimp export FILE OUT.assbin -tri -jiv "
                 "-sbpt -fuv -vds` (fresh processes, CPU time, velmora-import / assimp)\n";
    const std::optional<std::string> assimp = onPath("assimp");
    if (!assimp) {
        std::cout << "  assimp (Debian's assimp-utils) is not installed: no comparison\n";
        return;
    }
    std::vector<std::string> files;
    for (const ImportSubject& subject : imports) {
        files.push_back(subject.path);
    }
    for (const char* model : kTestModelCharacters) {
        const std::string path = std::string("/usr/share/assimp/models/") + model;
        if (std::filesystem::exists(path)) {
            files.push_back(path);
        }
    }
    summary.heading("median", "smallest");
    for (const std::string& file : files) {
        const Measure ours = [&] {
            return processCpuSeconds(VELMORA_IMPORT_PROGRAM,
                                     {file, "-o", folder + "/import-baseline", "--force"});
        };
        const Measure theirs = [&] {
            return processCpuSeconds(*assimp, {"export", file, folder + "/baseline.assbin", "-tri",
                                               "-jiv", "-sbpt", "-fuv", "-vds"});
        };
        summary.paired("  " + std::filesystem::path(file).filename().string(),
                       pairedShare(ours, theirs, kProcessRounds), false, 1.5, false, "<= 1.5");
    }
}

// Whole fresh processes, CPU time: velmora-info against the straightforward
// loader's program on the stress model, and velmora-info on the stress model
// eight times over against once.
void printProcessSummary(const Summary& summary, const Subject& stress, const std::string& folder) {
    std::cout << "\nfresh processes, CPU time (user and system) of the whole process\n";
    summary.heading("median", "smallest");
    const auto process = [](const std::string& program, const std::string& model) -> Measure {
        return [program, model] { return processCpuSeconds(program, {model}); };
    };
    const PairedRounds info =
        pairedSpeedUp(process(VELMORA_INFO_PROGRAM, stress.path),
                      process(VELMORA_ISTREAM_LOAD_PROGRAM, stress.path), kProcessRounds);
    if (!info.failed()) {
        Summary::line("velmora-info stress.animesh", duration(info.a), "", "");
        Summary::line("straightforward loader, stress.animesh", duration(info.b), "", "");
    }
    summary.paired("  velmora-info speed-up", info, true, 3.5, true, ">= 3.5x");

    constexpr int kTimes = 8;
    const auto once = writeScaledModel(*stress.model, 1, folder);
    const auto eight = writeScaledModel(*stress.model, kTimes, folder);
    if (!once || !eight) {
        summary.failed("  load time per vertex, 8x / 1x", "the scaled models cannot be written");
        return;
    }
    const PairedRounds scaling = measurePaired(
        kProcessRounds, process(VELMORA_INFO_PROGRAM, *once), process(VELMORA_INFO_PROGRAM, *eight),
        [](double one, double many) { return many / kTimes / one; });
    if (!scaling.failed()) {
        Summary::line("velmora-info, stress model written once", duration(scaling.a), "", "");
        Summary::line("velmora-info, the same 8 times over", duration(scaling.b), "", "");
    }
    summary.paired("  time per vertex, 8x / 1x", scaling, false, 1.3, false, "<= 1.3");
}

// velmora-render in fresh processes, CPU time: the stress model's first
// animation at 640x480 exported as an H.264 video against the same frames
// drawn offscreen and written as PNGs.
void printExportSummary(const Summary& summary, const Subject& stress, const std::string& folder) {
    std::cout << "\nvideo export, CPU time (user and system) of the whole process\n";
    summary.heading("median", "smallest");
    const auto render = [&](const std::vector<std::string>& output) -> Measure {
        return [&stress, output] {
            std::vector<std::string> arguments = {stress.path, "--size", "640x480"};
            arguments.insert(arguments.end(), output.begin(), output.end());
            return processCpuSeconds(VELMORA_RENDER_PROGRAM, arguments);
        };
    };
    const PairedRounds exported =
        pairedShare(render({"--video", folder + "/stress.mp4"}),
                    render({"--frames", folder + "/stress-frames"}), kProcessRounds);
    if (!exported.failed()) {
        Summary::line("velmora-render --video stress.mp4", duration(exported.a), "", "");
        Summary::line("velmora-render --frames (PNGs)", duration(exported.b), "", "");
    }
    summary.paired("  video / PNG frames", exported, false, 1.0, false, "<= 1");
}

int printSummary(const SummaryReporter& reporter, const std::vector<Subject>& subjects,
                 const std::vector<ImportSubject>& imports, bool display,
                 const LoadMemory& stressMemory, const std::string& loadAtStart,
                 const std::string& folder) {
    Summary summary(reporter);
    std::cout << "\nSummary (" << cpuName() << ", " << std::thread::hardware_concurrency()
              << " cores; load average " << loadAtStart << " at start)\n"
              << "Figures: median and minimum over the repetitions, each the mean of its\n"
              << "iterations, in CPU time of the benchmark's thread, warm (the same process\n"
              << "again and again); Mesa renders on that thread (LP_NUM_THREADS=0). Ratios:\n"
              << "both sides measured in each round, in turns, CPU time; the median and the\n"
              << "smallest of the rounds' ratios. Targets are judged on the medians.\n";
    for (const Subject& subject : subjects) {
        const std::string& n = subject.name;
        const Model& model = *subject.model;
        std::cout << "\n"
                  << n << " (" << subject.path << ": " << model.faces.size() << " faces, "
                  << model.vertexCount() << " vertices, " << model.influences.size()
                  << " influences, " << subject.textBytes << " bytes of model and motion text)\n";
        summary.heading();
        // The reading targets are set for the stress model; the sample's load
        // is shorter, and a larger part of it goes into decoding its texture,
        // which both readers do alike (about 3 of its 8 ms).
        const bool stressModel = n == "stress";
        summary.rate("load, Velmora reader", "load/" + n + "/velmora", subject.textBytes);
        summary.rate("load, istream reader", "load/" + n + "/istream", subject.textBytes);
        summary.paired("  reader speed-up",
                       pairedSpeedUp(onThread([&] {
                                         const LoadResult loaded = loadModelFile(subject.path, {});
                                         benchmark::DoNotOptimize(loaded.model.faces.data());
                                     }),
                                     onThread([&] {
                                         Model read;
                                         loadWithIstream(read, subject.path);
                                         benchmark::DoNotOptimize(read.faces.data());
                                     })),
                       true, stressModel ? std::optional<double>(6.0) : std::nullopt, true,
                       ">= 6x");
        summary.time("rig check", "check/" + n);
        summary.paired(
            "  rig check / load",
            pairedShare(onThread([&] {
                            benchmark::DoNotOptimize(checkCharacter(model, CheckOptions{}).size());
                        }),
                        onThread([&] {
                            const LoadResult loaded = loadModelFile(subject.path, {});
                            benchmark::DoNotOptimize(loaded.model.faces.data());
                        })),
            false, 2.0, false, "<= 2");
        summary.time("selectFrames + pose traversal", "pose/" + n);
        summary.time("skinning, Velmora", "skin/" + n + "/velmora");
        summary.time("skinning, scalar baseline", "skin/" + n + "/scalar");
        FrameBuffers buffers;
        poseNextFrame(model, buffers);
        std::vector<Geometry::Vector3> positions;
        summary.paired("  skinning speed-up",
                       pairedSpeedUp(onThread([&] {
                                         skin(model, buffers.pose, positions);
                                         benchmark::ClobberMemory();
                                     }),
                                     onThread([&] {
                                         skinScalar(model, buffers.pose, positions);
                                         benchmark::ClobberMemory();
                                     })),
                       true, 2.5, true, ">= 2.5x");
        if (!display) {
            summary.failed("drawing and frames", "no offscreen OpenGL context");
            continue;
        }
        summary.time("draw, vertex arrays", "draw/" + n + "/vertex arrays");
        summary.time("draw, immediate mode", "draw/" + n + "/immediate");
        skin(model, buffers.pose, buffers.skinnedPositions);
        Camera camera;
        camera.reset();
        const auto drawing = [&](bool immediate) {
            return onThread([&, immediate] {
                beginFrame(camera);
                if (immediate) {
                    renderMeshImmediate(model, buffers.skinnedPositions, subject.texture);
                } else {
                    renderMesh(model, buffers.skinnedPositions, subject.texture,
                               buffers.cornerPositions);
                }
                glFinish();
            });
        };
        summary.paired("  drawing speed-up", pairedSpeedUp(drawing(false), drawing(true)), true);
        summary.time("whole frame, Velmora", "frame/" + n + "/velmora");
        summary.time("whole frame, immediate-mode baseline", "frame/" + n + "/immediate");
        FrameBuffers frameBuffers;
        const auto frame = [&](bool immediate) {
            return onThread([&, immediate] {
                const FrameContent content{
                    subject.model.get(), subject.texture, 0, nextFrameMilliseconds(), true, false};
                if (immediate) {
                    drawFrameImmediate(camera, content, frameBuffers);
                } else {
                    drawFrame(camera, content, frameBuffers);
                }
                finishFrame();
            });
        };
        summary.paired("  whole frame, Velmora / baseline", pairedShare(frame(false), frame(true)),
                       false, stressModel ? std::optional<double>(0.75) : std::nullopt, false,
                       "<= 0.75");
    }
    if (subjects.empty()) {
        return 1;
    }
    const Subject& stress = subjects.front();
    const std::string& n = stress.name;
    std::cout << "\nclock (" << n << ", first animation)\n";
    summary.heading();
    summary.time("selectFrames after 1 second", "clock/" + n + "/1 s");
    summary.time("selectFrames after 2 minutes", "clock/" + n + "/2 min");
    summary.time("selectFrames after 1 week", "clock/" + n + "/1 week");

    if (imports.empty()) {
        summary.failed("stress model as glTF and GLB", "it could not be written or converted");
    }
    printImportSummary(summary, stress, imports);
    printProcessSummary(summary, stress, folder);
    printExportSummary(summary, stress, folder);
    printAssimpBaseline(summary, imports, folder);

    const std::size_t bound = stress.modelFileBytes + 2 * stressMemory.modelBytes;
    std::cout << "\nheap while loading " << n << " (blocks of operator new)\n"
              << "  model file            " << std::setw(12) << stress.modelFileBytes << " bytes\n"
              << "  loaded model          " << std::setw(12) << stressMemory.modelBytes
              << " bytes\n"
              << "  peak during the load  " << std::setw(12) << stressMemory.peakBytes
              << " bytes   target <= file + 2 x model = " << bound << ": "
              << verdict(stressMemory.peakBytes <= bound) << "\n";
    std::cout << "\nload average " << loadAverage() << " at the end\n";
    if (summary.failures() > 0) {
        std::cout << summary.failures() << " measurement(s) FAILED\n";
        return 1;
    }
    return 0;
}

double smallest(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

void registerBenchmarks(std::vector<Subject>& subjects, const std::vector<ImportSubject>& imports,
                        bool display) {
    for (Subject& subject : subjects) {
        const std::string& n = subject.name;
        const Model& model = *subject.model;
        for (const bool istream : {false, true}) {
            benchmark::RegisterBenchmark(
                ("load/" + n + (istream ? "/istream" : "/velmora")).c_str(), loadBenchmark,
                std::cref(subject), istream)
                ->ComputeStatistics("min", smallest)
                ->Unit(benchmark::kMillisecond);
        }
        benchmark::RegisterBenchmark(("check/" + n).c_str(), checkBenchmark, std::cref(model))
            ->ComputeStatistics("min", smallest)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("pose/" + n).c_str(), poseBenchmark, std::cref(model))
            ->ComputeStatistics("min", smallest)
            ->Unit(benchmark::kMicrosecond);
        const std::pair<const char*, Skinning> skinnings[] = {
            {"/velmora", static_cast<Skinning>(skin)}, {"/scalar", skinScalar}};
        for (const auto& [how, skinning] : skinnings) {
            benchmark::RegisterBenchmark(("skin/" + n + how).c_str(), skinBenchmark,
                                         std::cref(model), skinning)
                ->ComputeStatistics("min", smallest)
                ->Unit(benchmark::kMicrosecond);
        }
        for (const bool immediate : {false, true}) {
            if (!display) {
                break;
            }
            benchmark::RegisterBenchmark(
                ("draw/" + n + (immediate ? "/immediate" : "/vertex arrays")).c_str(),
                drawBenchmark, std::cref(subject), immediate)
                ->ComputeStatistics("min", smallest)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(
                ("frame/" + n + (immediate ? "/immediate" : "/velmora")).c_str(), frameBenchmark,
                std::cref(subject), immediate)
                ->ComputeStatistics("min", smallest)
                ->Unit(benchmark::kMillisecond);
        }
    }
    const Subject& first = subjects.front();
    // Two minutes is nearly the most loops (of about 2 s here) that the clock
    // still removes one by one.
    const std::pair<const char*, int64_t> readings[] = {
        {"/1 s", 1000}, {"/2 min", 120 * 1000}, {"/1 week", int64_t{7} * 24 * 3600 * 1000}};
    for (const auto& [when, milliseconds] : readings) {
        benchmark::RegisterBenchmark(("clock/" + first.name + when).c_str(), clockBenchmark,
                                     std::cref(*first.model), milliseconds)
            ->ComputeStatistics("min", smallest)
            ->Unit(benchmark::kNanosecond);
    }
    using ImportBenchmark = void (*)(benchmark::State&, const ImportSubject&);
    const std::pair<const char*, ImportBenchmark> steps[] = {{"/read", importReadBenchmark},
                                                             {"/convert", importConvertBenchmark},
                                                             {"/cached", importCachedBenchmark}};
    for (const ImportSubject& subject : imports) {
        for (const auto& [step, run] : steps) {
            benchmark::RegisterBenchmark(("import/stress/" + subject.form + step).c_str(), run,
                                         std::cref(subject))
                ->ComputeStatistics("min", smallest)
                ->Unit(benchmark::kMillisecond);
        }
    }
}

// The flags that make a run comparable, given before the user's, which
// override them: repetitions run in random order, so that a busy spell of the
// machine falls on all benchmarks alike, and only their statistics reported.
std::vector<std::string> defaultFlags() {
    return {"--benchmark_repetitions=5", "--benchmark_enable_random_interleaving=true",
            "--benchmark_report_aggregates_only=true", "--benchmark_min_time=0.5"};
}

}  // namespace

int main(int argc, char** argv) {
    std::string models = VELMORA_MODELS_FOLDER;
    std::vector<std::string> flags = defaultFlags();
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--models" && i + 1 < argc) {
            models = argv[++i];
        } else {
            flags.push_back(argument);
        }
    }
    const std::string loadAtStart = loadAverage();

    // Mesa renders on the calling thread, so that a frame's whole cost is CPU
    // time of the benchmark's thread rather than wall-clock time of several.
    setenv("LP_NUM_THREADS", "0", 1);
    const bool display = openDrawingContext();
    std::vector<Subject> subjects;
    for (const std::string name : {"stress", "schoolgirl"}) {
        Subject subject;
        subject.name = name;
        subject.path = models + "/" + name + "/" + name + ".animesh";
        LoadResult loaded = loadModelFile(subject.path, {});
        subject.model = std::make_unique<Model>(std::move(loaded.model));
        if (!loaded.modelRead || !isPlayable(*subject.model, 0)) {
            std::cerr << "velmora-benchmarks: cannot read " << subject.path
                      << " (build the samples target, or pass --models <folder>)\n";
            return 1;
        }
        if (display && subject.model->texture->image) {
            subject.texture = uploadTexture(*subject.model->texture->image);
        }
        subject.modelFileBytes = fileSize(subject.path);
        subject.textBytes = subject.modelFileBytes;
        for (const Animation& animation : subject.model->animations) {
            subject.textBytes += fileSize(animation.name);
        }
        subjects.push_back(std::move(subject));
    }
    if (!display) {
        std::cerr << "velmora-benchmarks: no offscreen OpenGL context: drawing and frames are "
                     "not measured\n";
    }

    const ScratchFolder scratch;
    const std::vector<ImportSubject> imports =
        importSubjects(*subjects.front().model, scratch.path());
    registerBenchmarks(subjects, imports, display);

    std::vector<char*> arguments{argv[0]};
    for (std::string& flag : flags) {
        arguments.push_back(flag.data());
    }
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) {
        return 2;
    }
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const LoadMemory memory = measureLoadMemory(subjects.front());
    const int status =
        printSummary(reporter, subjects, imports, display, memory, loadAtStart, scratch.path());
    benchmark::Shutdown();
    return status;
}
