// The conversion libraries hold no mutable namespace-scope state beyond a short, reasoned list:
// the symbols `nm` finds in their writable sections (.data, .bss and their thread-local forms;
// .data.rel.ro is read-only once relocated and holds vtables and typeinfo) must each match an
// entry of the allow-list below.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Allowed {
    const char* name;  // a symbol equal to this, or starting with it when it ends in '*'
    const char* reason;
};

const Allowed kAllowed[] = {
    // what the compiler places there
    {"guard variable for *", "the once-flag of a function-local static, set by its initialiser"},
    {"DW.ref.*", "exception-handling references, written by the loader only"},
    {"(anonymous namespace)::kNormalsChecker", "const object with a vtable, never written"},
    {"(anonymous namespace)::kTangentsChecker", "const object with a vtable, never written"},
    {"(anonymous namespace)::kBinormalsChecker", "const object with a vtable, never written"},
    {"(anonymous namespace)::g_empty", "gtString's shared empty buffer: count -1, never written"},
    // the console program's own objects
    {"programLog", "the console program's log; a run reports to the log it is handed"},
    {"(anonymous namespace)::g_current", "the console program's time device (its timer)"},
    {"gtPlatformTimeDevice()::device", "the platform time device the console program installs"},
    {"(anonymous namespace)::g_timerResolution", "the console program's Windows timer setting"},
    {"(anonymous namespace)::g_lock", "the console progress line's lock"},
    {"(anonymous namespace)::g_clear", "the console progress line's clearer, under its lock"},
    {"(anonymous namespace)::g_context", "the console progress line's clearer, under its lock"},
    // made once, then shared safely
    {"WinDebug::GetSettings()::settings", "the debug sink's record; `enabled` is atomic"},
    {"(anonymous namespace)::ErrorBoxHandler()::handler",
     "the error box's test seam; a run's "
     "lexers hand their texts to its sinks"},
    {"platform::(anonymous namespace)::Seams()::seams", "the platform layer's test seams"},
    {"(anonymous namespace)::g_currentDevice", "the file device's test seam, never set by a run"},
    {"WinFileDevice::Instance()::device", "the one file device, made once, its tables fixed"},
    {"(anonymous namespace)::Pool()::pool",
     "a process-wide allocator (strings, tokens, "
     "file handles), each under its own lock"},
    {"(anonymous namespace)::Pool()::reaper", "frees the token pool at exit, under its lock"},
    {"(anonymous namespace)::Table()::table", "the lexer's punctuation table, built once"},
};

bool IsWritable(const std::string& section) {
    const auto starts = [&section](const char* prefix) { return section.rfind(prefix, 0) == 0; };
    if (starts(".data.rel.ro")) {
        return false;
    }
    return starts(".data") || starts(".bss") || starts(".tdata") || starts(".tbss");
}

const Allowed* Find(const std::string& symbol) {
    for (const Allowed& allowed : kAllowed) {
        const std::string name = allowed.name;
        const bool prefix = !name.empty() && name.back() == '*';
        if (prefix ? symbol.rfind(name.substr(0, name.size() - 1), 0) == 0 : symbol == name) {
            return &allowed;
        }
    }
    return nullptr;
}

#ifndef _WIN32
std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    const size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// The writable data symbols of one library: "section | symbol" per entry.
std::vector<std::string> WritableSymbols(const std::string& library) {
    const std::string command =
        std::string(VANTOK_NM) + " -C --defined-only --format=sysv '" + library + "' 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    std::vector<std::string> found;
    if (pipe == nullptr) {
        ADD_FAILURE() << command;
        return found;
    }
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        std::vector<std::string> fields;
        std::stringstream line(buffer);
        std::string field;
        while (std::getline(line, field, '|')) {
            fields.push_back(Trim(field));
        }
        if (fields.size() >= 7 && !fields[6].empty() && fields[6].back() == '\n') {
            fields[6].pop_back();
        }
        if (fields.size() >= 7 && IsWritable(Trim(fields[6]))) {
            found.push_back(Trim(fields[6]) + " | " + fields[0]);
        }
    }
    EXPECT_EQ(pclose(pipe), 0) << command;
    return found;
}
#endif

// Sanitizer builds add writable metadata of their own (unnamed source locations, global
// descriptors); the uninstrumented build checks the code.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kInstrumented = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kInstrumented = true;
#else
constexpr bool kInstrumented = false;
#endif
#else
constexpr bool kInstrumented = false;
#endif

}  // namespace

TEST(WritableData, OnlyAllowedSymbolsInTheConversionLibraries) {
#ifdef _WIN32
    GTEST_SKIP() << "nm reads the Linux build's libraries";
#else
    if (kInstrumented) {
        GTEST_SKIP() << "sanitizer metadata is writable data of the instrumented build";
    }
    std::stringstream libraries(VANTOK_CONVERSION_LIBRARIES);
    std::string library;
    int seen = 0;
    while (std::getline(libraries, library, ',')) {
        SCOPED_TRACE(library);
        const std::vector<std::string> symbols = WritableSymbols(library);
        for (const std::string& entry : symbols) {
            const std::string symbol = entry.substr(entry.find(" | ") + 3);
            EXPECT_NE(Find(symbol), nullptr) << "writable data not accounted for: " << entry;
        }
        seen += static_cast<int>(symbols.size());
    }
    EXPECT_GT(seen, 0);  // nm ran and found the guard variables at least
#endif
}

TEST(WritableData, AllowListMatchesExactNamesAndPrefixes) {
    EXPECT_NE(Find("guard variable for foo()::x"), nullptr);
    EXPECT_NE(Find("programLog"), nullptr);
    EXPECT_EQ(Find("programLog2"), nullptr);
    EXPECT_EQ(Find("(anonymous namespace)::g_seed"), nullptr);
    EXPECT_FALSE(IsWritable(".data.rel.ro.local"));
    EXPECT_TRUE(IsWritable(".data.rel.local"));
    EXPECT_TRUE(IsWritable(".bss"));
    EXPECT_TRUE(IsWritable(".tbss"));
    EXPECT_FALSE(IsWritable(".rodata"));
}
