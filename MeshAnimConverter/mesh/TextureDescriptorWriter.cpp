// Writing one texture descriptor and rewriting the map name to its `.texture` reference.
#include "MeshAnimConverter/mesh/TextureDescriptorWriter.h"

#include <cstdio>
#include <string>

#include "MeshAnimConverter/chunks/AtomicOutputFile.h"
#include "MeshAnimConverter/report/ExportUserInterface.h"
#include "toolkit/gtLineSink.h"
#include "toolkit/gtPath.h"
#include "toolkit/platform/Platform.h"

namespace {

constexpr uint8_t kTileS = 1;
constexpr uint8_t kTileT = 2;

bool FileExists(const gtString& path) {
    return platform::PathExists(path.c_str());
}

bool FileWritable(const gtString& path) {
    return !platform::IsReadOnly(path.c_str());
}

// The text after the last '\', or when there is none after the last '/', else the whole name.
gtString ImageFileName(const gtString& name) {
    int cut = name.FindLast('\\');
    if (cut < 0) {
        cut = name.FindLast('/');
    }
    return name.Mid(cut + 1);
}

// Everything before the last separator of the path; empty when it has none.
gtString DirectoryWithoutSeparator(const gtString& path) {
    const int backslash = path.FindLast('\\');
    const int slash = path.FindLast('/');
    const int cut = backslash > slash ? backslash : slash;
    return cut < 0 ? gtString() : path.Left(cut);
}

bool StartsWithNoCase(const gtString& text, const char* prefix) {
    int length = 0;
    while (prefix[length] != 0) {
        ++length;
    }
    return text.Length() >= length && text.Left(length).EqualsNoCase(prefix);
}

bool AskYesNo(ExportUserInterface* ui, const gtString& text) {
    return ui != nullptr && ui->Ask(text.c_str(), 1, 0);
}

void Notify(ExportUserInterface* ui, const gtString& text) {
    if (ui != nullptr) {
        ui->Ask(text.c_str(), 0, 0);
    }
}

// Written beside the target and renamed into place, like the .im and .kin files. An existing
// target that is not writable is refused as an open would refuse it (a rename would replace it).
bool WriteTextFile(const gtString& path, const gtString& text) {
    if (FileExists(path) && !FileWritable(path)) {
        return false;
    }
    AtomicOutputFile target(path.c_str());
    std::FILE* file = platform::OpenFile(target.TempPath().c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const size_t length = static_cast<size_t>(text.Length());
    bool ok = std::fwrite(text.c_str(), 1, length, file) == length;
    ok = std::fclose(file) == 0 && ok;
    return ok && target.Commit();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

gtString TextureDescriptorText(const gtString& imageName, const gtString* alphaName, uint8_t tiling,
                               bool noTile) {
    gtString text = "Primary=";
    text += ImageFileName(imageName);
    text += "\n";
    if (alphaName != nullptr) {
        text += "Alpha=";
        text += ImageFileName(*alphaName);
        text += "\n";
    }
    if (!noTile) {
        const bool tileS = (tiling & kTileS) != 0;
        const bool tileT = (tiling & kTileT) != 0;
        if (tileS && tileT) {
            text += "Tile=st\n";
        } else if (tileS) {
            text += "Tile=s\n";
        } else if (tileT) {
            text += "Tile=t\n";
        }
    }
    return text;
}

void WriteTextureDescriptor(TextureDescriptorState& state, gtString& mapFileName, uint8_t tiling,
                            const gtString* alphaFileName) {
    ExportUserInterface* ui = state.ui;
    if (ui != nullptr) {
        ui->AddReferencedTexture(mapFileName);
        if (alphaFileName != nullptr) {
            ui->AddReferencedTexture(*alphaFileName);
        }
        if (!ui->Query()) {
            state.askAboutAll = false;
        }
    }

    // already a descriptor reference
    if (mapFileName.Find(".texture") >= 0) {
        return;
    }

    const gtString directory = DirectoryWithoutSeparator(state.imPath);
    const gtString title = PathTitle(mapFileName);
    const bool noTile = StartsWithNoCase(title, "notile_");
    gtString reference = title;
    if (alphaFileName != nullptr) {
        reference += "-";
        reference += PathTitle(*alphaFileName);
    }
    reference += ".texture";
    gtString descriptorName = reference;
    descriptorName += ".txt";
    const gtString descriptorPath = PathJoin(directory, descriptorName);

    bool write = true;
    if (!state.overwriteAll && FileExists(descriptorPath)) {
        if (state.askAboutAll) {
            if (AskYesNo(ui, "Do you wish to overwrite all existing .texture.txt files?\n")) {
                state.overwriteAll = true;
            }
            state.askAboutAll = false;
        }
        if (!state.overwriteAll) {
            const bool writable = FileWritable(descriptorPath);
            gtString question = writable ? "T" : "Read-Only t";
            question += ".texture.txt file ";
            question += descriptorPath;
            question += " already exists.\n  Overwrite file?\n";
            if (AskYesNo(ui, question)) {
                if (!platform::RemoveFile(descriptorPath.c_str())) {
                    gtString notice = "Could not remove ";
                    notice += writable ? "" : "Read-Only ";
                    notice += "file.\n";
                    Notify(ui, notice);
                    write = false;
                }
            } else {
                write = false;
            }
        }
    }

    if (write) {
        const gtString text = TextureDescriptorText(mapFileName, alphaFileName, tiling, noTile);
        if (WriteTextFile(descriptorPath, text)) {
            if (state.written != nullptr) {
                state.written->Line(descriptorPath.c_str());
            }
        } else {
            gtString notice = "Could not open texture file ";
            notice += descriptorPath;
            notice += " for writing.\n";
            Notify(ui, notice);
        }
    }

    mapFileName = PathJoin(directory, reference);
}
