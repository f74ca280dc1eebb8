// pmtrim_host: the Windows host check. Loads pmtrim.dll by name with LoadLibraryA, finds the
// four undecorated __stdcall exports with GetProcAddress, converts a generated file and checks
// the counts, the result bytes and the error text. Exit status 0 when every check passes.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using ConverterFn = bool(__stdcall*)(const char*, const char*);
using GetErrorFn = const char*(__stdcall*)();
using CountFn = std::int32_t(__stdcall*)();

int failures = 0;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::printf("FAILED: %s\n", what);
        ++failures;
    }
}

void U32(std::vector<unsigned char>& bytes, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void Id(std::vector<unsigned char>& bytes, const char* id) {
    bytes.insert(bytes.end(), id, id + 4);
}

// A chunk of `total` bytes with version 100 and zero filler.
void Leaf(std::vector<unsigned char>& bytes, const char* id, std::uint32_t total) {
    Id(bytes, id);
    U32(bytes, total - 8);
    U32(bytes, 100);
    bytes.insert(bytes.end(), total - 12, 0);
}

// INFO (104), CHNK 0 with MATL, GEOM and a 40-byte NINF, a 24-byte PMIN.
std::vector<unsigned char> SampleFile(bool progressive) {
    std::vector<unsigned char> b;
    Id(b, "VIRF");
    U32(b, 4 + 76 + (16 + 20 + 20 + (progressive ? 40 : 0)) + (progressive ? 24 : 0));
    Id(b, "IDXM");
    Id(b, "INFO");
    U32(b, 68);
    U32(b, 104);
    b.insert(b.end(), 64, 0);
    Id(b, "CHNK");
    U32(b, 8 + 20 + 20 + (progressive ? 40 : 0));
    U32(b, 100);
    U32(b, 0);
    Leaf(b, "MATL", 20);
    Leaf(b, "GEOM", 20);
    if (progressive)
        Leaf(b, "NINF", 40);
    if (progressive)
        Leaf(b, "PMIN", 24);
    return b;
}

// A wide name in the host's 8-bit code page; empty when the code page cannot hold it.
std::string HostCodePage(const wchar_t* wide) {
    BOOL lossy = FALSE;
    char buffer[MAX_PATH];
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, buffer, sizeof buffer,
                                      nullptr, &lossy);
    return (n <= 0 || lossy) ? std::string() : std::string(buffer);
}

std::vector<unsigned char> ReadWideFile(const wchar_t* path) {
    std::vector<unsigned char> bytes;
    FILE* file = _wfopen(path, L"rb");
    if (!file)
        return bytes;
    int c;
    while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<unsigned char>(c));
    std::fclose(file);
    return bytes;
}

bool WriteFile(const char* path, const std::vector<unsigned char>& bytes) {
    FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

std::vector<unsigned char> ReadFile(const char* path) {
    std::vector<unsigned char> bytes;
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return bytes;
    int c;
    while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<unsigned char>(c));
    std::fclose(file);
    return bytes;
}

}  // namespace

int main() {
    HMODULE library = LoadLibraryA("pmtrim.dll");
    if (!library) {
        std::printf("FAILED: LoadLibraryA(\"pmtrim.dll\") error %lu\n", GetLastError());
        return 1;
    }
    auto converter = reinterpret_cast<ConverterFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "Converter")));
    auto getError =
        reinterpret_cast<GetErrorFn>(reinterpret_cast<void*>(GetProcAddress(library, "GetError")));
    auto getChunkCount = reinterpret_cast<CountFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetChunkCount")));
    auto getRemovedCount = reinterpret_cast<CountFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetRemovedCount")));
    if (!converter || !getError || !getChunkCount || !getRemovedCount) {
        std::printf("FAILED: an export is missing\n");
        return 1;
    }

    CreateDirectoryA("pmtrim_host_files", nullptr);
    DeleteFileA("pmtrim_host_files\\model.im");
    DeleteFileA("pmtrim_host_files\\out.im");

    Check(!converter("pmtrim_host_files\\model.pmx", nullptr), "model.pmx refused");
    Check(std::strcmp(getError(), "Not a pm file") == 0, "Not a pm file");

    Check(WriteFile("pmtrim_host_files\\model.pm", SampleFile(true)), "write source");
    Check(converter("pmtrim_host_files\\model.pm", nullptr), "convert without destination");
    Check(getChunkCount() == 2 && getRemovedCount() == 2, "counts 2 and 2");
    Check(ReadFile("pmtrim_host_files\\model.im") == SampleFile(false), "result bytes");
    Check(std::strcmp(getError(), "Not a pm file") == 0, "error text kept after success");

    // An existing output is replaced; the destination's folder is not used.
    Check(WriteFile("pmtrim_host_files\\out.im", {1, 2, 3}), "write old output");
    Check(converter("pmtrim_host_files/model.pm", "C:\\elsewhere\\out.im"), "convert to out.im");
    Check(ReadFile("pmtrim_host_files\\out.im") == SampleFile(false), "replaced output");

    Check(!converter("pmtrim_host_files\\missing.pm", ""), "missing source");
    Check(std::strcmp(getError(), "File Not Found.") == 0, "File Not Found.");

    // Paths are 8-bit in the host's code page: a folder and a file with accents.
    const std::string folder = HostCodePage(L"pmtrim_host_mod\u00e8le");
    const std::string source = HostCodePage(L"pmtrim_host_mod\u00e8le\\fig\u00fcr.pm");
    if (folder.empty() || source.empty()) {
        std::printf("note: the host code page holds no accents; non-ASCII check skipped\n");
    } else {
        CreateDirectoryW(L"pmtrim_host_mod\u00e8le", nullptr);
        DeleteFileW(L"pmtrim_host_mod\u00e8le\\fig\u00fcr.im");
        Check(WriteFile(source.c_str(), SampleFile(true)), "write accented source");
        Check(converter(source.c_str(), nullptr), "convert accented source");
        Check(getChunkCount() == 2 && getRemovedCount() == 2, "accented counts 2 and 2");
        Check(ReadWideFile(L"pmtrim_host_mod\u00e8le\\fig\u00fcr.im") == SampleFile(false),
              "accented result under its wide name");
    }

    FreeLibrary(library);
    std::printf(failures ? "%d checks failed\n" : "all checks passed\n", failures);
    return failures ? 1 : 0;
}
