#pragma once

// Which file on disk a name leads to. Two names lead to the same file when their
// identities are equal, whatever the names: a relative and an absolute path, a
// hard link, a symbolic link. The driver records the files a run reads, so that
// none of its results is ever written over one of them.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ferlane {

// Device and inode on POSIX; volume serial number and file index on Windows.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;

    friend bool operator==(const FileIdentity& a, const FileIdentity& b)
    {
        return a.volume == b.volume && a.file == b.file;
    }
};

// The identity of the file the name leads to, following links; nothing when no
// file can be found under it.
std::optional<FileIdentity> identifyFile(const std::wstring& path);

// Files that must survive the run unchanged: its photographs and the alpha file it read.
class KeptFiles {
public:
    void add(const std::wstring& path)
    {
        if (const auto identity = identifyFile(path)) {
            files_.push_back(*identity);
        }
    }

    bool contains(const std::wstring& path) const
    {
        const auto identity = identifyFile(path);
        return identity && std::find(files_.begin(), files_.end(), *identity) != files_.end();
    }

private:
    std::vector<FileIdentity> files_;
};

}  // namespace ferlane
