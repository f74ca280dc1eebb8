// ViewOptions: the vantok-view command line.
//
//   vantok-view [FOLDER|FILE.im|FILE.xml ...] [--host H] [--port N] [--open] [--cache DIR]
//   vantok-view --snapshot OUT.png FILE [--kin A.kin] [--time S] [--size WxH] [--page]
//               [--look material|chunk|order|weight] [--skeleton]
//   vantok-view --contact-sheet OUT.png FOLDER... [--size WxH]
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct ViewOptions {
    std::vector<std::string> inputs;  // none: the current folder
    std::string host = "127.0.0.1";
    int port = 8080;
    bool open = false;
    std::string cache;  // empty: the user's cache folder
    std::string snapshot;
    std::string contactSheet;
    std::string kin;
    double time = 0;
    bool page = false;          // the whole model page, not the model alone
    std::string look;           // colour mode; empty: materials
    bool skeleton = false;      // the skeleton overlay
    int width = 0, height = 0;  // 0: the mode's default
};

// Parses the arguments; gives -1 when parsed, else the exit status (0 after --help or
// --version, 2 after a usage error, its message written to `err`).
int ParseViewOptions(int argc, const char* const* argv, ViewOptions& options, std::FILE* out,
                     std::FILE* err);

// Parses "WxH" with both between 16 and 8192.
bool ParseSize(const std::string& text, int& width, int& height);
