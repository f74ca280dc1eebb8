// Windows side of the platform layer. Names are UTF-8 everywhere else in the program; here
// they are converted once, strictly, to UTF-16 for the wide-character API, and a name that is
// not valid UTF-8 fails the call instead of naming some other file.
#ifdef _WIN32

// windows.h first: the other system headers build on its types
// clang-format off
#include <windows.h>
#include <io.h>
#include <mmsystem.h>
// clang-format on

#include <ctime>
#include <string>
#include <vector>

#include "toolkit/platform/NativeCalls.h"
#include "toolkit/platform/Platform.h"

namespace platform {

namespace {

// The UTF-16 form of a UTF-8 name; false when it has none (or is empty).
bool WidePath(const char* utf8, std::wstring& wide) {
    return utf8 != nullptr && utf8[0] != 0 && Utf8ToWide(utf8, wide);
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

// ---------------------------------------------------------------------------------------------
// Console

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

// ---------------------------------------------------------------------------------------------
// Files

std::FILE* OpenFile(const char* utf8Path, const char* mode) {
    std::wstring path;
    std::wstring wideMode;
    if (!WidePath(utf8Path, path) || !Utf8ToWide(mode, wideMode)) {
        return nullptr;
    }
    return _wfopen(path.c_str(), wideMode.c_str());
}

bool RemoveFile(const char* utf8Path) {
    std::wstring path;
    return WidePath(utf8Path, path) && DeleteFileW(path.c_str()) != 0;
}

bool RenameFile(const char* utf8From, const char* utf8To) {
    std::wstring from;
    std::wstring to;
    return WidePath(utf8From, from) && WidePath(utf8To, to) &&
           MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool PathExists(const char* utf8Path) {
    std::wstring path;
    return WidePath(utf8Path, path) && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsReadOnly(const char* utf8Path) {
    std::wstring path;
    if (!WidePath(utf8Path, path)) {
        return false;
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool FilesystemPath(const char* utf8Path, std::filesystem::path& path) {
    std::wstring wide;
    if (!WidePath(utf8Path, wide)) {
        return false;
    }
    // A wide string is the native form: no conversion, nothing to throw.
    path = std::filesystem::path(std::move(wide));
    return true;
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
    return WideToUtf8(buffer.data());
}

// ---------------------------------------------------------------------------------------------
// Native calls behind the seams

namespace native {

bool IsConsole(std::FILE* stream) {
    HANDLE handle = ConsoleOf(stream);
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

void WriteConsoleText(std::FILE* stream, const std::wstring& text) {
    HANDLE handle = ConsoleOf(stream);
    const wchar_t* next = text.c_str();
    DWORD left = static_cast<DWORD>(text.size());
    while (left > 0) {
        DWORD written = 0;
        if (!WriteConsoleW(handle, next, left, &written, nullptr) || written == 0) {
            return;
        }
        next += written;
        left -= written;
    }
}

bool InteractiveDesktop() {
    // Services and scheduled jobs run on an invisible window station.
    HWINSTA station = GetProcessWindowStation();
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    if (station == nullptr ||
        !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed)) {
        return false;
    }
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

int ShowMessageBox(const char* text, const char* caption) {
    std::wstring wideText;
    std::wstring wideCaption;
    if (Utf8ToWide(text, wideText) && Utf8ToWide(caption, wideCaption)) {
        return MessageBoxW(nullptr, wideText.c_str(), wideCaption.c_str(), MB_OK | MB_ICONERROR);
    }
    return MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONERROR);
}

void WriteErrorLine(const char* text) {
    // a build log that merges both streams keeps the order of events
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
}

void SuppressSystemDialogs() {
    const UINT flags = SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX;
    const UINT previous = SetErrorMode(flags);
    SetErrorMode(previous | flags);
}

}  // namespace native

// ---------------------------------------------------------------------------------------------
// Time

// The C runtime's allocator has no such setting.
void UseHugePageAllocator(char** argv) {
    (void)argv;
}

void* MapPages(size_t bytes) {
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void UnmapPages(void* block, size_t bytes) {
    (void)bytes;
    if (block != nullptr) {
        VirtualFree(block, 0, MEM_RELEASE);
    }
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
