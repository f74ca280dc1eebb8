// AtomicOutputFile: write a file beside its target and move it into place only when complete.
//
// A writer opens its binofstream on TempPath(), writes and closes it, and calls Commit() only
// when every write succeeded; Commit renames the temporary file over the target (replacing an
// existing file on every platform). When the object is destroyed without a successful Commit,
// the temporary file is removed, so a failed write leaves the old target untouched and no
// half-written file under the target's name. Paths are UTF-8.
#pragma once

#include <string>

class AtomicOutputFile {
public:
    explicit AtomicOutputFile(std::string targetPath);
    ~AtomicOutputFile();

    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

    const std::string& TargetPath() const { return m_target; }
    // A name in the target's folder: the target's name with a random suffix and ".tmp".
    const std::string& TempPath() const { return m_temp; }

    // Renames the temporary file to the target; false (and the temporary file removed) on failure.
    bool Commit();
    // Removes the temporary file now; the destructor does this too.
    void Discard();

private:
    std::string m_target;
    std::string m_temp;
    bool m_done = false;
};
