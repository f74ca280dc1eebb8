// A temporary FILE* whose contents a test can read back, for capturing console output.
#pragma once

#include <cstdio>
#include <string>

class CaptureFile {
public:
    CaptureFile() : file_(std::tmpfile()) {}
    explicit CaptureFile(const std::string& contents) : file_(std::tmpfile()) {
        std::fwrite(contents.data(), 1, contents.size(), file_);
        std::rewind(file_);
    }
    ~CaptureFile() { std::fclose(file_); }
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    std::FILE* get() const { return file_; }
    std::string Text() const {
        std::fflush(file_);
        const long end = std::ftell(file_);
        std::string text(static_cast<size_t>(end), '\0');
        std::rewind(file_);
        const size_t got = std::fread(text.data(), 1, text.size(), file_);
        text.resize(got);
        std::fseek(file_, 0, SEEK_END);
        return text;
    }
    long Position() const { return std::ftell(file_); }

private:
    std::FILE* file_;
};
