// FormatVersions: the version word each chunk of the two output files starts with, named once
// for the writers and for every reader of the files.
#pragma once

#include <cstdint>

// The indexed-mesh file, form "IDXM".
namespace ImVersion {
constexpr uint32_t kInfo = 104;         // INFO
constexpr uint32_t kChunk = 100;        // CHNK
constexpr uint32_t kMaterial = 103;     // MATL
constexpr uint32_t kGeometry = 201;     // GEOM
constexpr uint32_t kInfluences = 100;   // INFL
constexpr uint32_t kSkeleton = 100;     // SKEL
constexpr uint32_t kBone = 100;         // BONE
constexpr uint32_t kAttachments = 100;  // ATCH
}  // namespace ImVersion

// The animation file, form "ANIM": every chunk (INFO, EVNT, SKEL, BONE, FRAM) has version 100.
namespace KinVersion {
constexpr int32_t kChunk = 100;
}  // namespace KinVersion
