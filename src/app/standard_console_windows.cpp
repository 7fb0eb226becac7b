#include "standard_console.h"

#include <string>

#include <windows.h>

namespace ferlane {
namespace {

// The wide text as UTF-8; characters that UTF-16 cannot carry (lone surrogates)
// become U+FFFD rather than stopping the line.
std::string utf8(std::wstring_view text)
{
    if (text.empty()) {
        return std::string();
    }
    const int size = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, bytes.data(), needed, nullptr, nullptr);
    }
    return bytes;
}

}  // namespace

void StandardConsole::printLine(std::wstring_view text)
{
    // A console window shows wide text exactly; a file or pipe gets UTF-8. Either
    // way the line goes out in one call, so nothing can leave it half written, and
    // no stream state can silence the lines after it.
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) {
        return;
    }
    std::wstring line(text);
    line += L"\r\n";
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(output, &mode)) {
        WriteConsoleW(output, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    const std::string bytes = utf8(line);
    WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    FlushFileBuffers(output);
}

// MinGW's C++ library knows only the classic locale, and asking for the user's
// throws whenever LANG or LC_* is set: the shared set-up then keeps the classic one.
// The console needs no locale of its own, as it writes wide text or UTF-8.
void useUserSystemLocale() {}

}  // namespace ferlane
