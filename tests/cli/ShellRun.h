// ShellRun: runs a shell command and collects its standard output and exit status, for the
// tests that run the built program as a user would.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

struct ShellOutcome {
    int status = -1;
    std::string out;
};

inline ShellOutcome ShellRun(const std::string& command) {
    ShellOutcome o;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return o;
    }
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        o.out.append(buffer, n);
    }
    const int raw = pclose(pipe);
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return o;
}

inline bool HaveScriptCommand() {
    return ShellRun("command -v script >/dev/null 2>&1 && echo yes").out == "yes\n";
}
