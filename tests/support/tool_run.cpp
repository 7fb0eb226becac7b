#include "support/tool_run.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ferlane::support {

namespace {

std::string environmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

bool isWindowsProgram(const std::string& executable)
{
    return executable.size() > 4 && executable.compare(executable.size() - 4, 4, ".exe") == 0;
}

// The test's own environment without LC_ALL and LANGUAGE, with the invocation's
// settings on top, as "NAME=value" entries.
std::vector<std::string> childEnvironment(const std::map<std::string, std::string>& settings)
{
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        const std::string name(text.substr(0, text.find('=')));
        if (name != "LC_ALL" && name != "LANGUAGE" && settings.count(name) == 0) {
            entries.emplace_back(text);
        }
    }
    for (const auto& [name, value] : settings) {
        entries.push_back(name + "=" + value);
    }
    return entries;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

std::string toolExecutable()
{
    const std::string other = environmentValue("FERLANE_TEST_EXECUTABLE");
    return other.empty() ? std::string(FERLANE_EXECUTABLE) : other;
}

bool toolIsEmulated()
{
    return isWindowsProgram(toolExecutable()) && !environmentValue("FERLANE_TEST_EMULATOR").empty();
}

ToolRun runTool(const ToolInvocation& invocation)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const std::string emulator = environmentValue("FERLANE_TEST_EMULATOR");
    const bool emulated = isWindowsProgram(invocation.executable) && !emulator.empty();
    std::vector<std::string> argumentStrings;
    if (emulated) {
        argumentStrings.push_back(emulator);
    }
    argumentStrings.push_back(invocation.executable);
    argumentStrings.insert(argumentStrings.end(), invocation.arguments.begin(), invocation.arguments.end());
    if (argumentStrings[0].find('/') == std::string::npos) {
        // A bare name is found through the PATH the child is given, from the folder
        // it runs in: env looks it up, after the exec, as execvp would.
        argumentStrings.insert(argumentStrings.begin(), "/usr/bin/env");
    }
    const std::vector<char*> argv = pointersTo(argumentStrings);
    std::vector<std::string> environment = childEnvironment(invocation.environment);
    const std::vector<char*> envp = pointersTo(environment);
    // A run that loops, or waits on something that never comes, is stopped rather
    // than left to hang the suite.
    const rlimit cpu{30, 30};
    const rlimit space{invocation.addressSpaceLimit, invocation.addressSpaceLimit};

    const pid_t child = fork();
    if (child < 0) {
        throw std::runtime_error("fork failed");
    }
    if (child == 0) {
        // Nothing from here to the exec may allocate or take a lock: another thread
        // (a FifoFeed's) may have held one at the fork, and in the child it is never
        // released. Everything the child needs was made above; these are system calls.
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        if (chdir(invocation.workingDirectory.c_str()) != 0) {
            _exit(120);
        }
        setrlimit(RLIMIT_CPU, &cpu);
        alarm(90);
        if (invocation.addressSpaceLimit != 0) {
            setrlimit(RLIMIT_AS, &space);
        }
        execve(argv[0], argv.data(), envp.data());
        _exit(121);
    }
    close(pipeEnds[1]);
    ToolRun run;
    if (invocation.closeOutputEarly) {
        close(pipeEnds[0]);
        pipeEnds[0] = -1;
    }
    char buffer[4096];
    while (pipeEnds[0] >= 0) {
        const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
        if (got > 0) {
            run.output.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    if (pipeEnds[0] >= 0) {
        close(pipeEnds[0]);
    }
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.peakMemoryBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;  // counted in KiB
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    for (std::size_t at = 0; emulated && (at = run.output.find("\r\n", at)) != std::string::npos;) {
        run.output.erase(at, 1);
    }
    return run;
}

std::vector<std::string> linesOf(const std::string& output)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < output.size()) {
        const std::size_t end = output.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(output.substr(start) + "<no line end>");
            break;
        }
        lines.push_back(output.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> lastLinesOf(const std::string& output, std::size_t count)
{
    const std::vector<std::string> lines = linesOf(output);
    return {lines.end() - static_cast<long>(std::min(count, lines.size())), lines.end()};
}

FifoFeed::FifoFeed(std::filesystem::path path, std::string bytes) : path_(std::move(path)), bytes_(std::move(bytes))
{
    // A tool that stops reading must show up as a failed write, not end the test.
    std::signal(SIGPIPE, SIG_IGN);
    if (mkfifo(path_.c_str(), 0600) != 0) {
        throw std::runtime_error("mkfifo failed");
    }
    writer_ = std::thread([this] { feed(); });
}

FifoFeed::~FifoFeed()
{
    stop_ = true;
    writer_.join();
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);  // a later write to the name must not wait for a reader
}

void FifoFeed::feed()
{
    // Opening for writing without a reader fails at once, so the thread can
    // wait for the tool and still notice that the test is over.
    int fd = -1;
    while (!stop_ && (fd = open(path_.c_str(), O_WRONLY | O_NONBLOCK)) < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (fd < 0) {
        return;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::size_t at = 0;
    while (at < bytes_.size()) {
        const ssize_t written = write(fd, bytes_.data() + at, bytes_.size() - at);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            break;  // the tool closed its end
        }
        at += static_cast<std::size_t>(written);
    }
    close(fd);
}

}  // namespace ferlane::support
