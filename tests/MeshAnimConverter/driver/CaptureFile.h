// A temporary FILE* whose contents a test can read back, for capturing console output.
#pragma once

#include <cstdio>
#include <string>

class CaptureFile {
public:
    CaptureFile() : m_file(std::tmpfile()) {}
    explicit CaptureFile(const std::string& contents) : m_file(std::tmpfile()) {
        std::fwrite(contents.data(), 1, contents.size(), m_file);
        std::rewind(m_file);
    }
    ~CaptureFile() { std::fclose(m_file); }
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    std::FILE* get() const { return m_file; }
    std::string Text() const {
        std::fflush(m_file);
        const long end = std::ftell(m_file);
        std::string text(static_cast<size_t>(end), '\0');
        std::rewind(m_file);
        const size_t got = std::fread(text.data(), 1, text.size(), m_file);
        text.resize(got);
        std::fseek(m_file, 0, SEEK_END);
        return text;
    }
    long Position() const { return std::ftell(m_file); }

private:
    std::FILE* m_file;
};
