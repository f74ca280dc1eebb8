// PyAnimation: an animation and a progressive mesh of the dump model as the values of
// vantok.Animation and vantok.PmInfo.
//
// The frames become one frames × bones × 7 array (position x, y, z and the stored rotation
// x, y, z, w per bone, bones in the tree's pre-order). A frame holding fewer poses than the
// skeleton has bones leaves NaN in the missing rows, and extra poses are left out; validate
// reports both.
#include <algorithm>
#include <cmath>
#include <limits>

#include "tools/dump/JsonDump.h"
#include "tools/python/PyArrays.h"
#include "tools/python/PyValues.h"

namespace py = pybind11;

namespace {

py::array_t<float> Frames(const KinModel& kin) {
    const std::size_t bones = kin.bones.size();
    py::array_t<float> array({kin.frames.size(), bones, std::size_t{7}});
    auto view = array.mutable_unchecked<3>();
    const float missing = std::numeric_limits<float>::quiet_NaN();
    for (std::size_t f = 0; f < kin.frames.size(); ++f) {
        const auto& poses = kin.frames[f].poses;
        for (std::size_t b = 0; b < bones; ++b) {
            for (std::size_t k = 0; k < 7; ++k)
                view(f, b, k) = b < poses.size() ? poses[b][k] : missing;
        }
    }
    return array;
}

py::list Nodes(const std::vector<ChunkNode>& nodes) {
    py::list list;
    for (const ChunkNode& n : nodes) {
        py::dict d;
        d["id"] = Text(n.id);
        d["offset"] = n.offset;
        d["size"] = n.size;
        d["depth"] = n.depth;
        list.append(d);
    }
    return list;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

py::dict AnimationValues(const DumpFile& file) {
    const KinModel& kin = file.kin;
    py::list names;
    py::list parents;
    for (const TreeBone& b : kin.bones) {
        names.append(Text(b.name));
        parents.append(b.parent);
    }
    py::list events;
    for (const KinEvent& e : kin.events) {
        py::dict d;
        d["frame"] = e.frame;
        d["type"] = e.type;
        d["type_name"] = EventNameOf(e.type);
        d["name"] = Text(e.name);
        events.append(d);
    }
    py::dict d;
    d["path"] = file.path;
    d["name"] = Text(kin.name);
    d["frame_rate"] = kin.frameRate;
    d["frame_count"] = kin.frameCount;
    d["bone_names"] = names;
    d["bone_parents"] = parents;
    d["frames"] = Frames(kin);
    d["events"] = events;
    return d;
}

py::dict PmValues(const DumpFile& file) {
    // trimming removes the NINF chunks of each CHNK and the top-level PMIN chunks, in file order
    std::vector<ChunkNode> removed;
    for (const MeshChunk& c : file.im.chunks)
        removed.insert(removed.end(), c.progressive.begin(), c.progressive.end());
    removed.insert(removed.end(), file.im.progressive.begin(), file.im.progressive.end());
    std::sort(removed.begin(), removed.end(),
              [](const ChunkNode& a, const ChunkNode& b) { return a.offset < b.offset; });
    py::dict d;
    d["path"] = file.path;
    d["length"] = file.length;
    d["chunks"] = Nodes(file.tree);
    d["removed"] = Nodes(removed);
    return d;
}
