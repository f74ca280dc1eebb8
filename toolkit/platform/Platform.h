// The thin platform layer: every call into the operating system goes through here. Each
// function has a Windows side (Win*.cpp) and a POSIX side (Posix*.cpp); nothing else in the
// project includes system headers.
//
// Every path is UTF-8 on every platform. On Windows it is converted once, strictly, to UTF-16
// for the wide-character API; a name that is not valid UTF-8 cannot be converted, and the call
// fails like one on a missing file. On POSIX the bytes are passed through as given.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// ---------------------------------------------------------------------------------------------
// Text conversion (pure; the same on every platform)

// Strict UTF-8 to wide characters (UTF-16 where wchar_t has 16 bits, code points where it has
// 32). False, with `wide` unspecified, for bytes that are not well-formed UTF-8 (stray or
// missing continuation bytes, overlong forms, surrogates, values above U+10FFFF).
bool Utf8ToWide(std::string_view utf8, std::wstring& wide);
// Wide characters to UTF-8; an unpaired surrogate or a value above U+10FFFF becomes U+FFFD.
std::string WideToUtf8(std::wstring_view wide);
// The entry's arguments (argv of a wide entry point) as UTF-8 strings.
std::vector<std::string> ArgumentsToUtf8(int argc, const wchar_t* const* argv);

// ---------------------------------------------------------------------------------------------
// Console

// Console colours, as Windows console text attributes.
enum ConsoleColour { kColourDefault = 7, kColourError = 12, kColourWarning = 14 };

// Whether the given stream is an interactive console / terminal.
bool IsTerminal(std::FILE* stream);
// Switches the colour of later text on `stream` (a console or terminal; otherwise nothing).
void SetConsoleColour(std::FILE* stream, ConsoleColour colour);
// Writes `utf8` and a line break on `stream`. The bytes go out as given, except on a Windows
// console, where a line holding non-ASCII text is written with the wide console call after
// `stream` is flushed, so names show correctly and earlier lines keep their place.
void WriteLine(std::FILE* stream, const char* utf8);

// ---------------------------------------------------------------------------------------------
// Files

// Opens a file by its UTF-8 name (wide-character API on Windows).
std::FILE* OpenFile(const char* utf8Path, const char* mode);
// Deletes a file by its UTF-8 name; true on success.
bool RemoveFile(const char* utf8Path);
// Renames a file, replacing an existing target; true on success.
bool RenameFile(const char* utf8From, const char* utf8To);
// Whether anything (file or folder) exists under the name.
bool PathExists(const char* utf8Path);
// Whether the name exists and may not be written (read-only attribute, no owner write bit).
bool IsReadOnly(const char* utf8Path);
// The name as a std::filesystem path, without throwing; false when it cannot be converted.
bool FilesystemPath(const char* utf8Path, std::filesystem::path& path);
// The process's current directory (UTF-8), empty when it cannot be had.
std::string CurrentDirectory();

// ---------------------------------------------------------------------------------------------
// Dialogs

// Whether a modal box may be shown: only on Windows, on an interactive desktop, with standard
// error a console, and VANTOK_NO_DIALOGS not set to "1" (any other value is ignored).
bool DialogsWanted();
// Shows a modal error box when DialogsWanted(); otherwise writes the text as one line on
// standard error (on Windows after flushing standard output). Returns the box's result (1 when
// no box was shown).
int ShowErrorBox(const char* text, const char* caption);
// For unattended runs (no dialogs wanted), asks the system not to show its own error dialogs
// either (Windows); nothing elsewhere.
void SuppressSystemDialogsWhenUnattended();

// ---------------------------------------------------------------------------------------------
// Time

// Milliseconds from a monotonic clock, wrapping at 2^32.
uint32_t Milliseconds();
// Gives the rest of the time slice to other threads.
void YieldThread();
// Raises / restores the system timer resolution to 1 ms (Windows; nothing elsewhere).
void BeginTimerResolution();
void EndTimerResolution();

// The current local time as the 24-character ctime text with its line break.
std::string LocalTimeText();

// ---------------------------------------------------------------------------------------------
// Memory

// The C library's allocator backing its large blocks with huge pages: where it can be asked
// to (glibc 2.35 and later, the glibc.malloc.hugetlb tunable, read only at start-up) and the
// environment does not set that tunable already, restarts the program once with it set, the
// same arguments and otherwise the same environment. Returns when nothing is to be done, when
// the restart fails (the run goes on as it is) and on other platforms. Why: a large
// conversion touches its memory once, and first-touch faults of small pages took a third of
// its processor time; its outputs do not change.
void UseHugePageAllocator(char** argv);

// Pages straight from the system (large pages asked for where the system has them), given
// back in full by UnmapPages with the same size: for large buffers freed one by one while
// other memory grows, which the C library may keep in its heap instead. Null when none can be
// had. The pages read as zero.
void* MapPages(size_t bytes);
void UnmapPages(void* block, size_t bytes);

// ---------------------------------------------------------------------------------------------
// Seams for tests

// Answers of the system that tests may replace; an empty member uses the real call.
struct SystemSeams {
    // Whether a stream is a Windows console (never true on POSIX).
    std::function<bool(std::FILE* stream)> isConsole;
    // Writes wide text on the console behind a stream.
    std::function<void(std::FILE* stream, const std::wstring& text)> writeConsole;
    // Whether the process runs on a desktop that someone can see.
    std::function<bool()> interactiveDesktop;
    // The value of an environment variable, null when unset.
    std::function<const char*(const char* name)> environment;
    // Shows a modal box and returns its result.
    std::function<int(const char* text, const char* caption)> messageBox;
};
// Replaces the seams (a default-constructed SystemSeams restores the real calls).
void SetSystemSeams(SystemSeams seams);

}  // namespace platform
