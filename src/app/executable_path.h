#pragma once

#include <string>

namespace ferlane {

// The running executable's full path, or empty when it cannot be found.
std::wstring executablePath();

}  // namespace ferlane
