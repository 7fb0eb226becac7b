#pragma once

#include <cstddef>
#include <cstdint>

namespace ferlane {

// A configuration file larger than this is taken as no configuration file at all,
// on every platform: a real one holds a few hundred bytes, and Windows' profile
// call would otherwise read a file of any size whole, seven times a run.
inline constexpr std::uint64_t kProfileFileSizeLimit = 1024 * 1024;

// Reads one value from an INI file, with the contract of the Windows profile call
// the configuration file was designed for:
//  - the value of `key` in `section` lands in `buffer`, cut to bufferSize - 1
//    characters and always terminated;
//  - a file that is missing or unreadable, a missing section or a missing key
//    gives `fallback` instead;
//  - only a regular file of at most kProfileFileSizeLimit bytes is read: a folder,
//    a FIFO, a device or a larger file counts as missing, and nothing ever waits
//    on the file.
// On Windows this is GetPrivateProfileStringW itself; elsewhere our own reader,
// which follows the same finer rules (see ini_text.h).
void readProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* fallback,
                       wchar_t* buffer, std::size_t bufferSize, const wchar_t* path);

}  // namespace ferlane
