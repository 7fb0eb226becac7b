#pragma once

// A named pipe that hands the tool a picture as a pipe does: it cannot seek and
// cannot tell its length. A thread writes the bytes once the tool opens it for
// reading, and gives up quietly if the tool stops reading or never opens it.
// The pipe is removed with the feed.

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferlane::testing {

class FifoFeed {
public:
    FifoFeed(std::filesystem::path path, std::string bytes) : path_(std::move(path)), bytes_(std::move(bytes))
    {
        // A tool that stops reading must show up as a failed write, not end the test.
        std::signal(SIGPIPE, SIG_IGN);
        if (mkfifo(path_.c_str(), 0600) != 0) {
            throw std::runtime_error("mkfifo failed");
        }
        writer_ = std::thread([this] { feed(); });
    }
    ~FifoFeed()
    {
        stop_ = true;
        writer_.join();
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);  // a later write to the name must not wait for a reader
    }
    FifoFeed(const FifoFeed&) = delete;
    FifoFeed& operator=(const FifoFeed&) = delete;

private:
    void feed()
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

    std::filesystem::path path_;
    std::string bytes_;
    std::atomic<bool> stop_{false};
    std::thread writer_;
};

}  // namespace ferlane::testing
