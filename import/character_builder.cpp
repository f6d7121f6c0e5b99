#include "import/character_builder.h"

#include <assimp/commonMetaData.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <limits>
#include <map>
#include <optional>
#include <set>

#include "import/clip_files.h"
#include "import/clip_list.h"
#include "import/pose_sampler.h"
#include "import/skeleton.h"
#include "import/texture_atlas.h"
#include "import/to_geometry.h"
#include "view/camera.h"

namespace velmora {
inline namespace importer {

namespace {

// Formats whose files are z-up by definition, as the library names them; it
// leaves their axes as they are and says nothing in the metadata.
const char* const kZUpFormats[] = {"Valve SMD Importer"};

// The rotation that turns the file's up axis into +y, when its metadata names
// another up axis (0 = x, 1 = y, 2 = z, with a sign) or its format is z-up.
Matrix4 upAxisRotation(const aiScene& scene) {
    int32_t axis = 1;
    int32_t sign = 1;
    aiString format;
    if (!scene.mMetaData) {
        return Matrix4();
    }
    if (!scene.mMetaData->Get("UpAxis", axis)) {
        scene.mMetaData->Get(AI_METADATA_SOURCE_FORMAT, format);
        const auto zUp = std::find_if(std::begin(kZUpFormats), std::end(kZUpFormats),
                                      [&](const char* name) { return format == aiString(name); });
        axis = zUp == std::end(kZUpFormats) ? 1 : 2;
    }
    scene.mMetaData->Get("UpAxisSign", sign);
    const double s = sign < 0 ? -1.0 : 1.0;
    switch (axis) {
        case 0:  // x up: a quarter turn about z.
            return Matrix4({0, s, 0, 0}, {-s, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1});
        case 2:  // z up: a quarter turn about x.
            return Matrix4({1, 0, 0, 0}, {0, 0, s, 0}, {0, -s, 0, 0}, {0, 0, 0, 1});
        default:  // y, or -y: half a turn about x.
            return s > 0 ? Matrix4()
                         : Matrix4({1, 0, 0, 0}, {0, -1, 0, 0}, {0, 0, -1, 0}, {0, 0, 0, 1});
    }
}

// The direction the file's characters face, in its axes as the library presents
// them, for formats whose convention the library leaves as it is:
// - glTF defines +z as an asset's front;
// - COLLADA, turned y-up by the library, follows Maya's and Blender's exports,
//   whose characters face +z;
// - MD5 (id Tech 4) and SMD (Valve) characters face +x, z up; the library turns
//   MD5 y-up keeping x, and upAxisRotation does the same for SMD.
// FBX says it in its axis system (the front axis, +z when it says nothing).
// - MD2 (Quake II) characters face +x, z up, turned y-up by the library.
// - IQM, whose conventions come from MD5's (z up, +x ahead, as the format's
//   own sample character stands), is turned y-up by the library keeping x.
// - DirectX .x files are left-handed, their characters facing the camera of
//   Direct3D's samples (-z); the library mirrors z, after which they face +z.
// The others are left as the library presents them: Blitz3D's characters, whose
// +z ahead the library mirrors, face -z.
struct FormatFacing {
    const char* format;
    Vector3 forward;
};
const FormatFacing kFormatFacings[] = {{"glTF2 Importer", {0, 0, 1}},
                                       {"glTF Importer", {0, 0, 1}},
                                       {"Collada Importer", {0, 0, 1}},
                                       {"Direct3D XFile Importer", {0, 0, 1}},
                                       {"Inter-Quake Model Importer", {1, 0, 0}},
                                       {"Quake II Mesh Importer", {1, 0, 0}},
                                       {"Doom 3 / MD5 Mesh Importer", {1, 0, 0}},
                                       {"Valve SMD Importer", {1, 0, 0}}};
const char* const kFbxFormat = "Autodesk FBX Importer";

// Where the file's characters face, in its own axes; nothing when the library
// already presents them facing -z.
std::optional<Vector3> fileForward(const aiScene& scene) {
    aiString format;
    if (!scene.mMetaData || !scene.mMetaData->Get(AI_METADATA_SOURCE_FORMAT, format)) {
        return std::nullopt;
    }
    if (format == aiString(kFbxFormat)) {
        int32_t axis = 2;
        int32_t sign = 1;
        scene.mMetaData->Get("FrontAxis", axis);
        scene.mMetaData->Get("FrontAxisSign", sign);
        Vector3 forward;
        (axis == 0 ? forward.x : axis == 1 ? forward.y : forward.z) = sign < 0 ? -1 : 1;
        return forward;
    }
    for (const FormatFacing& facing : kFormatFacings) {
        if (format == aiString(facing.format)) {
            return facing.forward;
        }
    }
    return std::nullopt;
}

// The turn about y that makes a character facing `forward` (already y-up) face
// -z, the viewer's reset camera: the identity when it faces straight up or down.
Matrix4 facingTurn(const Vector3& forward) {
    const double length = std::hypot(forward.x, forward.z);
    if (!(length > 1e-9)) {
        return Matrix4();
    }
    const double x = forward.x / length;
    const double z = forward.z / length;
    return Matrix4({-z, 0, x, 0}, {0, 1, 0, 0}, {-x, 0, -z, 0}, {0, 0, 0, 1});
}

// The file's axes to the viewer's: its up axis to +y and, unless kept, its
// characters' front towards -z.
Matrix4 orientation(const aiScene& scene, bool keepFacing) {
    const Matrix4 upAxis = upAxisRotation(scene);
    const std::optional<Vector3> forward = fileForward(scene);
    if (keepFacing || !forward) {
        return upAxis;
    }
    return facingTurn(apply(linearPart(upAxis), *forward)) * upAxis;
}

// The file's animations, the first cut into the clips that a clip list beside
// the file names, then those of its clip files.
std::vector<AnimationSource> fileAnimations(const aiScene& scene, const ConversionRequest& options,
                                            ConfinedFiles& files, ImportLog& log) {
    std::vector<AnimationSource> all = animationSources(scene);
    const std::string clipsPath = clipListPath(options.inputPath);
    if (const std::optional<std::string> clipList = files.readIfThere(clipsPath)) {
        const std::vector<ClipRange> clips = parseClipList(*clipList, clipsPath);
        if (all.empty()) {
            log.warn(clipsPath + ": not used, as the file holds no animation to cut clips from");
        } else {
            std::vector<AnimationSource> cut = cutClips(all.front(), clips, clipsPath);
            std::move(all.begin() + 1, all.end(), std::back_inserter(cut));
            all = std::move(cut);
        }
    }
    const NodesByName nodes(scene);
    // A file both named and beside is taken as named, once, so that the user
    // hears why it is left out.
    std::set<std::filesystem::path> named;
    std::vector<std::string> namedPaths;
    std::error_code unknown;
    for (const std::string& path : options.clipFiles) {
        if (named.insert(std::filesystem::weakly_canonical(path, unknown)).second) {
            namedPaths.push_back(path);
        }
    }
    std::vector<std::string> beside;
    for (const std::string& path : clipFilesBeside(options.inputPath)) {
        if (!named.count(std::filesystem::weakly_canonical(path, unknown))) {
            beside.push_back(path);
        }
    }
    for (const auto& [paths, wasNamed] : {std::pair{beside, false}, std::pair{namedPaths, true}}) {
        std::vector<AnimationSource> clips = clipFileAnimations(paths, wasNamed, nodes, files, log);
        std::move(clips.begin(), clips.end(), std::back_inserter(all));
    }
    return all;
}

std::vector<AnimationSource> selectedAnimations(const aiScene& scene,
                                                const ConversionRequest& options,
                                                ConfinedFiles& files, ImportLog& log) {
    std::vector<AnimationSource> all = fileAnimations(scene, options, files, log);
    if (options.animations.empty()) {
        return all;
    }
    std::vector<AnimationSource> chosen;
    for (const std::string& wanted : options.animations) {
        const auto found = std::find_if(all.begin(), all.end(),
                                        [&](const AnimationSource& a) { return a.name == wanted; });
        if (found == all.end()) {
            std::string names;
            for (const AnimationSource& a : all) {
                names += (names.empty() ? "" : ", ") + ("\"" + a.name + "\"");
            }
            throw ArgumentError(options.inputPath + ": has no animation \"" + wanted +
                                "\" (it has " + (names.empty() ? std::string("none") : names) +
                                ")");
        }
        chosen.push_back(std::move(*found));
        all.erase(found);
    }
    return chosen;
}

bool isFinite(const Matrix4& m) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (!std::isfinite(m[r][c])) {
                return false;
            }
        }
    }
    return true;
}

// Bones and animation channels find their nodes by name; a name that several
// nodes carry is resolved by NodesByName's rule, which the user is told, since
// the file itself may have meant another of them.
void warnAboutSharedNames(const aiScene& scene, const NodesByName& nodes, ImportLog& log) {
    std::set<std::string> named;
    for (unsigned int m = 0; m < scene.mNumMeshes; ++m) {
        for (unsigned int b = 0; b < scene.mMeshes[m]->mNumBones; ++b) {
            named.insert(scene.mMeshes[m]->mBones[b]->mName.C_Str());
        }
    }
    for (unsigned int a = 0; a < scene.mNumAnimations; ++a) {
        for (unsigned int c = 0; c < scene.mAnimations[a]->mNumChannels; ++c) {
            named.insert(scene.mAnimations[a]->mChannels[c]->mNodeName.C_Str());
        }
    }
    for (const std::string& name : named) {
        const std::size_t count = nodes.count(name);
        if (count > 1) {
            const bool joint = nodes.find(name)->mNumMeshes == 0;
            log.warn(std::to_string(count) + " nodes are named \"" + name +
                     "\"; the bones and animation channels of that name were bound to the first " +
                     (joint ? "that holds no mesh" : "of them"));
        }
    }
}

// Every vertex of the instances with what places it: bone, weight and the
// matrix into the bone's frame.
struct SkinSource {
    std::vector<Vector3> positions;
    std::vector<std::vector<VertexInfluence>> influences;
    std::vector<Matrix4> toBone;
};

SkinSource collectSkin(const std::vector<MeshInstance>& instances, const NodesByName& nodes,
                       const Skeleton& skeleton, ImportLog& log) {
    SkinSource skin;
    // Matrix4 0, the identity, carries the vertices of a mesh without bones into
    // the frame of the node that holds it.
    skin.toBone.push_back(Matrix4());
    std::size_t unweighted = 0;
    for (const MeshInstance& instance : instances) {
        const aiMesh& mesh = *instance.mesh;
        const std::size_t first = skin.positions.size();
        for (unsigned int v = 0; v < mesh.mNumVertices; ++v) {
            skin.positions.push_back(toGeometry(mesh.mVertices[v]));
        }
        skin.influences.resize(skin.positions.size());
        for (std::size_t v = first; v < skin.positions.size(); ++v) {
            skin.influences[v].reserve(kMaxInfluences);
        }
        if (!mesh.HasBones()) {
            const int bone = skeleton.boneOf(instance.node);
            for (std::size_t v = first; v < skin.positions.size(); ++v) {
                skin.influences[v].push_back({bone, 1.0, 0});
            }
            continue;
        }
        for (unsigned int b = 0; b < mesh.mNumBones; ++b) {
            const aiBone& bone = *mesh.mBones[b];
            const std::size_t matrix = skin.toBone.size();
            skin.toBone.push_back(toGeometry(bone.mOffsetMatrix));
            const int boneIndex = skeleton.boneOf(nodes.find(bone.mName.C_Str()));
            for (unsigned int w = 0; w < bone.mNumWeights; ++w) {
                const aiVertexWeight& weight = bone.mWeights[w];
                if (boneIndex >= 0 && weight.mWeight > 0 && std::isfinite(weight.mWeight) &&
                    weight.mVertexId < mesh.mNumVertices) {
                    skin.influences[first + weight.mVertexId].push_back(
                        {boneIndex, weight.mWeight, matrix});
                }
            }
        }
        // A vertex that no bone moves stays where the rest pose puts it, carried
        // by the root.
        const std::size_t meshToRoot = skin.toBone.size();
        skin.toBone.push_back(inverse(restGlobal(*skeleton.nodes.front())) *
                              restGlobal(*instance.node));
        for (std::size_t v = first; v < skin.positions.size(); ++v) {
            if (skin.influences[v].empty()) {
                ++unweighted;
                skin.influences[v].push_back({0, 1.0, meshToRoot});
            }
        }
    }
    std::size_t limited = 0;
    for (auto& influences : skin.influences) {
        limited += keepLargestInfluences(influences, kMaxInfluences) ? 1 : 0;
    }
    if (unweighted > 0) {
        log.warn(counted(unweighted, "vertex", "vertices") +
                 " of skinned meshes had no bone weights and were bound rigidly to the root bone");
    }
    if (limited > 0) {
        log.warn(counted(limited, "vertex", "vertices") + " had more than " +
                 std::to_string(kMaxInfluences) + " bone influences; the " +
                 std::to_string(kMaxInfluences) +
                 " largest were kept, rescaled to the same total weight");
    }
    return skin;
}

// Where the vertices stand in the rest pose under the transform `frame`. The
// transform of each pair of bone and matrix is made once, for all the vertices
// that it carries.
std::vector<Vector3> restPositions(const SkinSource& skin, const std::vector<Matrix4>& globals,
                                   const Matrix4& frame) {
    std::map<std::pair<int, std::size_t>, Matrix4> toModel;
    std::vector<Vector3> positions;
    positions.reserve(skin.positions.size());
    for (std::size_t v = 0; v < skin.positions.size(); ++v) {
        Vector3 sum;
        for (const VertexInfluence& influence : skin.influences[v]) {
            const auto [made, isNew] = toModel.try_emplace({influence.bone, influence.toBone});
            if (isNew) {
                made->second = frame * globals[influence.bone] * skin.toBone[influence.toBone];
            }
            sum = sum + influence.weight * applyToPoint(made->second, skin.positions[v]);
        }
        positions.push_back(sum);
    }
    return positions;
}

// The unit normal of every vertex: the mean of its triangles' normals weighted
// by their areas (zero for a vertex of no triangle with an area).
std::vector<Vector3> vertexNormals(const std::vector<MeshInstance>& instances,
                                   const std::vector<Vector3>& positions) {
    std::vector<Vector3> normals(positions.size());
    std::size_t first = 0;
    for (const MeshInstance& instance : instances) {
        for (unsigned int f = 0; f < instance.mesh->mNumFaces; ++f) {
            const aiFace& face = instance.mesh->mFaces[f];
            if (face.mNumIndices != 3) {
                continue;
            }
            const std::size_t a = first + face.mIndices[0];
            const std::size_t b = first + face.mIndices[1];
            const std::size_t c = first + face.mIndices[2];
            const Vector3 twiceArea =
                Geometry::cross(positions[b] - positions[a], positions[c] - positions[a]);
            for (std::size_t corner : {a, b, c}) {
                normals[corner] = normals[corner] + twiceArea;
            }
        }
        first += instance.mesh->mNumVertices;
    }
    for (Vector3& normal : normals) {
        const double length = Geometry::length(normal);
        normal = length > 0 && std::isfinite(length) ? (1.0 / length) * normal : Vector3();
    }
    return normals;
}

// How many keys an animation gets at rate frames per second: one at every
// frame from 0 to its end inclusive; too many for a motion file is refused.
uint32_t keyCount(const AnimationSource& source, std::size_t boneCount, int32_t rate,
                  const std::string& inputPath) {
    const double frames = std::ceil(source.durationSeconds * rate - 1e-9) + 1;
    if (!std::isfinite(frames) || frames * boneCount > static_cast<double>(kMaxKeysPerAnimation)) {
        throw LoadError(inputPath, "cannot convert: animation \"" + source.name + "\" lasts " +
                                       std::to_string(source.durationSeconds) + " s, which at " +
                                       std::to_string(rate) + " frames per second for " +
                                       std::to_string(boneCount) +
                                       " bones is more keys than a motion file holds (" +
                                       std::to_string(kMaxKeysPerAnimation) +
                                       "); lower --rate or leave it out with --animations");
    }
    return static_cast<uint32_t>(std::max(1.0, frames));
}

// The time of key `frame`; the last keys are clamped to the end.
double keySeconds(uint32_t frame, int32_t rate, double durationSeconds) {
    return std::min(static_cast<double>(frame) / rate, durationSeconds);
}

// How far the skin's poses reach out of the reset view's window: for each
// side, the largest dot(normal, p) of any vertex p in any pose added, in the
// turned file's axes (before scaling and placing). Each pair of bone and matrix
// is made into the sides' four functionals once per pose, so that a vertex
// costs four short sums per influence.
//
// Most vertices cannot beat the reach found so far in most poses, so the skin
// is cut into runs of consecutive vertices, and a run is summed only when a
// bound on its sums may beat it: weights are positive, so a vertex's sum is at
// most its weights' sum times the largest of its pairs' functionals over the
// run's box of positions, less the slack that covers rounding. A skipped sum
// would have left the reach as it was; the runs that are summed go in the
// skin's order, as before, so the reach is the same to the bit (the sign of a
// zero included).
class ViewReach {
  public:
    ViewReach(const SkinSource& skin, const Matrix4& upAxis, const std::array<WindowSide, 4>& sides)
        : skin_(skin), upAxis_(upAxis) {
        for (int k = 0; k < 4; ++k) {
            const Vector3& n = sides[k].normal;
            normals_[k] = Geometry::Vector4(n.x, n.y, n.z, 0);
        }
        std::map<std::pair<int, std::size_t>, uint32_t> index;
        firstInfluence_.reserve(skin.influences.size() + 1);
        for (const auto& influences : skin.influences) {
            firstInfluence_.push_back(pairOf_.size());
            for (const VertexInfluence& influence : influences) {
                const auto [found, isNew] = index.try_emplace({influence.bone, influence.toBone},
                                                              static_cast<uint32_t>(pairs_.size()));
                if (isNew) {
                    pairs_.push_back(found->first);
                }
                pairOf_.push_back(found->second);
            }
        }
        firstInfluence_.push_back(pairOf_.size());
        functionals_.resize(pairs_.size());
        for (std::size_t first = 0; first < skin.positions.size(); first += kRun) {
            runs_.push_back(run(first, std::min(first + kRun, skin.positions.size())));
        }
    }

    void add(const std::vector<Matrix4>& globals) {
        for (std::size_t i = 0; i < pairs_.size(); ++i) {
            functionals_[i] =
                normals_ * (upAxis_ * globals[pairs_[i].first] * skin_.toBone[pairs_[i].second]);
        }
        for (const Run& run : runs_) {
            if (mayReach(run)) {
                addExactly(run.first, run.end);
            }
        }
    }

    const std::array<double, 4>& reach() const { return reach_; }

  private:
    // Vertices per run: small enough for tight boxes, large enough that the
    // bounds cost little beside the sums they spare.
    static constexpr std::size_t kRun = 32;

    struct Run {
        std::size_t first = 0;
        std::size_t end = 0;
        Vector3 low;
        Vector3 high;
        // The least and largest sum of a vertex's weights.
        double leastWeight = 0.0;
        double mostWeight = 0.0;
        // The pairs of the run's influences, each once.
        std::vector<uint32_t> pairs;
    };

    Run run(std::size_t first, std::size_t end) const {
        constexpr double kInfinity = std::numeric_limits<double>::infinity();
        Run run{first,
                end,
                Vector3(kInfinity, kInfinity, kInfinity),
                Vector3(-kInfinity, -kInfinity, -kInfinity),
                kInfinity,
                0.0,
                {}};
        for (std::size_t v = first; v < end; ++v) {
            const Vector3& u = skin_.positions[v];
            run.low = Vector3(std::min(run.low.x, u.x), std::min(run.low.y, u.y),
                              std::min(run.low.z, u.z));
            run.high = Vector3(std::max(run.high.x, u.x), std::max(run.high.y, u.y),
                               std::max(run.high.z, u.z));
            double weight = 0.0;
            for (const VertexInfluence& influence : skin_.influences[v]) {
                weight += influence.weight;
            }
            run.leastWeight = std::min(run.leastWeight, weight);
            run.mostWeight = std::max(run.mostWeight, weight);
            run.pairs.insert(run.pairs.end(), pairOf_.begin() + firstInfluence_[v],
                             pairOf_.begin() + firstInfluence_[v + 1]);
        }
        std::sort(run.pairs.begin(), run.pairs.end());
        run.pairs.erase(std::unique(run.pairs.begin(), run.pairs.end()), run.pairs.end());
        return run;
    }

    // Whether some vertex of the run may reach further than reach_ on a side in
    // the pose of functionals_. True where the bound is not a finite number, so
    // that such runs are always summed. A point at no number, left out of the
    // box, has no finite sum, nor has an influence whose functional is not
    // finite, and neither ever counts.
    bool mayReach(const Run& run) const {
        const Vector3& lo = run.low;
        const Vector3& hi = run.high;
        const Vector3 far(std::max(std::abs(lo.x), std::abs(hi.x)),
                          std::max(std::abs(lo.y), std::abs(hi.y)),
                          std::max(std::abs(lo.z), std::abs(hi.z)));
        for (int k = 0; k < 4; ++k) {
            double most = -std::numeric_limits<double>::infinity();
            // A bound on the size of any term of the sums, for the slack.
            double size = 0.0;
            for (const uint32_t pair : run.pairs) {
                const Geometry::Vector4& f = functionals_[pair][k];
                const double reach = f.w + std::max(f.x * lo.x, f.x * hi.x) +
                                     std::max(f.y * lo.y, f.y * hi.y) +
                                     std::max(f.z * lo.z, f.z * hi.z);
                if (std::isnan(reach)) {
                    return true;
                }
                most = std::max(most, reach);
                size = std::max(size, std::abs(f.x) * far.x + std::abs(f.y) * far.y +
                                          std::abs(f.z) * far.z + std::abs(f.w));
            }
            // Rounding moves a sum of at most four influences by far less than
            // this.
            const double slack = 1e-9 * run.mostWeight * size;
            if (!std::isfinite(most) || !std::isfinite(slack) ||
                !(run.leastWeight * most + slack <= reach_[k] &&
                  run.mostWeight * most + slack <= reach_[k])) {
                return true;
            }
        }
        return false;
    }

    void addExactly(std::size_t first, std::size_t end) {
        std::size_t next = firstInfluence_[first];
        for (std::size_t v = first; v < end; ++v) {
            const Vector3& u = skin_.positions[v];
            double sum[4] = {0, 0, 0, 0};
            for (const VertexInfluence& influence : skin_.influences[v]) {
                const Matrix4& f = functionals_[pairOf_[next++]];
                for (int k = 0; k < 4; ++k) {
                    sum[k] +=
                        influence.weight * (f[k].x * u.x + f[k].y * u.y + f[k].z * u.z + f[k].w);
                }
            }
            // A point at no number is refused later, with its own message.
            for (int k = 0; k < 4; ++k) {
                if (std::isfinite(sum[k])) {
                    reach_[k] = std::max(reach_[k], sum[k]);
                }
            }
        }
    }

    const SkinSource& skin_;
    Matrix4 upAxis_;
    // The sides' normals as rows.
    Matrix4 normals_;
    std::vector<std::pair<int, std::size_t>> pairs_;
    // The pair of each influence, in the skin's order, and where each vertex's
    // influences start among them.
    std::vector<uint32_t> pairOf_;
    std::vector<std::size_t> firstInfluence_;
    std::vector<Run> runs_;
    std::vector<Matrix4> functionals_;
    std::array<double, 4> reach_ = {
        -std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
};

// The framing: the file's axes to the viewer's, then (for a height above 0)
// scaled so that the rest pose is that tall and centred on x = z = 0, raised
// as little as keeps every shown pose (every key of every animation, or the
// rest pose without any) kViewMargin above the reset view's bottom edge, and
// scaled down as far as needed for them to stay kViewMargin inside its other
// edges too.
//
// A point q of a pose is placed at p = s * (q - c) + h * up, and each side's
// condition dot(n, p) + margin <= offset is linear in the scale s and the
// height h: with the reach R = max dot(n, q) over all poses,
// s * (R - dot(n, c)) + h * n.y + margin <= offset. The bottom side gives the
// least h for each s (h = a * s + b), after which every other side bounds s.
// This holds exactly for vertices whose weights sum to one (as glTF requires);
// where they do not, the viewer moves a vertex by the framing's translation
// times its weights' sum, and the fit is off by that much.
Matrix4 framing(const SkinSource& skin, const Skeleton& skeleton,
                const std::vector<AnimationSource>& animations, int32_t rate,
                const std::vector<Matrix4>& restGlobals, const Matrix4& upAxis, double height,
                const std::string& inputPath, ImportLog& log) {
    if (height <= 0) {
        return upAxis;
    }
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    Vector3 low(kInfinity, kInfinity, kInfinity);
    Vector3 high(-kInfinity, -kInfinity, -kInfinity);
    for (const Vector3& p : restPositions(skin, restGlobals, upAxis)) {
        low = Vector3(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
        high = Vector3(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
    }
    const Vector3 size = high - low;
    const double extent = size.y > 0 ? size.y : std::max({size.x, size.z, 0.0});
    const double restScale = extent > 0 && std::isfinite(extent) ? height / extent : 1.0;
    const Vector3 centre(0.5 * (low.x + high.x), low.y, 0.5 * (low.z + high.z));

    Camera camera;
    camera.reset();
    // The window as the viewer opens it.
    const std::array<WindowSide, 4> sides = windowSides(camera, *frustumFor(640, 480));
    ViewReach reach(skin, upAxis, sides);
    if (animations.empty()) {
        reach.add(restGlobals);
    }
    for (const AnimationSource& animation : animations) {
        log.stage("fitting animation \"" + animation.name + "\" into the view");
        const uint32_t keys = keyCount(animation, skeleton.nodes.size(), rate, inputPath);
        for (uint32_t f = 0; f < keys; ++f) {
            reach.add(
                boneGlobals(skeleton, &animation, keySeconds(f, rate, animation.durationSeconds)));
            log.progress(static_cast<double>(f + 1) / keys);
        }
    }

    // Each side's condition as s * across + h * n.y <= room.
    std::array<double, 4> across;
    std::array<double, 4> room;
    for (int k = 0; k < 4; ++k) {
        const Vector3& n = sides[k].normal;
        const double margin = kViewMargin * (std::abs(n.x) + std::abs(n.y));
        across[k] = reach.reach()[k] - Geometry::dot(n, centre);
        room[k] = sides[k].offset - margin;
    }
    const double bottomRise = -sides[0].normal.y;
    if (!std::isfinite(across[0]) || !(bottomRise > 0)) {
        return translation(-restScale * centre) *
               scaling(Vector3(restScale, restScale, restScale)) * upAxis;
    }
    double scale = restScale;
    for (int k = 1; k < 4; ++k) {
        const double n = sides[k].normal.y;
        const double perScale = across[k] + across[0] / bottomRise * n;
        const double free = room[k] + room[0] / bottomRise * n;
        if (perScale > 0 && free > 0 && perScale * scale > free) {
            scale = free / perScale;
        }
    }
    const double raise = (scale * across[0] - room[0]) / bottomRise;
    return translation(Vector3(0, raise, 0) - scale * centre) *
           scaling(Vector3(scale, scale, scale)) * upAxis;
}

Keyframe keyOf(const Matrix3& rotation, const Vector3& translation) {
    Vector3 x, y, z;
    columns(rotation, x, y, z);
    return {Geometry::rotationFromAxes(x, y, z), translation};
}

// The local keys of every bone for the model-space transforms frame * globals:
// each bone's rigid part relative to its parent's. scaled is set when a
// residual differs from the rest pose's.
void appendKeys(const Skeleton& skeleton, const Matrix4& frame, const std::vector<Matrix4>& globals,
                const std::vector<Matrix3>& restResiduals, Animation& animation, bool& scaled) {
    std::vector<RigidSplit> splits;
    splits.reserve(globals.size());
    for (std::size_t b = 0; b < globals.size(); ++b) {
        splits.push_back(splitRigid(frame * globals[b]));
        scaled = scaled || residualsDiffer(splits[b].residual, restResiduals[b]);
        Matrix3 rotation = splits[b].rotation;
        Vector3 translation = splits[b].translation;
        if (skeleton.parents[b] >= 0) {
            const RigidSplit& parent = splits[skeleton.parents[b]];
            const Matrix3 parentInverse = transposed(parent.rotation);
            rotation = parentInverse * rotation;
            translation = apply(parentInverse, translation - parent.translation);
        }
        Keyframe key = keyOf(rotation, translation);
        auto& keys = animation.tracks[b]->keys;
        if (!keys.empty() && Geometry::dot(keys.back().rotation, key.rotation) < 0) {
            key.rotation = key.rotation * -1.0;
        }
        keys.push_back(key);
    }
}

bool isFinite(const Keyframe& key) {
    const auto& q = key.rotation;
    const auto& t = key.translation;
    return std::isfinite(q.w) && std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z) &&
           std::isfinite(t.x) && std::isfinite(t.y) && std::isfinite(t.z);
}

Animation emptyAnimation(std::size_t boneCount, uint32_t frameCount) {
    Animation animation;
    animation.frameCount = frameCount;
    for (std::size_t b = 0; b < boneCount; ++b) {
        animation.tracks[b] = std::make_unique<BoneTrack>();
        animation.tracks[b]->keys.reserve(frameCount);
    }
    return animation;
}

Animation sampleAnimation(const AnimationSource& source, const Skeleton& skeleton,
                          const Matrix4& frame, const std::vector<Matrix3>& restResiduals,
                          int32_t rate, const std::string& inputPath, ImportLog& log) {
    const uint32_t frameCount = keyCount(source, skeleton.nodes.size(), rate, inputPath);
    Animation animation = emptyAnimation(skeleton.nodes.size(), frameCount);
    bool scaled = false;
    for (uint32_t f = 0; f < frameCount; ++f) {
        appendKeys(skeleton, frame,
                   boneGlobals(skeleton, &source, keySeconds(f, rate, source.durationSeconds)),
                   restResiduals, animation, scaled);
        log.progress(static_cast<double>(f + 1) / frameCount);
    }
    for (std::size_t b = 0; b < skeleton.nodes.size(); ++b) {
        for (const Keyframe& key : animation.tracks[b]->keys) {
            if (!isFinite(key)) {
                throw LoadError(inputPath, "cannot convert: animation \"" + source.name +
                                               "\" moves node \"" +
                                               skeleton.nodes[b]->mName.C_Str() +
                                               "\" to a place that is not a finite number");
            }
        }
    }
    if (scaled) {
        log.warn("animation \"" + source.name +
                 "\" scales bones, which a motion file cannot express (it holds rotations and "
                 "translations only); the scaling is left out");
    }
    return animation;
}

}  // namespace

bool keepLargestInfluences(std::vector<VertexInfluence>& influences, std::size_t limit) {
    // Merged in place: the first of each bone and matrix moves forwards and
    // takes the later ones' weights.
    auto merged = influences.begin();
    for (const VertexInfluence& influence : influences) {
        const auto same = std::find_if(influences.begin(), merged, [&](const auto& m) {
            return m.bone == influence.bone && m.toBone == influence.toBone;
        });
        if (same == merged) {
            *merged++ = influence;
        } else {
            same->weight += influence.weight;
        }
    }
    influences.erase(merged, influences.end());
    if (influences.size() <= limit) {
        return false;
    }
    double total = 0.0;
    for (const VertexInfluence& influence : influences) {
        total += influence.weight;
    }
    std::stable_sort(influences.begin(), influences.end(),
                     [](const auto& a, const auto& b) { return a.weight > b.weight; });
    influences.resize(limit);
    double kept = 0.0;
    for (const VertexInfluence& influence : influences) {
        kept += influence.weight;
    }
    for (VertexInfluence& influence : influences) {
        influence.weight *= total / kept;
    }
    return true;
}

ImportedCharacter buildCharacter(const aiScene& scene, const ConversionRequest& options,
                                 ConfinedFiles& files, ImportLog& log) {
    const std::string& input = options.inputPath;
    std::vector<AnimationSource> animations = selectedAnimations(scene, options, files, log);
    log.stage("building the skeleton and skin");
    const std::vector<MeshInstance> instances = meshInstances(scene);
    if (instances.empty()) {
        throw LoadError(input, "cannot convert: the file holds no triangle mesh");
    }
    for (const MeshInstance& instance : instances) {
        const aiMesh& mesh = *instance.mesh;
        for (unsigned int f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            for (unsigned int i = 0; i < face.mNumIndices; ++i) {
                if (face.mIndices[i] >= mesh.mNumVertices) {
                    throw LoadError(input, "cannot convert: face " + std::to_string(f + 1) +
                                               " of mesh \"" + mesh.mName.C_Str() +
                                               "\" names vertex " +
                                               std::to_string(face.mIndices[i] + 1) + " of " +
                                               std::to_string(mesh.mNumVertices));
                }
            }
        }
    }
    const NodesByName nodes(scene);
    warnAboutSharedNames(scene, nodes, log);
    const Skeleton skeleton = chooseSkeleton(nodes, instances, input);
    const SkinSource skin = collectSkin(instances, nodes, skeleton, log);
    if (skin.positions.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
        throw LoadError(input, "cannot convert: more vertices than a model holds");
    }

    const std::vector<Matrix4> restGlobals = boneGlobals(skeleton, nullptr, 0.0);
    const Matrix4 frame =
        framing(skin, skeleton, animations, options.rate, restGlobals,
                orientation(scene, options.keepFacing), options.height, input, log);
    std::vector<Matrix3> restResiduals;
    for (const Matrix4& global : restGlobals) {
        restResiduals.push_back(splitRigid(frame * global).residual);
    }

    ImportedCharacter character;
    Model& model = *character.model;
    model.playbackRate = options.rate;
    model.rootBone = 0;
    for (std::size_t b = 0; b < skeleton.nodes.size(); ++b) {
        model.bones[b] = std::make_unique<Bone>();
        model.bones[b]->name = skeleton.nodes[b]->mName.C_Str();
        if (skeleton.parents[b] >= 0) {
            model.bones[skeleton.parents[b]]->children.push_back(static_cast<uint8_t>(b));
        }
    }
    std::size_t influenceCount = 0;
    for (const auto& influences : skin.influences) {
        influenceCount += influences.size();
    }
    model.influenceCounts.reserve(skin.positions.size());
    model.influences.reserve(influenceCount);
    for (std::size_t v = 0; v < skin.positions.size(); ++v) {
        model.influenceCounts.push_back(static_cast<uint8_t>(skin.influences[v].size()));
        for (const VertexInfluence& influence : skin.influences[v]) {
            const Vector3 inBone =
                apply(restResiduals[influence.bone],
                      applyToPoint(skin.toBone[influence.toBone], skin.positions[v]));
            if (!isFinite(inBone) || !isFinite(restGlobals[influence.bone])) {
                throw LoadError(input, "cannot convert: vertex " + std::to_string(v + 1) +
                                           " has a rest position that is not a finite number");
            }
            model.influences.push_back(
                {inBone, static_cast<uint8_t>(influence.bone), influence.weight});
        }
    }

    log.stage("building the texture");
    Surface surface = buildSurface(
        scene, instances, vertexNormals(instances, restPositions(skin, restGlobals, frame)), input,
        files, log);
    character.texture = std::move(surface.image);
    character.texturePng = std::move(surface.png);
    model.mappingCoords = std::move(surface.coords);
    model.faces.reserve(surface.triangleCoords.size());
    std::size_t triangle = 0;
    int32_t firstVertex = 0;
    for (const MeshInstance& instance : instances) {
        for (unsigned int f = 0; f < instance.mesh->mNumFaces; ++f) {
            const aiFace& face = instance.mesh->mFaces[f];
            if (face.mNumIndices != 3) {
                continue;
            }
            Face out;
            for (int corner = 0; corner < 3; ++corner) {
                out.vertexIndex[corner] = firstVertex + static_cast<int32_t>(face.mIndices[corner]);
                out.mappingIndex[corner] = surface.triangleCoords[triangle][corner];
            }
            model.faces.push_back(out);
            ++triangle;
        }
        firstVertex += static_cast<int32_t>(instance.mesh->mNumVertices);
    }

    if (animations.empty()) {
        log.warn("the file holds no animation; one frame of its rest pose was written instead");
        Animation rest = emptyAnimation(skeleton.nodes.size(), 1);
        bool scaled = false;
        appendKeys(skeleton, frame, restGlobals, restResiduals, rest, scaled);
        model.animations.push_back(std::move(rest));
        character.animationNames.push_back("Rest pose");
    }
    for (std::size_t a = 0; a < animations.size(); ++a) {
        log.stage("sampling animation \"" + animations[a].name + "\" (" + std::to_string(a + 1) +
                  " of " + std::to_string(animations.size()) + ")");
        model.animations.push_back(sampleAnimation(animations[a], skeleton, frame, restResiduals,
                                                   options.rate, input, log));
        character.animationNames.push_back(animations[a].name);
    }
    return character;
}

}  // namespace importer
}  // namespace velmora
