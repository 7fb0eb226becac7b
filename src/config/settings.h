#pragma once

#include <cstdint>
#include <string>

namespace ferlane {

// Resolves file names by key: the command line first, then the configuration file,
// then the caller's default. On either source the value "DEFAULT", exactly these
// seven characters, selects the caller's default. Built once per run; it caches
// nothing, so every request consults its sources anew.
class Settings {
public:
    Settings(std::int32_t argumentCount, const wchar_t* const* argumentVector, std::wstring configurationPath);

    // The name for `key` in `section`, or `defaultValue` where neither source gives
    // one. A value from the configuration file keeps at most its first 255
    // characters; one from the command line is taken whole.
    std::wstring get(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue) const;

private:
    std::int32_t argumentCount_;
    const wchar_t* const* argumentVector_;  // borrowed: the entry point's vector outlives us
    std::wstring configurationPath_;
};

// Returns the text just past "--<key>=" in the first argument (from index 1) that
// starts with it, compared character by character, case included; nullptr when
// none does. The value runs to the end of that argument.
const wchar_t* findCommandLineValue(std::int32_t argumentCount, const wchar_t* const* argumentVector,
                                    const wchar_t* key);

}  // namespace ferlane
