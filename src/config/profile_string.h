#pragma once

#include <cstddef>

namespace ferlane {

// Reads one value from an INI file, with the contract of the Windows profile call
// the configuration file was designed for:
//  - the value of `key` in `section` lands in `buffer`, cut to bufferSize - 1
//    characters and always terminated;
//  - a file that is missing or unreadable, a missing section or a missing key
//    gives `fallback` instead.
// On Windows this is GetPrivateProfileStringW itself; elsewhere our own reader,
// which follows the same finer rules (see ini_text.h).
void readProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* fallback,
                       wchar_t* buffer, std::size_t bufferSize, const wchar_t* path);

}  // namespace ferlane
