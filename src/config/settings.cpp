#include "settings.h"

#include "profile_string.h"

#include <cwchar>
#include <utility>

namespace ferlane {
namespace {

// Room for a value read from the configuration file, terminator included: longer
// values arrive cut to their first kProfileBufferSize - 1 characters.
constexpr std::size_t kProfileBufferSize = 256;

bool isSentinel(const wchar_t* value)
{
    return std::wcscmp(value, kDefaultSentinel) == 0;
}

}  // namespace

Settings::Settings(std::int32_t argumentCount_, const wchar_t* const* argumentVector_,
                   std::wstring configurationPath_)
    : argumentCount(argumentCount_),
      argumentVector(argumentVector_),
      configurationPath(std::move(configurationPath_))
{
}

std::wstring Settings::get(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue) const
{
    return lookupSetting(argumentCount, argumentVector, configurationPath, section, key, defaultValue);
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

std::wstring lookupSetting(std::int32_t argumentCount, const wchar_t* const* argumentVector,
                           const std::wstring& configurationPath, const wchar_t* section,
                           const wchar_t* key, const wchar_t* defaultValue)
{
    if (const wchar_t* value = findCommandLineValue(argumentCount, argumentVector, key)) {
        return isSentinel(value) ? std::wstring(defaultValue) : std::wstring(value);
    }
    wchar_t buffer[kProfileBufferSize];
    readProfileString(section, key, kDefaultSentinel, buffer, kProfileBufferSize,
                      configurationPath.c_str());
    return isSentinel(buffer) ? std::wstring(defaultValue) : std::wstring(buffer);
}

}  // namespace ferlane
