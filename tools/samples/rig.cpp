#include "tools/samples/rig.h"

#include <memory>
#include <stdexcept>

namespace velmora {
inline namespace samples {

int Rig::add(const std::string& name, const std::string& parent, const Vector3& joint) {
    if (has(name) || (parent.empty() != bones_.empty())) {
        throw std::logic_error("bone \"" + name + "\" cannot be added");
    }
    bones_.push_back({name, parent.empty() ? -1 : index(parent), joint});
    if (size() > kMaxBones) {
        throw std::logic_error("more than " + std::to_string(kMaxBones) + " bones");
    }
    return size() - 1;
}

int Rig::index(const std::string& name) const {
    for (int i = 0; i < size(); ++i) {
        if (bones_[i].name == name) {
            return i;
        }
    }
    throw std::logic_error("no bone \"" + name + "\"");
}

bool Rig::has(const std::string& name) const {
    for (const RigBone& bone : bones_) {
        if (bone.name == name) {
            return true;
        }
    }
    return false;
}

void Rig::fillSkeleton(Model& model) const {
    for (int i = 0; i < size(); ++i) {
        model.bones[i] = std::make_unique<Bone>();
        if (bones_[i].parent >= 0) {
            model.bones[bones_[i].parent]->children.push_back(static_cast<uint8_t>(i));
        }
    }
    model.rootBone = 0;
}

RigPose::RigPose(const Rig& rig) : rotation(rig.size(), kIdentity), translation(rig.size()) {
    for (int i = 0; i < rig.size(); ++i) {
        const RigBone& bone = rig.bone(i);
        translation[i] = bone.parent < 0 ? bone.joint : bone.joint - rig.bone(bone.parent).joint;
    }
}

Vector3 WorldPose::carry(const Rig& rig, int bone, const Vector3& restPoint) const {
    return position[bone] + rotate(rotation[bone], restPoint - rig.bone(bone).joint);
}

WorldPose solveWorld(const Rig& rig, const RigPose& pose) {
    WorldPose world{std::vector<Quaternion>(rig.size()), std::vector<Vector3>(rig.size())};
    // Parents always precede their children, so one pass in index order suffices.
    for (int i = 0; i < rig.size(); ++i) {
        const int parent = rig.bone(i).parent;
        if (parent < 0) {
            world.rotation[i] = pose.rotation[i];
            world.position[i] = pose.translation[i];
        } else {
            world.rotation[i] = world.rotation[parent] * pose.rotation[i];
            world.position[i] =
                world.position[parent] + rotate(world.rotation[parent], pose.translation[i]);
        }
    }
    return world;
}

}  // namespace samples
}  // namespace velmora
