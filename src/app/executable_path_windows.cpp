#include "executable_path.h"

#include <windows.h>

namespace ferlane {

std::wstring executablePath()
{
    // A path cut to fit the buffer would name the wrong directory: grow until the
    // whole path fits (a full buffer means it may have been cut).
    std::wstring path(1024, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return std::wstring();
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768 * 2) {
            return std::wstring();  // longer than any Windows path can be
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace ferlane
