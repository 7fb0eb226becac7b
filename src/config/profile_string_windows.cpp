#include "profile_string.h"

#include <algorithm>
#include <cstdint>
#include <limits>

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

void readProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* fallback,
                       wchar_t* buffer, std::size_t bufferSize, const wchar_t* path)
{
    if (bufferSize == 0) {
        return;
    }
    const DWORD size = bufferSize > std::numeric_limits<DWORD>::max()
                           ? std::numeric_limits<DWORD>::max()
                           : static_cast<DWORD>(bufferSize);
    if (!isConfigurationFile(path)) {
        lstrcpynW(buffer, fallback, static_cast<int>(std::min<DWORD>(size, std::numeric_limits<int>::max())));
        return;
    }
    // The count it returns is not needed: the buffer always ends with a terminator.
    GetPrivateProfileStringW(section, key, fallback, buffer, size, path);
}

}  // namespace ferlane
