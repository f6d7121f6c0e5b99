#pragma once
// A character's skeleton as the generator designs it: named bones with their
// joint positions in the bind pose, where every bone's frame is parallel to the
// model's axes. A bone's bind transform is therefore a pure translation to its
// joint, and a vertex's offset in a bone's frame is its rest position minus
// that joint.

#include <string>
#include <vector>

#include "files/model.h"
#include "tools/samples/pose_math.h"

namespace velmora {
inline namespace samples {

struct RigBone {
    std::string name;
    // -1 for the root.
    int parent = -1;
    // Bind-pose position in model space.
    Vector3 joint;
};

class Rig {
  public:
    // Adds a bone under the bone called parent (an empty name makes the root,
    // which must come first); returns its index, which is its slot in the model.
    int add(const std::string& name, const std::string& parent, const Vector3& joint);
    // The index of the bone called name; throws std::logic_error when there is
    // none, since that is a fault in a character's description.
    int index(const std::string& name) const;
    bool has(const std::string& name) const;
    const RigBone& bone(int index) const { return bones_[index]; }
    const Vector3& joint(const std::string& name) const { return bones_[index(name)].joint; }
    int size() const { return static_cast<int>(bones_.size()); }

    // Puts the skeleton into model: one Bone per slot, children in the order
    // they were added, the first bone as root.
    void fillSkeleton(Model& model) const;

  private:
    std::vector<RigBone> bones_;
};

// Local transforms, one per bone: the rotation in the parent's frame and the
// offset from the parent's joint, as a keyframe stores them.
struct RigPose {
    std::vector<Quaternion> rotation;
    std::vector<Vector3> translation;

    // The bind pose: no rotation, each bone at its joint.
    explicit RigPose(const Rig& rig);

    Quaternion& rotationOf(const Rig& rig, const std::string& name) {
        return rotation[rig.index(name)];
    }
    Vector3& translationOf(const Rig& rig, const std::string& name) {
        return translation[rig.index(name)];
    }
};

// Model-space rotation and joint position of every bone.
struct WorldPose {
    std::vector<Quaternion> rotation;
    std::vector<Vector3> position;

    // Where a point given at its bind-pose place, carried rigidly by bone, is now.
    Vector3 carry(const Rig& rig, int bone, const Vector3& restPoint) const;
};

WorldPose solveWorld(const Rig& rig, const RigPose& pose);

}  // namespace samples
}  // namespace velmora
