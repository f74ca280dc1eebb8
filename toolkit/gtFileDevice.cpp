// The file device: the base's handle operations and WinFileDevice's path lookup.
//
// Open tries the path directly when it is written to, appended to, a UNC path, carries a drive
// letter (a ':'), or (on POSIX) is absolute; otherwise it tries every pair of search-table
// entries for the whole path and then for its file name alone.
#include "toolkit/gtFileDevice.h"

#include "toolkit/FileHandle.h"
#include "toolkit/WinDebug.h"
#include "toolkit/platform/Platform.h"

namespace {

gtFileDevice* g_currentDevice = nullptr;

const char* ModeText(int mode) {
    if (mode & gtFileDevice::kWrite) {
        return "wb";
    }
    if (mode & gtFileDevice::kAppend) {
        return "ab";
    }
    if (mode & gtFileDevice::kRead) {
        return "rb";
    }
    return nullptr;
}

bool OpensDirectly(const gtString& path, int mode) {
    if (mode & (gtFileDevice::kWrite | gtFileDevice::kAppend)) {
        return true;
    }
    if (path.Length() > 2 && path[0] == '\\' && path[1] == '\\') {
        return true;
    }
    if (path.Find(':') >= 0) {
        return true;
    }
#ifndef _WIN32
    if (path[0] == '/') {
        return true;
    }
#endif
    return false;
}

}  // namespace

// gtFileDevice

int gtFileDevice::InitHandle(FileHandleBase** handle) {
    (void)handle;
    return 1;
}

int gtFileDevice::CloseHandle(FileHandleBase** handle) {
    if (handle == nullptr || *handle == nullptr) {
        return 0;
    }
    (*handle)->Close();
    (*handle)->Recycle();
    *handle = nullptr;
    return 1;
}

void gtFileDevice::CloseFile(FileHandleBase* handle) {
    if (handle != nullptr) {
        handle->Close();
    }
}

int gtFileDevice::Read(FileHandleBase* handle, void* buffer, int size) {
    return (handle == nullptr || size < 1) ? 0 : handle->Read(buffer, size);
}

int gtFileDevice::Write(FileHandleBase* handle, const void* buffer, int size) {
    return (handle == nullptr || size < 1) ? 0 : handle->Write(buffer, size);
}

int gtFileDevice::Seek(FileHandleBase* handle, int offset, int origin) {
    return handle == nullptr ? -1 : handle->Seek(offset, origin);
}

int gtFileDevice::Tell(FileHandleBase* handle) {
    return handle == nullptr ? -1 : handle->Tell();
}

int gtFileDevice::DeleteFile(const char* path) {
    return (path != nullptr && platform::RemoveFile(path)) ? 1 : 0;
}

int gtFileDevice::FileExists(const char* path) {
    if (path == nullptr || path[0] == 0) {
        return 0;
    }
    std::FILE* file = platform::OpenFile(path, "rb");
    if (file == nullptr) {
        return 0;
    }
    std::fclose(file);
    return 1;
}

int gtFileDevice::CanOpen(const char* path, int mode) {
    FileHandleBase* handle = nullptr;
    if (Open(&handle, path, mode) == 0) {
        return 0;
    }
    CloseHandle(&handle);
    return 1;
}

int gtFileDevice::AddArchive(const char* path) {
    // No archive format is supported; a missing archive file is reported to the debug sink.
    if (!FileExists(path)) {
        WinDebug::Printf("Failed to add Zip '%s'", path != nullptr ? path : "");
    }
    return 0;
}

int gtFileDevice::RemoveArchive(const char* path) {
    (void)path;
    return 0;
}

gtFileDevice* gtGetFileDevice() {
    return g_currentDevice != nullptr ? g_currentDevice : &WinFileDevice::Instance();
}

void gtSetFileDevice(gtFileDevice* device) {
    g_currentDevice = device;
}

// WinFileDevice

WinFileDevice::WinFileDevice() {
    m_first.AddNew();
    m_second.AddNew();
}

WinFileDevice& WinFileDevice::Instance() {
    static WinFileDevice device;
    return device;
}

std::FILE* WinFileDevice::OpenThroughTables(const gtString& name, const gtString& extension,
                                            const char* mode) {
    for (const SearchEntry& first : m_first) {
        if (!first.extension.IsEmpty() && !(first.extension == extension)) {
            continue;
        }
        for (const SearchEntry& second : m_second) {
            if (!second.extension.IsEmpty() && !(second.extension == extension)) {
                continue;
            }
            gtString full = first.directory;
            full += second.directory;
            full += name;
            if (std::FILE* file = platform::OpenFile(full.c_str(), mode)) {
                return file;
            }
        }
    }
    return nullptr;
}

int WinFileDevice::Open(FileHandleBase** handle, const char* path, int mode) {
    if (handle == nullptr) {
        return 0;
    }
    if (*handle != nullptr) {
        CloseHandle(handle);
    }
    const char* modeText = ModeText(mode);
    if (path == nullptr || path[0] == 0 || modeText == nullptr) {
        return 0;
    }
    const gtString whole(path);
    std::FILE* file = nullptr;
    if (OpensDirectly(whole, mode)) {
        file = platform::OpenFile(path, modeText);
    } else {
        int slash = -1;
        for (int i = whole.Length() - 1; i >= 0; --i) {
            if (whole[i] == '/' || whole[i] == '\\') {
                slash = i;
                break;
            }
        }
        const gtString name = whole.Mid(slash + 1);
        const int dot = name.FindLast('.');
        const gtString extension = dot < 0 ? gtString() : name.Mid(dot + 1).Lowered();
        file = OpenThroughTables(whole, extension, modeText);
        if (file == nullptr && slash >= 0) {
            file = OpenThroughTables(name, extension, modeText);
        }
    }
    if (file == nullptr) {
        return 0;
    }
    FileHandleStandard* standard = FileHandleStandard::Allocate();
    standard->Attach(file);
    *handle = standard;
    return 1;
}
