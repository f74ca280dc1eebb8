// FileHandleStandard and its pool. The pool keeps a free list of recycled handles, refilled 16
// at a time, under one mutex; handles live for the whole process.
#include "toolkit/FileHandle.h"

#include <climits>
#include <mutex>
#include <vector>

namespace {

constexpr int kHandlesPerRefill = 16;

class HandlePool {
public:
    FileHandleStandard* Allocate() {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_free.empty()) {
            for (int i = 0; i < kHandlesPerRefill; ++i) {
                m_free.push_back(new FileHandleStandard);
            }
        }
        FileHandleStandard* h = m_free.back();
        m_free.pop_back();
        ++m_outstanding;
        return h;
    }
    void Recycle(FileHandleStandard* h) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_free.push_back(h);
        --m_outstanding;
    }
    int Outstanding() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_outstanding;
    }

private:
    std::mutex m_mutex;
    std::vector<FileHandleStandard*> m_free;
    int m_outstanding = 0;
};

HandlePool& Pool() {
    static HandlePool* pool = new HandlePool;  // lives for the process
    return *pool;
}

}  // namespace

FileHandleStandard::~FileHandleStandard() {
    Close();
}

void FileHandleStandard::Attach(std::FILE* file) {
    Close();
    m_file = file;
}

int FileHandleStandard::Read(void* buffer, int size) {
    if (m_file == nullptr || size < 1) {
        return 0;
    }
    return static_cast<int>(std::fread(buffer, 1, static_cast<size_t>(size), m_file));
}

int FileHandleStandard::Write(const void* buffer, int size) {
    if (m_file == nullptr || size < 1) {
        return 0;
    }
    return static_cast<int>(std::fwrite(buffer, 1, static_cast<size_t>(size), m_file));
}

int FileHandleStandard::Seek(int offset, int origin) {
    if (m_file == nullptr) {
        return -1;
    }
    const int whence = origin == 0 ? SEEK_SET : (origin == 2 ? SEEK_END : SEEK_CUR);
    std::fseek(m_file, offset, whence);
    return Tell();
}

int FileHandleStandard::Tell() {
    if (m_file == nullptr) {
        return -1;
    }
    const long position = std::ftell(m_file);
    return (position < 0 || position > INT_MAX) ? -1 : static_cast<int>(position);
}

void FileHandleStandard::Close() {
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

void FileHandleStandard::Recycle() {
    Close();
    Pool().Recycle(this);
}

FileHandleStandard* FileHandleStandard::Allocate() {
    return Pool().Allocate();
}

int FileHandleStandard::OutstandingCount() {
    return Pool().Outstanding();
}
