#include "configuration_path.h"

#include "path_separator.h"

namespace ferlane {

std::wstring configurationPathBeside(const std::wstring& executablePath)
{
    if (executablePath.empty()) {
        return std::wstring();
    }
    const std::size_t separator = executablePath.rfind(kPathSeparator);
    std::wstring path = separator == std::wstring::npos ? executablePath : executablePath.substr(0, separator);
    path += kPathSeparator;
    path += L"Ferlane.ini";
    return path;
}

}  // namespace ferlane
