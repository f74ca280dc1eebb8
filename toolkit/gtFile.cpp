// gtFile: forwards to the current file device.
#include "toolkit/gtFile.h"

#include "toolkit/gtFileDevice.h"

gtFile::gtFile() : m_flags(0x1C0), m_handle(nullptr) {
    gtGetFileDevice()->InitHandle(&m_handle);
}

gtFile::~gtFile() {
    gtGetFileDevice()->CloseHandle(&m_handle);
    m_handle = nullptr;
}

bool gtFile::Open(const char* path, int mode) {
    return gtGetFileDevice()->Open(&m_handle, path, mode) != 0;
}

int gtFile::Read(void* buffer, int size) {
    return gtGetFileDevice()->Read(m_handle, buffer, size);
}

int gtFile::Write(const void* buffer, int size) {
    return gtGetFileDevice()->Write(m_handle, buffer, size);
}

int gtFile::Seek(int offset, int origin) {
    return gtGetFileDevice()->Seek(m_handle, offset, origin);
}

int gtFile::Tell() {
    return gtGetFileDevice()->Tell(m_handle);
}

int gtFile::Size() {
    const int position = Tell();
    Seek(0, kFromEnd);
    const int size = Tell();
    Seek(position, kFromStart);
    return size < 0 ? -1 : size;
}
