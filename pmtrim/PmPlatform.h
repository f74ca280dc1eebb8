// PmPlatform: the few operating-system services pmtrim needs beyond the standard streams.
//
// Paths are the host's 8-bit texts, passed to the system as they are (the ANSI code page on
// Windows, bytes elsewhere), the same way the library's streams open them.
#pragma once

#include <string>

// True when `path` names an existing file that is not a folder.
bool PmFileExists(const std::string& path);
// Removes a file; a failure (such as no file) is ignored.
void PmDeleteFile(const std::string& path);
// Renames `from` to `to`, replacing an existing file at `to`; false when it failed.
bool PmRenameFile(const std::string& from, const std::string& to);
// Dispatches the calling thread's pending window messages on Windows; nothing elsewhere.
void PmDispatchWindowMessages();
