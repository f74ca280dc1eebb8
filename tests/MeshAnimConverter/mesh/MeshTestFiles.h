// Helpers of the mesh tests: the separator the program joins paths with, and a user interface
// that records what it was asked (scratch folders and whole-file reads: tests/TestFiles.h).
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
#include "tests/TestFiles.h"

// The separator the program writes when it joins a folder and a file name.
#ifdef _WIN32
inline const std::string kJoin = "\\";
#else
inline const std::string kJoin = "/";
#endif

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
