#include "standard_console.h"

#include "names/native_names.h"

#include <clocale>
#include <cstdio>
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

void useUserSystemLocale()
{
    // The C library's conversions (file names, console text) follow the environment;
    // a locale that is not installed leaves the classic one.
    if (std::setlocale(LC_ALL, "") == nullptr) {
        std::setlocale(LC_ALL, "C");
    }
}

}  // namespace ferlane
