// Windows side of the platform layer.
#ifdef _WIN32

#include <io.h>
#include <mmsystem.h>
#include <windows.h>

#include <ctime>
#include <string>
#include <vector>

#include "toolkit/platform/Platform.h"

namespace platform {

namespace {

std::wstring Widen(const char* utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (n <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

std::string Narrow(const wchar_t* wide) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) {
        return std::string();
    }
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), n, nullptr, nullptr);
    utf8.resize(static_cast<size_t>(n - 1));
    return utf8;
}

HANDLE ConsoleOf(std::FILE* stream) {
    if (stream == stdout) {
        return GetStdHandle(STD_OUTPUT_HANDLE);
    }
    if (stream == stderr) {
        return GetStdHandle(STD_ERROR_HANDLE);
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

bool IsTerminal(std::FILE* stream) {
    return stream != nullptr && _isatty(_fileno(stream)) != 0;
}

void SetConsoleColour(std::FILE* stream, ConsoleColour colour) {
    HANDLE console = ConsoleOf(stream);
    if (console == INVALID_HANDLE_VALUE || console == nullptr) {
        return;
    }
    std::fflush(stream);
    // Fails when the output is redirected: the text is then printed plainly.
    SetConsoleTextAttribute(console, static_cast<WORD>(colour));
}

std::FILE* OpenFile(const char* utf8Path, const char* mode) {
    const std::wstring path = Widen(utf8Path);
    const std::wstring wideMode = Widen(mode);
    if (path.empty()) {
        return nullptr;
    }
    return _wfopen(path.c_str(), wideMode.c_str());
}

bool RemoveFile(const char* utf8Path) {
    return DeleteFileW(Widen(utf8Path).c_str()) != 0;
}

std::string CurrentDirectory() {
    const DWORD n = GetCurrentDirectoryW(0, nullptr);
    if (n == 0) {
        return std::string();
    }
    std::vector<wchar_t> buffer(n + 1);
    if (GetCurrentDirectoryW(n + 1, buffer.data()) == 0) {
        return std::string();
    }
    return Narrow(buffer.data());
}

int ShowErrorBox(const char* text, const char* caption) {
    return MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONERROR);
}

uint32_t Milliseconds() {
    return timeGetTime();
}

void YieldThread() {
    Sleep(0);
}

void BeginTimerResolution() {
    timeBeginPeriod(1);
}
void EndTimerResolution() {
    timeEndPeriod(1);
}

std::string LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    const char* text = std::ctime(&now);
    return text != nullptr ? text : "";
}

}  // namespace platform

#endif
