#pragma once
// Which nodes of the scene become bones: the nodes whose bones deform a mesh,
// the nodes that carry a mesh without bones (bound rigidly to them), every node
// on the way from those up to their lowest common ancestor, and that ancestor as
// the root. Nodes that neither deform nor lead to a deforming node are left out.

#include <assimp/scene.h>

#include <map>
#include <string>
#include <vector>

namespace velmora {
inline namespace importer {

// One triangle mesh placed in the scene: by the node that holds it, or, for a
// skinned mesh, by its bones (the node then only names it, and a skinned mesh
// placed by several nodes is used once).
struct MeshInstance {
    const aiNode* node = nullptr;
    const aiMesh* mesh = nullptr;
    unsigned int materialIndex = 0;
};

std::vector<MeshInstance> meshInstances(const aiScene& scene);

// The scene's nodes by name: how bones and animation channels, which name the
// nodes they move, find them. Several nodes may share a name, as when the node
// that places a skinned mesh is named after the mesh's root joint; the node
// meant is then taken to be the first in pre-order that holds no mesh, since
// meshes hang from the skeleton but joints carry none (failing that, the first).
class NodesByName {
  public:
    explicit NodesByName(const aiScene& scene);
    // Nothing when no node has the name.
    const aiNode* find(const std::string& name) const;
    // How many nodes carry the name.
    std::size_t count(const std::string& name) const;

  private:
    std::map<std::string, std::vector<const aiNode*>> nodes_;
};

struct Skeleton {
    // Node of each bone; bone 0 is the root and every parent precedes its
    // children (pre-order, children in the scene's order).
    std::vector<const aiNode*> nodes;
    // Bone index of each bone's parent; -1 for the root.
    std::vector<int> parents;

    // The bone index of node, or -1 when it is not a bone.
    int boneOf(const aiNode* node) const;
};

// The skeleton that the instances need. Throws LoadError (naming inputPath)
// when a bone names no node or more than kMaxBones bones would be needed.
Skeleton chooseSkeleton(const NodesByName& byName, const std::vector<MeshInstance>& instances,
                        const std::string& inputPath);

}  // namespace importer
}  // namespace velmora
