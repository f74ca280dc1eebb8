// gtFile: a byte stream over a file opened through the process-wide file device. Every
// operation forwards to the device with the file's handle; with no file open, reads and writes
// give 0 and Seek, Tell and Size give -1.
#pragma once

#include "toolkit/gtStream.h"

class FileHandleBase;

class gtFile : public gtStream {
public:
    gtFile();
    gtFile(const gtFile&) = delete;
    gtFile& operator=(const gtFile&) = delete;
    ~gtFile() override;

    // Opens through the current device (mode flags of gtFileDevice); true on success.
    bool Open(const char* path, int mode);
    bool IsOpen() const { return m_handle != nullptr; }

    int Read(void* buffer, int size) override;
    int Write(const void* buffer, int size) override;
    int Seek(int offset, int origin) override;
    int Tell() override;
    int Size() override;

    FileHandleBase** Handle() { return &m_handle; }
    int CapabilityFlags() const { return m_flags; }

private:
    int m_flags;
    FileHandleBase* m_handle;
};
