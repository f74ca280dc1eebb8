// gtFileDevice: the process-wide file device that opens files by path and hands out handles,
// and WinFileDevice, its one implementation, built on the C runtime's buffered streams.
//
// Mode flags for Open: 1 read, 2 append, 4 write (create or truncate); the stream opens "wb"
// when 4 is set, else "ab" when 2 is set, else "rb" when 1 is set.
#pragma once

#include <cstdio>

#include "toolkit/gtArray.h"
#include "toolkit/gtString.h"

class FileHandleBase;

class gtFileDevice {
public:
    enum Mode { kRead = 1, kAppend = 2, kWrite = 4 };

    virtual ~gtFileDevice() = default;
    virtual int InitHandle(FileHandleBase** handle);
    virtual int CloseHandle(FileHandleBase** handle);
    virtual int Open(FileHandleBase** handle, const char* path, int mode) = 0;
    virtual void CloseFile(FileHandleBase* handle);
    virtual int Read(FileHandleBase* handle, void* buffer, int size);
    virtual int Write(FileHandleBase* handle, const void* buffer, int size);
    virtual int Seek(FileHandleBase* handle, int offset, int origin);
    virtual int Tell(FileHandleBase* handle);
    virtual int Reserved9() { return 0; }
    virtual int DeleteFile(const char* path);
    virtual int FileExists(const char* path);
    virtual int CanOpen(const char* path, int mode = kRead);
    // Archive slots: this system registers no archives.
    virtual int AddArchive(const char* path);
    virtual int RemoveArchive(const char* path);
    virtual int RemoveAllArchives() { return 1; }
};

// The current file device of the process (the static WinFileDevice unless replaced).
gtFileDevice* gtGetFileDevice();
void gtSetFileDevice(gtFileDevice* device);

class WinFileDevice : public gtFileDevice {
public:
    // One search-table entry: files whose lower-case extension equals `extension` (or any file,
    // when it is empty) are looked for in `directory`.
    struct SearchEntry {
        gtString extension;
        gtString directory;
    };

    WinFileDevice();
    int Open(FileHandleBase** handle, const char* path, int mode) override;

    // The two search tables; each starts with one entry with empty key and directory.
    gtArray<SearchEntry>& FirstTable() { return m_first; }
    gtArray<SearchEntry>& SecondTable() { return m_second; }

    // The static device of the process.
    static WinFileDevice& Instance();

private:
    std::FILE* OpenThroughTables(const gtString& name, const gtString& extension, const char* mode);

    gtArray<SearchEntry> m_first;
    gtArray<SearchEntry> m_second;
};
