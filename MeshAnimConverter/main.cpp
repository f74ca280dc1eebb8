// VantokMeshImporter: converts one interchange file into .im, .kin and texture descriptors.
//
// On Windows the entry is wmain (linked with -municode): the C runtime splits the wide command
// line by its usual rules and the words are handed on as UTF-8, so every path the program holds
// is UTF-8 on every platform, whatever the console's code page.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "MeshAnimConverter/driver/ProgramEntry.h"
#include "toolkit/platform/Platform.h"

namespace {

int Run(const std::vector<std::string>& arguments) {
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);
    return ProgramMain(static_cast<int>(arguments.size()), argv.data());
}

// Nothing may leave the entry as an exception: the run itself is guarded inside ProgramMain,
// this catches what the start-up could still throw (an allocation failure).
int Guarded(const std::vector<std::string>& arguments) {
    platform::SuppressSystemDialogsWhenUnattended();
    try {
        return Run(arguments);
    } catch (...) {
        std::fflush(stdout);
        std::fputs("Error: Failed to process files\n", stdout);
        std::fflush(stdout);
        return 1;
    }
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    try {
        arguments = platform::ArgumentsToUtf8(argc, argv);
    } catch (...) {
        std::fputs("Error: Out of memory.\nError: Failed to process files\n", stdout);
        return 1;
    }
    return Guarded(arguments);
}
#else
int main(int argc, char** argv) {
    platform::UseHugePageAllocator(argv);
    std::vector<std::string> arguments;
    try {
        arguments.assign(argv, argv + argc);
    } catch (...) {
        std::fputs("Error: Out of memory.\nError: Failed to process files\n", stdout);
        return 1;
    }
    return Guarded(arguments);
}
#endif
