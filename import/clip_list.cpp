#include "import/clip_list.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "files/load_error.h"

namespace velmora {
inline namespace importer {

namespace {

// Whole number of decimal digits only, within a size_t.
bool parseKey(const std::string& text, std::size_t& key) {
    if (text.empty() || text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    key = std::stoull(text);
    return true;
}

template <typename Value>
void collectTimes(const std::vector<std::pair<double, Value>>& keys, std::vector<double>& times) {
    for (const auto& key : keys) {
        times.push_back(key.first);
    }
}

// The keys of one component within [from, to], moved to start at 0, with
// keys made at from and to where none lies there.
template <typename Value>
std::vector<std::pair<double, Value>> cut(const std::vector<std::pair<double, Value>>& keys,
                                          double from, double to,
                                          Value (*at)(const std::vector<std::pair<double, Value>>&,
                                                      double)) {
    if (keys.empty()) {
        return {};
    }
    std::vector<std::pair<double, Value>> kept{{0.0, at(keys, from)}};
    for (const auto& key : keys) {
        if (key.first > from && key.first < to) {
            kept.emplace_back(key.first - from, key.second);
        }
    }
    kept.emplace_back(to - from, at(keys, to));
    return kept;
}

}  // namespace

std::string clipListPath(const std::string& inputPath) {
    return std::filesystem::path(inputPath).replace_extension(".clips").string();
}

std::vector<ClipRange> parseClipList(const std::string& text, const std::string& path) {
    std::vector<ClipRange> clips;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::istringstream words(line);
        std::vector<std::string> fields;
        for (std::string word; words >> word && fields.size() < 4;) {
            fields.push_back(word);
        }
        if (fields.empty() || fields[0][0] == '#') {
            continue;
        }
        ClipRange clip{fields[0], 0, 0, number};
        if (fields.size() != 3) {
            throw LoadError(path, number, "expected \"label first-key last-key\"");
        }
        if (!parseKey(fields[1], clip.firstKey) || !parseKey(fields[2], clip.lastKey)) {
            throw LoadError(path, number,
                            "the keys of clip \"" + clip.label + "\" are not whole numbers");
        }
        if (clip.firstKey > clip.lastKey) {
            throw LoadError(path, number,
                            "clip \"" + clip.label + "\" ends at key " +
                                std::to_string(clip.lastKey) + ", before its first key " +
                                std::to_string(clip.firstKey));
        }
        clips.push_back(std::move(clip));
    }
    return clips;
}

std::vector<AnimationSource> cutClips(const AnimationSource& timeline,
                                      const std::vector<ClipRange>& clips,
                                      const std::string& path) {
    std::vector<double> times;
    for (const auto& [node, channel] : timeline.channels) {
        collectTimes(channel.positions, times);
        collectTimes(channel.rotations, times);
        collectTimes(channel.scalings, times);
    }
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    std::vector<AnimationSource> cutOut;
    for (const ClipRange& clip : clips) {
        if (clip.lastKey >= times.size()) {
            throw LoadError(path, clip.line,
                            "clip \"" + clip.label + "\" ends at key " +
                                std::to_string(clip.lastKey) + ", but animation \"" +
                                timeline.name + "\" has " +
                                (times.empty() ? std::string("no keys")
                                               : "keys 0 to " + std::to_string(times.size() - 1)));
        }
        const double from = times[clip.firstKey];
        const double to = times[clip.lastKey];
        AnimationSource& source = cutOut.emplace_back();
        source.name = clip.label;
        source.durationSeconds = to - from;
        for (const auto& [node, channel] : timeline.channels) {
            NodeChannel& part = source.channels[node];
            part.positions = cut(channel.positions, from, to, &sampledPosition);
            part.rotations = cut(channel.rotations, from, to, &sampledRotation);
            part.scalings = cut(channel.scalings, from, to, &sampledPosition);
        }
    }
    return cutOut;
}

}  // namespace importer
}  // namespace velmora
