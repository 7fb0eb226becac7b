#pragma once

#include <string>

namespace ferlane {

// The configuration file's path: the executable's directory, then the file name.
// An empty executable path (one that could not be found) gives an empty result,
// which names no file, so the configuration is then simply absent.
std::wstring configurationPathBeside(const std::wstring& executablePath);

}  // namespace ferlane
