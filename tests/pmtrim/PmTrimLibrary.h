// PmTrimLibrary: loads the built pmtrim shared library with dlopen and finds its four exports
// by name, as a host program does.
#pragma once

#include <dlfcn.h>

#include <cstdint>
#include <stdexcept>
#include <string>

class PmTrimLibrary {
public:
    using ConverterFn = bool (*)(const char*, const char*);
    using GetErrorFn = const char* (*)();
    using CountFn = std::int32_t (*)();

    static PmTrimLibrary& Get() {
        static PmTrimLibrary library(PMTRIM_LIBRARY);
        return library;
    }

    ConverterFn Converter = nullptr;
    GetErrorFn GetError = nullptr;
    CountFn GetChunkCount = nullptr;
    CountFn GetRemovedCount = nullptr;
    void* handle = nullptr;

private:
    explicit PmTrimLibrary(const char* path) {
        handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            throw std::runtime_error(std::string("dlopen failed: ") + dlerror());
        Converter = reinterpret_cast<ConverterFn>(dlsym(handle, "Converter"));
        GetError = reinterpret_cast<GetErrorFn>(dlsym(handle, "GetError"));
        GetChunkCount = reinterpret_cast<CountFn>(dlsym(handle, "GetChunkCount"));
        GetRemovedCount = reinterpret_cast<CountFn>(dlsym(handle, "GetRemovedCount"));
    }
};
