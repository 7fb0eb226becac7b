// The Windows entry point: the wide arguments go to the run exactly as Windows
// split the command line.

#include "driver.h"
#include "executable_path.h"
#include "standard_console.h"

#include <cstdint>

int wmain(int argc, wchar_t** argv)
{
    ferlane::StandardConsole console;
    try {
        ferlane::useUserLocale();
        return ferlane::runFerlane(static_cast<std::int32_t>(argc), argv, ferlane::executablePath(), console);
    } catch (...) {
        console.printLine(L"failed");
        return -1;
    }
}
