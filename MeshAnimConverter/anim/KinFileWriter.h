// KinFileWriter: writes one animation of the scene as a KIN file (chunk container, form "ANIM").
//
// Layout, all integers little-endian int32, all reals float32, every chunk's payload starting
// with the version 100:
//   "VIRF" size "ANIM"
//   INFO  version, name (the output file name after its last '/' or '\'), frame count N,
//         frame rate, 1.0
//   EVNT  version, count, then per event in range: frame, type code, name
//   SKEL  version, then the root's BONE: version, name, child count, the children's BONE chunks
//   FRAM  N times: version, frame, then per node in BONE pre-order: position xyz, rotation xyzw
//         (the conjugate of the model-space rotation)
// Each frame is posed with the skeleton's ConverterExGenericSkeleton::PrepareForFrame. The file is
// written beside the target under a temporary name, every write and seek checked, and renamed
// into place only when complete; a failed write leaves an existing file of that name untouched.
// Cost: O(frames × bones) writes; no recursion over the bone tree.
#pragma once

class ConverterExGenericSkeleton;
class tlLog;
struct SceneAnimation;
struct SceneData;

// Writes `animation` to `path` (its full name, extension included). False after logging
// "No animation frames to write.", "No root bone, can't write KIN file: '%s'" or
// "Failed to write KIN file: '%s'"; on success logs the info lines
// "Wrote KIN file '%s' with:\ntracks: %d\nframes: %d\n", all to `log`. `skeleton` (null when
// the scene has no bones) is attached to the scene and the animation for the call and keeps
// them afterwards.
bool WriteKinFile(ConverterExGenericSkeleton* skeleton, SceneAnimation& animation, const char* path,
                  SceneData& scene, tlLog& log);
