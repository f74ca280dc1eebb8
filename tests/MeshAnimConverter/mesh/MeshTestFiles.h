// Helpers of the mesh tests: a scratch folder removed at the end of a test, whole-file reads,
// and a user interface that records what it was asked.
#pragma once

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "MeshAnimConverter/report/ExportUserInterface.h"

// The separator the program writes when it joins a folder and a file name.
#ifdef _WIN32
inline const std::string kJoin = "\\";
#else
inline const std::string kJoin = "/";
#endif

class ScratchFolder {
public:
    ScratchFolder() {
        static std::atomic<int> counter{0};
        static const unsigned run = std::random_device{}();
        m_path = std::filesystem::temp_directory_path() /
                 ("vantok_mesh_test_" + std::to_string(run) + "_" + std::to_string(counter++));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchFolder() {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    std::string Path() const { return m_path.string(); }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteWholeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// Answers with scripted replies (then "no") and records every question and notice.
class RecordingUserInterface : public ExportUserInterface {
public:
    void ShowStatus(const char* text) override { statuses.emplace_back(text); }
    void ShowProgress(float fraction) override { progress.push_back(fraction); }
    bool Query() override {
        ++queries;
        return queryAnswer;
    }
    bool Ask(const char* text, int yesNo, int flags) override {
        (void)flags;
        asked.emplace_back(text);
        kinds.push_back(yesNo);
        if (yesNo == 0 || replies.empty()) {
            return false;
        }
        const bool reply = replies.front();
        replies.erase(replies.begin());
        return reply;
    }

    std::vector<std::string> statuses;
    std::vector<float> progress;
    std::vector<std::string> asked;
    std::vector<int> kinds;
    std::vector<bool> replies;
    bool queryAnswer = false;
    int queries = 0;
};
