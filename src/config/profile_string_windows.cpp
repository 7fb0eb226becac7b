#include "profile_string.h"

#include <cstdint>
#include <cwchar>
#include <iterator>

#include <windows.h>

namespace ferlane {
namespace {

// Windows reads a folder named like the file as no file, but it reads a file of
// any size whole: one past the limit is taken as missing, as elsewhere.
bool isConfigurationFile(const wchar_t* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) {
        return false;
    }
    if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        return false;
    }
    const std::uint64_t size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return size <= kProfileFileSizeLimit;
}

}  // namespace

std::optional<std::wstring> readProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* path)
{
    if (!isConfigurationFile(path)) {
        return std::nullopt;
    }
    // The call gives its fallback for a key it does not find. No value read from a
    // file holds a line end, so this fallback tells "not found" apart from every
    // value, the empty one included; it ends in no blank, which the call would strip.
    static constexpr wchar_t kNotFound[] = L"\n(not found)";
    wchar_t buffer[kProfileValueLimit + 1];
    // The count it returns is not needed: the buffer always ends with a terminator.
    GetPrivateProfileStringW(section, key, kNotFound, buffer, static_cast<DWORD>(std::size(buffer)), path);
    if (std::wcscmp(buffer, kNotFound) == 0) {
        return std::nullopt;
    }
    return std::wstring(buffer);
}

}  // namespace ferlane
