// PmPlatform: file existence, deletion, replacing rename and window-message dispatch.
// The only file of pmtrim that talks to the operating system directly.
#include "pmtrim/PmPlatform.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#endif

#if defined(_WIN32)

bool PmFileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void PmDeleteFile(const std::string& path) {
    DeleteFileA(path.c_str());
}

bool PmRenameFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

void PmDispatchWindowMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        // The host's own loop must still see a quit request.
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

#else

bool PmFileExists(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

void PmDeleteFile(const std::string& path) {
    unlink(path.c_str());
}

bool PmRenameFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void PmDispatchWindowMessages() {}

#endif
