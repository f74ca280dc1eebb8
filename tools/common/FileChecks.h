// FileChecks: the file-system steps both tools share, each failure with the system's reason.
//
// An input is checked before a library opens it, so that a directory or an unreadable file gets
// one clear line instead of a library's generic failure. An output is written beside its target
// and renamed into place when complete, so a failed write leaves the old file as it was.
#pragma once

#include <cstddef>
#include <string>

// Why `path` cannot be read as a file: "is a directory", or the system's reason for the failed
// open ("No such file or directory", "Permission denied", ...); empty when it can be.
std::string InputProblem(const std::string& path);

// Writes `size` bytes to a temporary file beside `path` and renames it into place; false with the
// system's reason in `error` when the open, a write, the close or the rename fails.
bool WriteFileAtomically(const std::string& path, const void* data, std::size_t size,
                         std::string& error);
