#include "profile_string.h"

#include <limits>

#include <windows.h>

namespace ferlane {

void readProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* fallback,
                       wchar_t* buffer, std::size_t bufferSize, const wchar_t* path)
{
    if (bufferSize == 0) {
        return;
    }
    const DWORD size = bufferSize > std::numeric_limits<DWORD>::max()
                           ? std::numeric_limits<DWORD>::max()
                           : static_cast<DWORD>(bufferSize);
    // The count it returns is not needed: the buffer always ends with a terminator.
    GetPrivateProfileStringW(section, key, fallback, buffer, size, path);
}

}  // namespace ferlane
