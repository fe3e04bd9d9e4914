#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

// The program itself, started without a display in a working directory of its own, with its
// output collected. Qt-free, for the command-line tool's tests.
struct CProgramRun
{
    // -1: did not end within the budget (it was killed); -2: ended by a signal.
    int exitCode = -1;
    std::string out;
    std::string err;
};

struct CProgramOptions
{
    // Standard error on a pseudo-terminal instead of a pipe.
    bool stderrOnTerminal = false;
    // Extra environment entries (NAME, value).
    std::vector<std::pair<std::string, std::string>> environment;
    std::chrono::milliseconds budget{120000};
    // Runs on a thread of its own once the program has started (to signal it, or to look at or
    // change its files while it runs); the run's result waits for it.
    std::function<void(pid_t)> whileRunning;
};

CProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& workDir, const CProgramOptions& options = {});
