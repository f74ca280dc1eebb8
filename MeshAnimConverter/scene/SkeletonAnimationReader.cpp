// The skeleton and animation blocks of the interchange file, with the "b." prefix rule, handed
// to the skeleton and animation preparation as each block is complete.
#include <cstring>

#include "MeshAnimConverter/scene/InterchangeReader.h"
#include "MeshAnimConverter/scene/InterchangeValues.h"
#include "MeshAnimConverter/scene/SkeletonPreparer.h"
#include "toolkit/tlLog.h"
#include "xml/gtXmlCompactDoc.h"

namespace {

// A value that is not empty and does not begin with "b." (with case) gets the prefix, and the
// warning `message` names the new value.
void ApplyBonePrefix(gtString& value, const char* message, tlLog& log) {
    if (value.IsEmpty() || std::strncmp(value.c_str(), "b.", 2) == 0) {
        return;
    }
    gtString prefixed("b.");
    prefixed += value;
    value = prefixed;
    log.Warning(message, value.c_str());
}

const char kBoneNameWarning[] = " Missing prefix, renaming bone (name) to '%s'";
const char kParentNameWarning[] = " Missing prefix, renaming bone (parentName) to '%s'";
const char kTargetNameWarning[] = " Missing prefix, renaming (targetName) to '%s'";

void ReadTrack(gtXmlElementRef element, bool useLocalSpace, SceneAnimation& animation, tlLog& log,
               gtLineSink* lexerErrors) {
    SceneTrack& track = animation.tracks.AddNew();
    track.targetName = ReadTextValue(element, "targetName", "notarget");
    ApplyBonePrefix(track.targetName, kTargetNameWarning, log);
    gtXmlElementRef keyFrames = element->FindChildElement("keyFrames");
    if (keyFrames == nullptr) {
        return;
    }
    track.keyFrames.Reserve(keyFrames->CountChildElements("keyFrame"));
    for (gtXmlElementRef k = keyFrames->FirstChildElement(); k != nullptr;
         k = k->NextSiblingElement()) {
        if (!k->IsNamed("keyFrame")) {
            continue;
        }
        SceneKeyFrame& frame = track.keyFrames.AddNew();
        const gtVector3 position = ReadVectorValue(k, "position", gtVector3{}, lexerErrors);
        const gtQuat rotation = ReadOrientationValue(k, "rotation", gtQuat{}, lexerErrors);
        if (useLocalSpace) {
            frame.localPosition = position;
            frame.localRotation = rotation;
        } else {
            frame.globalPosition = position;
            frame.globalRotation = rotation;
        }
    }
}

}  // namespace

void ReadSkeletonBlock(gtXmlElementRef skeleton, SceneData& scene, tlLog& log,
                       SkeletonPreparer& preparer, gtLineSink* lexerErrors) {
    gtXmlElementRef bones = skeleton->FindChildElement("bones");
    if (bones == nullptr) {
        return;
    }
    scene.bones.Reserve(scene.bones.Count() + bones->CountChildElements("bone"));
    for (gtXmlElementRef b = bones->FirstChildElement(); b != nullptr;
         b = b->NextSiblingElement()) {
        if (!b->IsNamed("bone")) {
            continue;
        }
        SceneBone& bone = scene.bones.AddNew();
        bone.id = ReadIntegerValue(b, "id", -1);
        bone.name = ReadTextValue(b, "name", "unnamed");
        bone.parentName = ReadTextValue(b, "parentName", "");
        bone.position = ReadVectorValue(b, "position", gtVector3{}, lexerErrors);
        bone.orientation = ReadOrientationValue(b, "orientation", bone.orientation, lexerErrors);
        ApplyBonePrefix(bone.name, kBoneNameWarning, log);
        ApplyBonePrefix(bone.parentName, kParentNameWarning, log);
    }
    preparer.PrepareSkeleton(scene);
}

bool ReadAnimationBlock(gtXmlElementRef element, SceneData& scene, tlLog& log,
                        SkeletonPreparer& preparer, gtLineSink* lexerErrors) {
    SceneAnimation& animation = scene.animations.AddNew();
    animation.name = ReadTextValue(element, "name", "unnamed");
    animation.frameRate = ReadIntegerValue(element, "frameRate", 0);
    const bool useLocalSpace = ReadFlagValue(element, "useLocalSpace", 0) != 0;

    if (element->CountChildElements("animationTracks") > 1) {
        log.Warning("Multiple <animationTracks> blocks found, only the first will be used.");
    }
    gtXmlElementRef tracks = element->FindChildElement("animationTracks");
    if (tracks == nullptr) {
        log.Error("Expect animation track(s)");
        return false;
    }
    // Every child element is a track, whatever its name.
    for (gtXmlElementRef t = tracks->FirstChildElement(); t != nullptr;
         t = t->NextSiblingElement()) {
        ReadTrack(t, useLocalSpace, animation, log, lexerErrors);
    }

    if (element->CountChildElements("events") > 1) {
        log.Warning("Multiple <events> blocks found, only the first will be used.");
    }
    if (gtXmlElementRef events = element->FindChildElement("events")) {
        for (gtXmlElementRef e = events->FirstChildElement(); e != nullptr;
             e = e->NextSiblingElement()) {
            if (!e->IsNamed("event")) {
                continue;
            }
            SceneEvent& event = animation.events.AddNew();
            event.frameIndex = ReadIntegerValue(e, "frameIndex", 0);
            event.typeName = ReadTextValue(e, "typeName", "generic");
            event.eventName = ReadTextValue(e, "eventName", "");
        }
    }

    return preparer.PrepareAnimation(scene, animation, useLocalSpace);
}
