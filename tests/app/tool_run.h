#pragma once

// Runs the built tool as a user would: its own process, a working directory, an
// environment, and its standard output captured whole.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace ferlane::testing {

struct ToolRun {
    int status = -1;     // the exit status as the shell sees it; -1 if it did not exit
    std::string output;  // everything written to standard output
};

struct ToolInvocation {
    std::string executable;  // a path, or a bare name to look up through PATH
    std::vector<std::string> arguments;
    std::filesystem::path workingDirectory;
    // Set in the child's environment on top of the test's own; LC_ALL and LANGUAGE
    // are removed first, so LANG alone decides the locale unless set here.
    std::map<std::string, std::string> environment = {{"LANG", "C.UTF-8"}};
    // When not 0, the child's address space is limited to this many bytes, as
    // `ulimit -v` does, so that an oversized allocation fails instead of succeeding.
    std::uint64_t addressSpaceLimit = 0;
};

ToolRun runTool(const ToolInvocation& invocation);

// The console lines of a run, without the line ends.
std::vector<std::string> linesOf(const std::string& output);

}  // namespace ferlane::testing
