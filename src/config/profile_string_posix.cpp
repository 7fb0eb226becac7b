#include "profile_string.h"

#include "ini_text.h"
#include "names/native_names.h"

#include <algorithm>
#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferlane {
namespace {

// Closes the descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool isReadableSize(const struct stat& status)
{
    return S_ISREG(status.st_mode) && status.st_size >= 0 &&
           static_cast<std::uint64_t>(status.st_size) <= kProfileFileSizeLimit;
}

// Only a regular file of a sensible size is configuration. Anything else (a folder,
// a FIFO, a device, a file that cannot be read) is no configuration at all, like a
// missing file. The checks come before the open, and the open cannot block, so a
// FIFO that appears under the name between the two is never waited on either.
bool readConfigurationFile(const wchar_t* path, std::string& bytes)
{
    const std::string name = nativeFromWide(path);
    struct stat status {};
    if (name.empty() || stat(name.c_str(), &status) != 0 || !isReadableSize(status)) {
        return false;
    }
    const Descriptor file(open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0 || fstat(file.get(), &status) != 0 || !isReadableSize(status)) {
        return false;
    }
    // Room for one byte more than the file holds shows a file that grew since.
    bytes.resize(static_cast<std::size_t>(status.st_size) + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > kProfileFileSizeLimit) {
                return false;
            }
            bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(2 * filled, kProfileFileSizeLimit + 1)));
        }
        const ssize_t got = read(file.get(), bytes.data() + filled, bytes.size() - filled);
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return true;
}

}  // namespace

std::optional<std::wstring> readProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* path)
{
    std::string bytes;
    if (!readConfigurationFile(path, bytes)) {
        return std::nullopt;
    }
    return findIniValue(decodeIniText(bytes), section, key);
}

}  // namespace ferlane
