// ImportOptions: what the command line of vantok-import sets, with its defaults. The import
// library takes these values; main fills them with CLI11.
#pragma once

#include <string>
#include <vector>

enum class FrameSpace { Global, Local };
enum class OrientationForm { Quaternion, Matrix, AxisAngle };
enum class TangentBump { Auto, All, None };

struct ImportOptions {
    std::string modelPath;
    std::string outputPath;  // empty: the model's path with the extension .xml
    int fps = 30;            // animation sampling rate, 1 and above
    FrameSpace frames = FrameSpace::Global;
    OrientationForm orientation = OrientationForm::Quaternion;
    TangentBump tbump = TangentBump::Auto;
    std::string attachmentPrefix = "a.";
    int maxWeights = 4;     // 1 to 4
    bool bindPose = false;  // keep the offset matrices' bind pose instead of the rest pose
    bool convert = false;
    std::vector<std::string> converterOptions;  // passed after -inFile OUT.xml
};
