#pragma once

#include "console.h"

#include <cstdint>
#include <string>

namespace ferlane {

// One whole run of the tool: banner, file names, the four photographs, the alpha
// stage (read an existing alpha file, or compute and write alpha and error), and
// the foreground. Every failure ends in one console line and the result -1;
// a complete run returns 0. `executablePath` locates the configuration file.
int runFerlane(std::int32_t argumentCount, const wchar_t* const* argumentVector, const std::wstring& executablePath,
               Console& console);

}  // namespace ferlane
