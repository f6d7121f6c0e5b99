// velmora-benchmarks: how fast the viewer reads a model and draws its frames,
// against the straightforward baselines in this folder, and how fast it opens
// the stress model written as glTF and GLB (converted, and again from the
// cache) against the import library's own read, all in one run. Prints Google
// Benchmark's table, then a summary of figures, ratios and targets. The glTF
// files and the cache live in a temporary folder for the run.
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
#include "drawing/camera.h"
#include "drawing/frame.h"
#include "drawing/model_drawing.h"
#include "files/load.h"
#include "import/character_opening.h"
#include "import/conversion.h"
#include "import/scene_input.h"
#include "model/pipeline.h"

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
ImportOptions viewerImport(const std::string& path) {
    ImportOptions options;
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
    const ImportOptions options = viewerImport(subject.path);
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
        subject.path = folder + "/stress." + form;
        subject.cache = std::make_unique<CharacterCache>(folder + "/cache");
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

    double by(bool realTime) const { return realTime ? real : cpu; }
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
        if (found == figures_.end()) {
            return std::nullopt;
        }
        return found->second;
    }

  private:
    std::map<std::string, Figure> figures_;
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

// The summary's lines: a label, the median and the minimum, and a note.
class Summary {
  public:
    explicit Summary(const SummaryReporter& reporter) : reporter_(reporter) {}

    void heading() const {
        std::cout << "  " << std::left << std::setw(42) << "" << std::right << std::setw(12)
                  << "median" << std::setw(12) << "min"
                  << "\n";
    }

    // A time per iteration, by the wall clock or by CPU time; no line for a
    // benchmark that did not run.
    std::optional<Figure> time(const std::string& label, const std::string& name, bool realTime,
                               const std::string& note = "") const {
        const auto figure = reporter_.figure(name);
        if (figure) {
            time(label, *figure, realTime, note);
        }
        return figure;
    }

    static void time(const std::string& label, const Figure& figure, bool realTime,
                     const std::string& note = "") {
        line(label, duration(figure.median.by(realTime)), duration(figure.minimum.by(realTime)),
             note);
    }

    // part / whole for the medians and for the minimums; the target, that it
    // be at most limit (described by targetText), is judged on the medians.
    static void share(const std::string& label, const Figure& part, const Figure& whole,
                      bool realTime, double limit, const std::string& targetText) {
        const double median = part.median.by(realTime) / whole.median.by(realTime);
        const double minimum = part.minimum.by(realTime) / whole.minimum.by(realTime);
        line(label, times(median), times(minimum),
             "target " + targetText + ": " + verdict(median <= limit));
    }

    // A read of bytes of text, by CPU time, with its rate.
    void rate(const std::string& label, const std::string& name, std::size_t bytes) const {
        const auto figure = reporter_.figure(name);
        if (figure) {
            std::ostringstream note;
            note << std::fixed << std::setprecision(1) << bytes / figure->median.cpu / 1e6
                 << " MB/s";
            line(label, duration(figure->median.cpu), duration(figure->minimum.cpu), note.str());
        }
    }

    // How many times faster than the baseline, for the medians and for the
    // minimums. A target (a speed-up of at least target, described by
    // targetText) is judged on the medians; without one the ratio is there for
    // reference.
    void ratio(const std::string& label, const std::string& fast, const std::string& baseline,
               bool realTime, std::optional<double> target = std::nullopt,
               const std::string& targetText = "") const {
        const auto a = reporter_.figure(fast);
        const auto b = reporter_.figure(baseline);
        if (!a || !b) {
            return;
        }
        const double median = b->median.by(realTime) / a->median.by(realTime);
        const double minimum = b->minimum.by(realTime) / a->minimum.by(realTime);
        line(label, speedUp(median), speedUp(minimum),
             target ? "target " + targetText + ": " + verdict(median >= *target) : "");
    }

  private:
    static std::string speedUp(double factor) {
        std::ostringstream text;
        text << std::fixed << std::setprecision(2) << factor << "x";
        return text.str();
    }

    static std::string times(double factor) {
        std::ostringstream text;
        text << std::fixed << std::setprecision(2) << factor;
        return text.str();
    }

    static void line(const std::string& label, const std::string& median,
                     const std::string& minimum, const std::string& note) {
        std::cout << "  " << std::left << std::setw(42) << label << std::right << std::setw(12)
                  << median << std::setw(12) << minimum << (note.empty() ? "" : "   " + note)
                  << "\n";
    }

    const SummaryReporter& reporter_;
};

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
// by the library and against the model file's load; CPU time throughout.
void printImportSummary(const SummaryReporter& reporter, const Summary& summary,
                        const std::vector<ImportSubject>& subjects) {
    const auto animeshLoad = reporter.figure("load/stress/velmora");
    for (const ImportSubject& subject : subjects) {
        const std::string n = "import/stress/" + subject.form;
        const auto read = reporter.figure(n + "/read");
        const auto convert = reporter.figure(n + "/convert");
        const auto cached = reporter.figure(n + "/cached");
        // A .gltf text keeps its buffer in a .bin beside it.
        const std::size_t bytes =
            fileSize(subject.path) +
            (subject.form == "gltf"
                 ? fileSize(std::filesystem::path(subject.path).replace_extension(".bin").string())
                 : 0);
        std::cout << "\nstress model as " << subject.form << " (" << bytes
                  << " bytes, written by the Open Asset Import Library's exporter)\n";
        summary.heading();
        if (read) {
            Summary::time("read by the library (readScene)", *read, false);
        }
        if (convert) {
            Summary::time("whole conversion to a model", *convert, false);
        }
        if (read && convert) {
            Figure after;
            after.median.cpu = convert->median.cpu - read->median.cpu;
            after.minimum.cpu = convert->minimum.cpu - read->minimum.cpu;
            Summary::time("  conversion after the read", after, false);
            Summary::share("  conversion after the read / read", after, *read, false, 1.0, "<= 1");
        }
        if (cached) {
            Summary::time("second open, from the cache", *cached, false);
        }
        if (cached && animeshLoad) {
            Summary::share("  cached open / .animesh load", *cached, *animeshLoad, false, 1.2,
                           "<= 1.2");
        }
    }
}

void printSummary(const SummaryReporter& reporter, const std::vector<Subject>& subjects,
                  const std::vector<ImportSubject>& imports, const LoadMemory& stressMemory,
                  const std::string& loadAtStart) {
    Summary summary(reporter);
    std::cout << "\nSummary (" << cpuName() << ", " << std::thread::hardware_concurrency()
              << " cores; load average " << loadAtStart << " at start, " << loadAverage()
              << " at end)\n"
              << "Median and minimum over the repetitions, each the mean of its iterations.\n"
              << "Reading, posing and skinning: CPU time of the benchmark's thread (other\n"
              << "processes on the machine barely change it); drawing and frames: wall-clock\n"
              << "time, as Mesa renders on threads of its own. Targets are judged on medians.\n";
    for (const Subject& subject : subjects) {
        const std::string& n = subject.name;
        std::cout << "\n"
                  << n << " (" << subject.path << ": " << subject.model->faces.size() << " faces, "
                  << subject.model->vertexCount() << " vertices, "
                  << subject.model->influences.size() << " influences, " << subject.textBytes
                  << " bytes of model and motion text)\n";
        summary.heading();
        // The reading targets are set for the stress model; the sample's load
        // is shorter, and a larger part of it goes into decoding its texture,
        // which both readers do alike (about 3 of its 8 ms).
        const bool stressModel = n == "stress";
        summary.rate("load, Velmora reader", "load/" + n + "/velmora", subject.textBytes);
        if (const auto load = reporter.figure("load/" + n + "/velmora")) {
            const bool underLimit = load->median.real < 0.3;
            summary.time("load, Velmora reader, wall clock", "load/" + n + "/velmora", true,
                         stressModel ? "target < 300 ms: " + verdict(underLimit) : "");
        }
        summary.rate("load, istream reader", "load/" + n + "/istream", subject.textBytes);
        summary.ratio("  reader speed-up", "load/" + n + "/velmora", "load/" + n + "/istream",
                      false, stressModel ? std::optional<double>(6.0) : std::nullopt, ">= 6x");
        summary.time("selectFrames + pose traversal", "pose/" + n, false);
        summary.time("skinning, Velmora", "skin/" + n + "/velmora", false);
        summary.time("skinning, scalar baseline", "skin/" + n + "/scalar", false);
        summary.ratio("  skinning speed-up", "skin/" + n + "/velmora", "skin/" + n + "/scalar",
                      false, 2.5, ">= 2.5x");
        summary.time("draw, vertex arrays", "draw/" + n + "/vertex arrays", true);
        summary.time("draw, immediate mode", "draw/" + n + "/immediate", true);
        summary.ratio("  drawing speed-up", "draw/" + n + "/vertex arrays",
                      "draw/" + n + "/immediate", true);
        summary.time("whole frame, Velmora", "frame/" + n + "/velmora", true);
        summary.time("whole frame, immediate-mode baseline", "frame/" + n + "/immediate", true);
        summary.ratio("  whole-frame speed-up", "frame/" + n + "/velmora",
                      "frame/" + n + "/immediate", true, 1 / 0.75,
                      ">= 1.33x (frame <= 0.75 x baseline)");
    }
    if (subjects.empty()) {
        return;
    }
    const Subject& stress = subjects.front();
    const std::string& n = stress.name;
    std::cout << "\nclock (" << n << ", first animation)\n";
    summary.heading();
    summary.time("selectFrames after 1 second", "clock/" + n + "/1 s", false);
    summary.time("selectFrames after 2 minutes", "clock/" + n + "/2 min", false);
    summary.time("selectFrames after 1 week", "clock/" + n + "/1 week", false);

    printImportSummary(reporter, summary, imports);

    const std::size_t bound = stress.modelFileBytes + 2 * stressMemory.modelBytes;
    std::cout << "\nheap while loading " << n << " (blocks of operator new)\n"
              << "  model file            " << std::setw(12) << stress.modelFileBytes << " bytes\n"
              << "  loaded model          " << std::setw(12) << stressMemory.modelBytes
              << " bytes\n"
              << "  peak during the load  " << std::setw(12) << stressMemory.peakBytes
              << " bytes   target <= file + 2 x model = " << bound << ": "
              << verdict(stressMemory.peakBytes <= bound) << "\n";
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
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
            benchmark::RegisterBenchmark(
                ("frame/" + n + (immediate ? "/immediate" : "/velmora")).c_str(), frameBenchmark,
                std::cref(subject), immediate)
                ->ComputeStatistics("min", smallest)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
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
    printSummary(reporter, subjects, imports, memory, loadAtStart);
    benchmark::Shutdown();
    return 0;
}
