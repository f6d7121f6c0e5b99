#include "import/skeleton.h"

#include <algorithm>
#include <functional>
#include <set>

#include "files/load_error.h"
#include "files/model.h"
#include "import/import_log.h"

namespace velmora {
inline namespace importer {

namespace {

bool isTriangleMesh(const aiMesh& mesh) {
    return (mesh.mPrimitiveTypes & aiPrimitiveType_TRIANGLE) && mesh.mNumFaces > 0;
}

bool hasWeights(const aiBone& bone) {
    return std::any_of(bone.mWeights, bone.mWeights + bone.mNumWeights,
                       [](const aiVertexWeight& w) { return w.mWeight > 0; });
}

int depth(const aiNode* node) {
    int d = 0;
    for (; node->mParent; node = node->mParent) {
        ++d;
    }
    return d;
}

const aiNode* commonAncestor(const aiNode* a, const aiNode* b) {
    int da = depth(a);
    int db = depth(b);
    for (; da > db; --da) {
        a = a->mParent;
    }
    for (; db > da; --db) {
        b = b->mParent;
    }
    while (a != b) {
        a = a->mParent;
        b = b->mParent;
    }
    return a;
}

}  // namespace

std::vector<MeshInstance> meshInstances(const aiScene& scene) {
    std::vector<MeshInstance> instances;
    std::set<const aiMesh*> skinnedMeshesUsed;
    std::function<void(const aiNode*)> visit = [&](const aiNode* node) {
        for (unsigned int i = 0; i < node->mNumMeshes; ++i) {
            if (node->mMeshes[i] >= scene.mNumMeshes) {
                continue;
            }
            const aiMesh* mesh = scene.mMeshes[node->mMeshes[i]];
            if (!isTriangleMesh(*mesh)) {
                continue;
            }
            if (mesh->HasBones() && !skinnedMeshesUsed.insert(mesh).second) {
                continue;
            }
            instances.push_back({node, mesh, mesh->mMaterialIndex});
        }
        for (unsigned int i = 0; i < node->mNumChildren; ++i) {
            visit(node->mChildren[i]);
        }
    };
    visit(scene.mRootNode);
    return instances;
}

NodesByName::NodesByName(const aiScene& scene) {
    std::function<void(const aiNode*)> visit = [&](const aiNode* node) {
        nodes_[node->mName.C_Str()].push_back(node);
        for (unsigned int i = 0; i < node->mNumChildren; ++i) {
            visit(node->mChildren[i]);
        }
    };
    visit(scene.mRootNode);
}

const aiNode* NodesByName::find(const std::string& name) const {
    const auto found = nodes_.find(name);
    if (found == nodes_.end()) {
        return nullptr;
    }
    const auto& nodes = found->second;
    const auto joint = std::find_if(nodes.begin(), nodes.end(),
                                    [](const aiNode* node) { return node->mNumMeshes == 0; });
    return joint == nodes.end() ? nodes.front() : *joint;
}

std::size_t NodesByName::count(const std::string& name) const {
    const auto found = nodes_.find(name);
    return found == nodes_.end() ? 0 : found->second.size();
}

int Skeleton::boneOf(const aiNode* node) const {
    const auto found = std::find(nodes.begin(), nodes.end(), node);
    return found == nodes.end() ? -1 : static_cast<int>(found - nodes.begin());
}

Skeleton chooseSkeleton(const NodesByName& byName, const std::vector<MeshInstance>& instances,
                        const std::string& inputPath) {
    std::vector<const aiNode*> deforming;
    for (const MeshInstance& instance : instances) {
        const bool weighted =
            std::any_of(instance.mesh->mBones, instance.mesh->mBones + instance.mesh->mNumBones,
                        [](const aiBone* bone) { return hasWeights(*bone); });
        if (!weighted) {
            // Without a bone that moves it, the mesh is held by its own node.
            deforming.push_back(instance.node);
            continue;
        }
        for (unsigned int b = 0; b < instance.mesh->mNumBones; ++b) {
            const aiBone& bone = *instance.mesh->mBones[b];
            if (!hasWeights(bone)) {
                continue;
            }
            const aiNode* node = byName.find(bone.mName.C_Str());
            if (!node) {
                throw LoadError(inputPath, "cannot convert: bone \"" +
                                               std::string(bone.mName.C_Str()) + "\" of mesh \"" +
                                               instance.mesh->mName.C_Str() +
                                               "\" names no node of the scene");
            }
            deforming.push_back(node);
        }
    }
    Skeleton skeleton;
    if (deforming.empty()) {
        return skeleton;
    }
    const aiNode* root = deforming.front();
    for (const aiNode* node : deforming) {
        root = commonAncestor(root, node);
    }
    std::set<const aiNode*> needed{root};
    for (const aiNode* node : deforming) {
        for (; node != root; node = node->mParent) {
            needed.insert(node);
        }
    }
    if (needed.size() > static_cast<std::size_t>(kMaxBones)) {
        throw LoadError(inputPath,
                        "cannot convert: the skeleton needs " + std::to_string(needed.size()) +
                            " bones (the bones that deform the meshes and the nodes between "
                            "them), but a model holds at most " +
                            std::to_string(kMaxBones));
    }
    std::function<void(const aiNode*, int)> visit = [&](const aiNode* node, int parent) {
        const int index = static_cast<int>(skeleton.nodes.size());
        skeleton.nodes.push_back(node);
        skeleton.parents.push_back(parent);
        for (unsigned int i = 0; i < node->mNumChildren; ++i) {
            if (needed.count(node->mChildren[i])) {
                visit(node->mChildren[i], index);
            }
        }
    };
    visit(root, -1);
    return skeleton;
}

}  // namespace importer
}  // namespace velmora
