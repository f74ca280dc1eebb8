// LogCapture: collects the program log's printed lines for the duration of a test.
//
// Redirects programLog to a temporary file and resets its counters; Lines() gives every printed
// line ("Error: ...", "Warning: ...", "Info: ...") in order. Restores standard output on exit.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "MeshAnimConverter/driver/LogFile.h"
#include "tests/TestFiles.h"
#include "toolkit/WinDebug.h"

class LogCapture {
public:
    LogCapture() : m_file(std::tmpfile()) {
        WinDebug::SetEnabled(false);  // no log.txt from tests
        programLog.Reset();
        programLog.SetOutput(m_file);
    }
    ~LogCapture() {
        programLog.SetOutput(nullptr);
        programLog.Reset();
        if (m_file != nullptr) {
            std::fclose(m_file);
        }
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Everything printed so far.
    std::string Text() const {
        std::string text;
        if (m_file == nullptr) {
            return text;
        }
        std::fflush(m_file);
        const long end = std::ftell(m_file);
        std::rewind(m_file);
        text.resize(static_cast<size_t>(end));
        const size_t got = std::fread(text.data(), 1, text.size(), m_file);
        text.resize(got);
        std::fseek(m_file, 0, SEEK_END);
        return text;
    }

    std::vector<std::string> Lines() const { return SplitLines(Text()); }

    // Lines that do not start with "Info: ".
    std::vector<std::string> Problems() const {
        std::vector<std::string> out;
        for (const std::string& line : Lines()) {
            if (line.rfind("Info: ", 0) != 0) {
                out.push_back(line);
            }
        }
        return out;
    }

private:
    std::FILE* m_file;
};
