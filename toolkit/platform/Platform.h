// The thin platform layer: every call into the operating system goes through here. Each
// function has a Windows side (Win*.cpp) and a POSIX side (Posix*.cpp); nothing else in the
// project includes system headers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

// Console colours, as Windows console text attributes.
enum ConsoleColour { kColourDefault = 7, kColourError = 12, kColourWarning = 14 };

// Whether the given stream is an interactive console / terminal.
bool IsTerminal(std::FILE* stream);
// Switches the colour of later text on `stream` (a console or terminal; otherwise nothing).
void SetConsoleColour(std::FILE* stream, ConsoleColour colour);

// Opens a file by its UTF-8 name (wide-character API on Windows).
std::FILE* OpenFile(const char* utf8Path, const char* mode);
// Deletes a file by its UTF-8 name; true on success.
bool RemoveFile(const char* utf8Path);
// The process's current directory (UTF-8), empty when it cannot be had.
std::string CurrentDirectory();

// Shows a modal error box (Windows) or prints the text as one line on standard error; returns
// the box's result (1 elsewhere).
int ShowErrorBox(const char* text, const char* caption);

// Milliseconds from a monotonic clock, wrapping at 2^32.
uint32_t Milliseconds();
// Gives the rest of the time slice to other threads.
void YieldThread();
// Raises / restores the system timer resolution to 1 ms (Windows; nothing elsewhere).
void BeginTimerResolution();
void EndTimerResolution();

// The current local time as the 24-character ctime text with its line break.
std::string LocalTimeText();

}  // namespace platform
