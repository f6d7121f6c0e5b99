#pragma once
// Named clips cut from one long timeline. Games often keep every move of a
// character on one timeline and name the ranges in their own code; a text
// file beside the character, NAME.clips for NAME.EXT, names them for the
// converter, one clip a line:
//
//   # label first-key last-key      (keys counted from 0, both included)
//   stand 0 79
//   walk  168 187
//
// A key is one of the timeline's own key times (the union over its channels,
// in time order). Blank lines and lines starting with '#' are skipped.

#include <cstddef>
#include <string>
#include <vector>

#include "import/pose_sampler.h"

namespace velmora {
inline namespace importer {

struct ClipRange {
    std::string label;
    std::size_t firstKey = 0;
    std::size_t lastKey = 0;
    // Where it was read, counted from 1.
    int line = 0;
};

// The clip list that belongs beside the character file inputPath.
std::string clipListPath(const std::string& inputPath);

// The clips of text, read from path. Throws LoadError naming path and the line
// for a line that is not "label first last" with whole numbers first <= last.
std::vector<ClipRange> parseClipList(const std::string& text, const std::string& path);

// The clips cut from timeline: each starts at 0 and keeps the timeline's keys
// within its range, its ends at the keys' times. Throws LoadError naming path
// and the line of a clip whose keys the timeline does not have.
std::vector<AnimationSource> cutClips(const AnimationSource& timeline,
                                      const std::vector<ClipRange>& clips, const std::string& path);

}  // namespace importer
}  // namespace velmora
