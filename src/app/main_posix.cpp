// The POSIX entry point: byte-string arguments become the wide argument vector
// that the rest of the tool works with, reversibly, so each name reaches the file
// system exactly as typed.

#include "driver.h"
#include "executable_path.h"
#include "names/native_names.h"
#include "standard_console.h"

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    // A reader that stops listening (`ferlane | head -3`) must not cut the run short
    // and leave its results unwritten: the console simply loses the lines.
    std::signal(SIGPIPE, SIG_IGN);
    ferlane::StandardConsole console;
    try {
        ferlane::useUserLocale();
        std::vector<std::wstring> arguments;
        arguments.reserve(static_cast<std::size_t>(argc));
        for (int n = 0; n < argc; ++n) {
            arguments.push_back(ferlane::wideFromNative(argv[n]));
        }
        std::vector<const wchar_t*> vector;
        vector.reserve(arguments.size() + 1);
        for (const std::wstring& argument : arguments) {
            vector.push_back(argument.c_str());
        }
        vector.push_back(nullptr);
        return ferlane::runFerlane(static_cast<std::int32_t>(argc), vector.data(), ferlane::executablePath(), console);
    } catch (...) {
        console.printLine(L"failed");  // memory exhausted before the run could start
        return -1;
    }
}
