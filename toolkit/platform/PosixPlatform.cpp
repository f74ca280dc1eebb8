// POSIX side of the platform layer.
#ifndef _WIN32

#include <sched.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "toolkit/platform/NativeCalls.h"
#include "toolkit/platform/Platform.h"

namespace platform {

bool IsTerminal(std::FILE* stream) {
    return stream != nullptr && isatty(fileno(stream)) == 1;
}

void SetConsoleColour(std::FILE* stream, ConsoleColour colour) {
    if (!IsTerminal(stream)) {
        return;
    }
    // ANSI bright red, bright yellow, reset.
    const char* code = colour == kColourError     ? "\x1b[91m"
                       : colour == kColourWarning ? "\x1b[93m"
                                                  : "\x1b[0m";
    std::fputs(code, stream);
}

std::FILE* OpenFile(const char* utf8Path, const char* mode) {
    std::FILE* file = std::fopen(utf8Path, mode);
    if (file == nullptr) {
        return nullptr;
    }
    // fopen opens directories for reading on Linux; they are not files.
    struct stat info;
    if (fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

bool RemoveFile(const char* utf8Path) {
    return unlink(utf8Path) == 0;
}

bool RenameFile(const char* utf8From, const char* utf8To) {
    return std::rename(utf8From, utf8To) == 0;
}

bool PathExists(const char* utf8Path) {
    struct stat info;
    return stat(utf8Path, &info) == 0;
}

bool IsReadOnly(const char* utf8Path) {
    struct stat info;
    return stat(utf8Path, &info) == 0 && (info.st_mode & S_IWUSR) == 0;
}

bool FilesystemPath(const char* utf8Path, std::filesystem::path& path) {
    // POSIX names are bytes: nothing to convert.
    path = std::filesystem::path(std::string(utf8Path));
    return true;
}

std::string CurrentDirectory() {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) {
            return std::string();
        }
        buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
}

namespace native {

bool IsConsole(std::FILE* stream) {
    (void)stream;
    return false;
}

void WriteConsoleText(std::FILE* stream, const std::wstring& text) {
    (void)stream;
    (void)text;
}

bool InteractiveDesktop() {
    return false;
}

int ShowMessageBox(const char* text, const char* caption) {
    (void)caption;
    WriteErrorLine(text);
    return 1;
}

void WriteErrorLine(const char* text) {
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
}

void SuppressSystemDialogs() {}

}  // namespace native

void UseHugePageAllocator(char** argv) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 35))
    const char* current = std::getenv("GLIBC_TUNABLES");
    if (current != nullptr && std::strstr(current, "glibc.malloc.hugetlb") != nullptr) {
        return;  // set already, by the restart or by the caller
    }
    std::string value = current != nullptr && *current != 0 ? std::string(current) + ":" : "";
    value += "glibc.malloc.hugetlb=1";
    if (setenv("GLIBC_TUNABLES", value.c_str(), 1) == 0) {
        execv("/proc/self/exe", argv);
    }
#else
    (void)argv;
#endif
}

void* MapPages(size_t bytes) {
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) {
        return nullptr;
    }
#ifdef MADV_HUGEPAGE
    madvise(block, bytes, MADV_HUGEPAGE);  // advice only: small pages if refused
#endif
    return block;
}

void UnmapPages(void* block, size_t bytes) {
    if (block != nullptr) {
        munmap(block, bytes);
    }
}

uint32_t Milliseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void YieldThread() {
    sched_yield();
}

void BeginTimerResolution() {}
void EndTimerResolution() {}

std::string LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local;
    localtime_r(&now, &local);
    char buffer[64];
    std::strftime(buffer, sizeof buffer, "%a %b %d %H:%M:%S %Y\n", &local);
    return buffer;
}

}  // namespace platform

#endif
