#pragma once

#include <cstdint>
#include <string>

namespace ferlane {

// The value that, on the command line or in the configuration file, selects the
// built-in default: exactly these seven characters, nothing before or after.
inline constexpr const wchar_t* kDefaultSentinel = L"DEFAULT";

// Resolves file names by key: the command line first, then the configuration file,
// then the caller's default. Built once per run; it caches nothing, so every
// request consults its sources anew.
class Settings {
public:
    Settings(std::int32_t argumentCount, const wchar_t* const* argumentVector,
             std::wstring configurationPath);

    // The name for `key` in `section`, or `defaultValue` where neither source gives one.
    std::wstring get(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue) const;

    std::int32_t argumentCount;
    const wchar_t* const* argumentVector;  // borrowed: the entry point's vector outlives us
    std::wstring configurationPath;
};

// Returns the text just past "--<key>=" in the first argument (from index 1) that
// starts with it, compared character by character, case included; nullptr when
// none does. The value runs to the end of that argument.
const wchar_t* findCommandLineValue(std::int32_t argumentCount, const wchar_t* const* argumentVector,
                                    const wchar_t* key);

// The whole resolution of one key, as Settings::get performs it.
std::wstring lookupSetting(std::int32_t argumentCount, const wchar_t* const* argumentVector,
                           const std::wstring& configurationPath, const wchar_t* section,
                           const wchar_t* key, const wchar_t* defaultValue);

}  // namespace ferlane
