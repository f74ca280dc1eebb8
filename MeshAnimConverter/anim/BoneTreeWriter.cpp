// BoneTreeWriter: nested BONE chunks over an explicit stack.
#include "MeshAnimConverter/anim/BoneTreeWriter.h"

#include <vector>

#include "MeshAnimConverter/chunks/ChunkWriter.h"
#include "MeshAnimConverter/chunks/binofstream.h"

void WriteBoneTree(binofstream& out, const ExGenericSkeleton::Node* root, int32_t version,
                   int32_t boneVersion, const BoneWriter& writeBone) {
    const ChunkMark skel = BeginChunk(out, "SKEL");
    out.WriteI32(version);
    struct Open {
        const ExGenericSkeleton::Node* node;
        int nextChild;
        ChunkMark mark;
    };
    std::vector<Open> open;
    auto begin = [&](const ExGenericSkeleton::Node* node) {
        const ChunkMark mark = BeginChunk(out, "BONE");
        out.WriteI32(boneVersion);
        writeBone(out, *node);
        open.push_back({node, 0, mark});
    };
    if (root != nullptr) {
        begin(root);
    }
    while (!open.empty()) {
        Open& top = open.back();
        if (top.nextChild < top.node->children.Count()) {
            const ExGenericSkeleton::Node* child = top.node->children[top.nextChild++];
            begin(child);  // `top` is not used after this
        } else {
            EndChunk(out, top.mark);
            open.pop_back();
        }
    }
    EndChunk(out, skel);
}
