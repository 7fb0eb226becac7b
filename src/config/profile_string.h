#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace ferlane {

// A configuration file larger than this is taken as no configuration file at all,
// on every platform: a real one holds a few hundred bytes, and Windows' profile
// call would otherwise read a file of any size whole, seven times a run.
inline constexpr std::uint64_t kProfileFileSizeLimit = 1024 * 1024;

// The most characters of a configuration-file value that a setting keeps. Windows'
// profile call reads into a buffer of this many characters and a terminator.
inline constexpr std::size_t kProfileValueLimit = 255;

// The value of `key` in `section` of the INI file at `path`, read as the Windows
// profile call the configuration file was designed for reads it; nothing where the
// file is missing or unreadable, or has no such section or key. Only a regular file
// of at most kProfileFileSizeLimit bytes is read: a folder, a FIFO, a device or a
// larger file counts as missing, and nothing ever waits on the file.
// On Windows this is GetPrivateProfileStringW itself, and a value arrives cut to
// kProfileValueLimit characters; elsewhere it is our own reader, which follows the
// same finer rules (see ini_text.h) and returns the value whole.
std::optional<std::wstring> readProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* path);

}  // namespace ferlane
