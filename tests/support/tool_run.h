#pragma once

// Runs the built tool as a user would: its own process, a working directory, an
// environment, its standard output captured whole, and pictures handed to it
// through pipes.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace ferlane::support {

struct ToolRun {
    // The exit status as the shell sees it; -1 if it did not exit (a run still going
    // after 90 seconds, or 30 seconds of processor time, is killed).
    int status = -1;
    std::string output;  // everything written to standard output
    // The most memory the run held at once (its peak resident set), as the system
    // accounted it to the child.
    std::uint64_t peakMemoryBytes = 0;
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
    // Close the reading end of the output pipe before the child starts writing, as
    // a reader such as `head` does once it has seen enough.
    bool closeOutputEarly = false;
};

ToolRun runTool(const ToolInvocation& invocation);

// The tool under test: this build's own ferlane, or, when FERLANE_TEST_EXECUTABLE
// names another build of it (the Windows ferlane.exe), that one, run through the
// program that FERLANE_TEST_EMULATOR names (wine). This is the one place where the
// platforms' differences are handled: runTool starts .exe files through the
// emulator and turns their CRLF line ends into LF. Both builds exit with 255 after
// a failure, so statuses compare alike.
std::string toolExecutable();

// True when the tool runs under an emulator. A few tests then skip what is a fact
// of the emulator rather than of the tool: Wine needs a UTF-8 locale to pass
// non-ASCII arguments, reserves more address space than a tight limit allows, and
// finds programs through the Windows search path rather than PATH.
bool toolIsEmulated();

// The console lines of a run, without the line ends.
std::vector<std::string> linesOf(const std::string& output);

// Its last few lines, or all of them where there are fewer: where a run stopped.
std::vector<std::string> lastLinesOf(const std::string& output, std::size_t count);

// A named pipe that hands the tool a picture as a pipe does: it cannot seek and
// cannot tell its length. A thread writes the bytes once the tool opens it for
// reading, and gives up quietly if the tool stops reading or never opens it.
// The pipe is removed with the feed.
class FifoFeed {
public:
    FifoFeed(std::filesystem::path path, std::string bytes);
    ~FifoFeed();
    FifoFeed(const FifoFeed&) = delete;
    FifoFeed& operator=(const FifoFeed&) = delete;

private:
    void feed();

    std::filesystem::path path_;
    std::string bytes_;
    std::atomic<bool> stop_{false};
    std::thread writer_;
};

}  // namespace ferlane::support
