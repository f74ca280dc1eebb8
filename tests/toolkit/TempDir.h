// A scratch folder for one test, removed with its contents afterwards.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

class TempDir {
public:
    TempDir() {
        std::random_device seed;
        m_path = std::filesystem::temp_directory_path() /
                 ("vantok_test_" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream out(m_path / name, std::ios::binary);
        out << bytes;
        return File(name);
    }
    const std::filesystem::path& Path() const { return m_path; }
    // The folder's path joined with a UTF-8 name, as UTF-8 (the program's form on every
    // platform, whatever the code page).
    std::string Utf8(const std::string& name) const {
        const std::u8string folder = m_path.u8string();
        return std::string(folder.begin(), folder.end()) + "/" + name;
    }

private:
    std::filesystem::path m_path;
};
