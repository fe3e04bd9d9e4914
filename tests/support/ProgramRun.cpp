#include "ProgramRun.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{

// Reads what is there; false once the other side is closed (a terminal reports EIO then).
bool Drain(int fd, std::string& into)
{
    char buffer[4096];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0)
    {
        into.append(buffer, static_cast<std::size_t>(got));
        return true;
    }
    return got < 0 && (errno == EINTR || errno == EAGAIN);
}

} // namespace

CProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& workDir, const CProgramOptions& options)
{
    int outPipe[2];
    int errPipe[2] = {-1, -1};
    int terminal = -1;
    int terminalChild = -1;
    if (::pipe(outPipe) != 0)
        return {};
    if (options.stderrOnTerminal)
    {
        if (::openpty(&terminal, &terminalChild, nullptr, nullptr, nullptr) != 0)
            return {};
    }
    else if (::pipe(errPipe) != 0)
        return {};

    const pid_t child = ::fork();
    if (child == 0)
    {
        ::dup2(outPipe[1], STDOUT_FILENO);
        ::dup2(options.stderrOnTerminal ? terminalChild : errPipe[1], STDERR_FILENO);
        if (::chdir(workDir.c_str()) != 0)
            ::_exit(127);
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        ::setenv("XDG_CONFIG_HOME", (workDir + "/config").c_str(), 1);
        for (const auto& [name, value] : options.environment)
            ::setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    const int errRead = options.stderrOnTerminal ? terminal : errPipe[0];
    if (options.stderrOnTerminal)
        ::close(terminalChild);
    else
        ::close(errPipe[1]);

    std::thread watcher;
    if (options.whileRunning)
        watcher = std::thread(options.whileRunning, child);
    CProgramRun run;
    const auto deadline = std::chrono::steady_clock::now() + options.budget;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errRead, POLLIN, 0}};
    int open = 2;
    bool killed = false;
    while (open > 0)
    {
        if (std::chrono::steady_clock::now() >= deadline)
        {
            ::kill(child, SIGKILL);
            killed = true;
            break;
        }
        if (::poll(fds, 2, 100) <= 0)
            continue;
        for (int i = 0; i < 2; ++i)
        {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            if (!Drain(fds[i].fd, i == 0 ? run.out : run.err))
            {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    ::close(outPipe[0]);
    ::close(errRead);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (watcher.joinable())
        watcher.join();
    if (!killed)
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    return run;
}
