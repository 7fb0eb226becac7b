#include "standard_console.h"

#include "image/native_names.h"

#include <clocale>
#include <cstdio>
#include <iostream>
#include <locale>
#include <stdexcept>
#include <string>

namespace ferlane {

void StandardConsole::printLine(std::wstring_view text)
{
    // Encoded here rather than through a wide stream: a wide stream that meets an
    // unconvertible character goes bad and drops every later line, "failed" included.
    std::string bytes = nativeFromWide(text);
    bytes += '\n';
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

void useUserLocale()
{
    if (std::setlocale(LC_ALL, "") == nullptr) {
        std::setlocale(LC_ALL, "C");
    }
    try {
        std::locale::global(std::locale(""));
    } catch (const std::runtime_error&) {
        // LANG names a locale that is not installed: run in the classic one.
        std::locale::global(std::locale::classic());
    }
    std::wcout.imbue(std::locale());
}

}  // namespace ferlane
