#include "settings.h"

#include "profile_string.h"

#include <algorithm>
#include <cwchar>
#include <string_view>
#include <utility>

namespace ferlane {
namespace {

// The value that selects the built-in default, compared whole: "default" or
// "DEFAULT " is an ordinary file name.
constexpr std::wstring_view kDefaultSentinel = L"DEFAULT";

}  // namespace

Settings::Settings(std::int32_t argumentCount, const wchar_t* const* argumentVector, std::wstring configurationPath)
    : argumentCount_(argumentCount), argumentVector_(argumentVector), configurationPath_(std::move(configurationPath))
{
}

std::wstring Settings::get(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue) const
{
    std::wstring value;
    if (const wchar_t* argument = findCommandLineValue(argumentCount_, argumentVector_, key)) {
        value = argument;
    } else if (auto read = readProfileString(section, key, configurationPath_.c_str())) {
        // Windows' profile call hands a value over already cut; our own reader does not.
        value = std::move(*read);
        value.resize(std::min(value.size(), kProfileValueLimit));
    } else {
        return defaultValue;
    }
    return value == kDefaultSentinel ? std::wstring(defaultValue) : value;
}

const wchar_t* findCommandLineValue(std::int32_t argumentCount, const wchar_t* const* argumentVector,
                                    const wchar_t* key)
{
    const std::wstring prefix = std::wstring(L"--") + key + L"=";
    for (std::int32_t index = 1; index < argumentCount; ++index) {
        const wchar_t* argument = argumentVector[index];
        // wcsncmp stops at the argument's terminator, so a shorter argument never matches.
        if (argument != nullptr && std::wcsncmp(argument, prefix.c_str(), prefix.size()) == 0) {
            return argument + prefix.size();
        }
    }
    return nullptr;
}

}  // namespace ferlane
