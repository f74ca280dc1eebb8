// SceneData lookups by name: linear scans, first match ignoring ASCII case. Bulk lookups over
// whole bone or track lists use SceneNameIndex instead.
#include "MeshAnimConverter/scene/SceneData.h"

int SceneAnimation::FindTrack(const char* target) const {
    for (int i = 0; i < tracks.Count(); ++i) {
        if (tracks[i].targetName.EqualsNoCase(target)) {
            return i;
        }
    }
    return -1;
}

int SceneData::FindBone(const char* name) const {
    for (int i = 0; i < bones.Count(); ++i) {
        if (bones[i].name.EqualsNoCase(name)) {
            return i;
        }
    }
    return -1;
}
