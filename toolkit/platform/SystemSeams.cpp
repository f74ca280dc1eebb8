// The decisions of the platform layer that do not depend on the platform, made over the seams
// tests can replace: whether a line goes to the wide console call, whether an error box may be
// shown, and what the seams answer by default (the native calls).
#include <cstdlib>
#include <cstring>
#include <utility>

#include "toolkit/platform/NativeCalls.h"
#include "toolkit/platform/Platform.h"

namespace platform {

namespace {

SystemSeams& Seams() {
    static auto* seams = new SystemSeams;  // lives for the process
    return *seams;
}

bool IsConsole(std::FILE* stream) {
    return Seams().isConsole ? Seams().isConsole(stream) : native::IsConsole(stream);
}

bool HasNonAscii(const char* text) {
    for (; *text != 0; ++text) {
        if (static_cast<unsigned char>(*text) >= 0x80) {
            return true;
        }
    }
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

void SetSystemSeams(SystemSeams seams) {
    Seams() = std::move(seams);
}

void WriteLine(std::FILE* stream, const char* utf8) {
    std::wstring wide;
    if (HasNonAscii(utf8) && IsConsole(stream) && Utf8ToWide(utf8, wide)) {
        // earlier bytes of the stream first, so the order of lines is kept
        std::fflush(stream);
        wide += L'\n';
        if (Seams().writeConsole) {
            Seams().writeConsole(stream, wide);
        } else {
            native::WriteConsoleText(stream, wide);
        }
        return;
    }
    std::fputs(utf8, stream);
    std::fputc('\n', stream);
}

bool DialogsWanted() {
    const SystemSeams& seams = Seams();
    const bool desktop =
        seams.interactiveDesktop ? seams.interactiveDesktop() : native::InteractiveDesktop();
    if (!desktop || !IsConsole(stderr)) {
        return false;
    }
    const char* noDialogs = seams.environment ? seams.environment("VANTOK_NO_DIALOGS")
                                              : std::getenv("VANTOK_NO_DIALOGS");
    return noDialogs == nullptr || std::strcmp(noDialogs, "1") != 0;
}

int ShowErrorBox(const char* text, const char* caption) {
    if (DialogsWanted()) {
        return Seams().messageBox ? Seams().messageBox(text, caption)
                                  : native::ShowMessageBox(text, caption);
    }
    native::WriteErrorLine(text);
    return 1;
}

void SuppressSystemDialogsWhenUnattended() {
    if (!DialogsWanted()) {
        native::SuppressSystemDialogs();
    }
}

}  // namespace platform
