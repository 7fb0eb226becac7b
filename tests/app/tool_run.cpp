#include "tool_run.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ferlane::testing {

ToolRun runTool(const ToolInvocation& invocation)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    std::vector<std::string> argumentStrings{invocation.executable};
    argumentStrings.insert(argumentStrings.end(), invocation.arguments.begin(), invocation.arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : argumentStrings) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child < 0) {
        throw std::runtime_error("fork failed");
    }
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        if (chdir(invocation.workingDirectory.c_str()) != 0) {
            _exit(120);
        }
        // A run that loops instead of finishing is stopped rather than left to hang the suite.
        const rlimit cpu{30, 30};
        setrlimit(RLIMIT_CPU, &cpu);
        if (invocation.addressSpaceLimit != 0) {
            const rlimit space{invocation.addressSpaceLimit, invocation.addressSpaceLimit};
            setrlimit(RLIMIT_AS, &space);
        }
        unsetenv("LC_ALL");
        unsetenv("LANGUAGE");
        for (const auto& [name, value] : invocation.environment) {
            setenv(name.c_str(), value.c_str(), 1);
        }
        execvp(invocation.executable.c_str(), argv.data());
        _exit(121);
    }
    close(pipeEnds[1]);
    ToolRun run;
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
        if (got > 0) {
            run.output.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    close(pipeEnds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

}  // namespace ferlane::testing
