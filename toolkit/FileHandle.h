// File handles handed out by the file device: FileHandleBase and FileHandleStandard, a handle
// over a buffered C file stream, drawn from a process-wide pool guarded by one mutex.
#pragma once

#include <cstdio>

class FileHandleBase {
public:
    virtual ~FileHandleBase() = default;
    virtual int Read(void* buffer, int size) {
        (void)buffer;
        (void)size;
        return 0;
    }
    virtual int Write(const void* buffer, int size) {
        (void)buffer;
        (void)size;
        return 0;
    }
    virtual int Seek(int offset, int origin) {
        (void)offset;
        (void)origin;
        return 0;
    }
    virtual int Tell() { return 0; }
    virtual void Close() {}
    virtual void Recycle() {}
};

class FileHandleStandard : public FileHandleBase {
public:
    FileHandleStandard() = default;
    FileHandleStandard(const FileHandleStandard&) = delete;
    FileHandleStandard& operator=(const FileHandleStandard&) = delete;
    ~FileHandleStandard() override;

    // Takes ownership of an open stream (closing any previous one).
    void Attach(std::FILE* file);
    std::FILE* File() const { return m_file; }

    int Read(void* buffer, int size) override;
    int Write(const void* buffer, int size) override;
    int Seek(int offset, int origin) override;  // returns the position after the seek, or -1
    int Tell() override;
    void Close() override;
    void Recycle() override;  // closes, then returns the handle to the pool

    // The pool: a fresh handle has no file.
    static FileHandleStandard* Allocate();
    // Handles currently handed out (for leak checks in tests).
    static int OutstandingCount();

private:
    std::FILE* m_file = nullptr;
};
