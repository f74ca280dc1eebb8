// The system calls behind the seams of Platform.h, one set per platform (WinPlatform.cpp,
// PosixPlatform.cpp). Only the platform layer's own files include this header.
#pragma once

#include <cstdio>
#include <string>

namespace platform::native {

// Whether the stream is a Windows console (false on POSIX).
bool IsConsole(std::FILE* stream);
// Writes wide text on the console behind the stream.
void WriteConsoleText(std::FILE* stream, const std::wstring& text);
// Whether the process runs on a desktop that someone can see (false on POSIX).
bool InteractiveDesktop();
// A modal error box (Windows); the text as a standard-error line elsewhere.
int ShowMessageBox(const char* text, const char* caption);
// The box's text as one line on standard error; on Windows standard output is flushed first.
void WriteErrorLine(const char* text);
// Asks the system not to show its own error dialogs (Windows; nothing elsewhere).
void SuppressSystemDialogs();

}  // namespace platform::native
