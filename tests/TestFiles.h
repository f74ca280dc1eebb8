// TestFiles: the one scratch folder and the whole-file reads and writes every test uses.
//
// ScratchFolder makes a fresh folder under the system's temporary folder, unique to the process
// and the instance, and removes it with its contents when it goes. Paths are handed out as the
// platform's narrow text; Utf8 gives a path whose last part is a UTF-8 name.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

class ScratchFolder {
public:
    ScratchFolder() {
        static std::atomic<int> counter{0};
        static const unsigned run = std::random_device{}();
        m_path = std::filesystem::temp_directory_path() /
                 ("vantok_test_" + std::to_string(run) + "_" + std::to_string(counter++));
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Dir() const { return m_path; }
    std::string Path() const { return m_path.string(); }
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    // Writes `bytes` to the file `name` in the folder; returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream out(m_path / name, std::ios::binary);
        out << bytes;
        return File(name);
    }
    // The folder's path joined with a UTF-8 name, as UTF-8 (the program's form on every
    // platform, whatever the code page).
    std::string Utf8(const std::string& name) const {
        const std::u8string folder = m_path.u8string();
        return std::string(folder.begin(), folder.end()) + "/" + name;
    }
    // How many entries the folder holds.
    int Entries() const {
        int n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
            (void)entry;
            ++n;
        }
        return n;
    }

private:
    std::filesystem::path m_path;
};

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteWholeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// The lines of a text without their '\n'; a last line without one counts, an empty text has none.
inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}
