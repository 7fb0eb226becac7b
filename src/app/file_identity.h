#pragma once

// Which file on disk a name leads to. Two names lead to the same file when their
// identities are equal, whatever the names: a relative and an absolute path, a
// hard link, a symbolic link. A run records the files it reads by identity, so
// that none of its results is ever written over one of them (result_files.h).

#include <cstdint>
#include <optional>
#include <string>

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

}  // namespace ferlane
