#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace ferlane::support {

// Inputs that once broke a reader, kept so that every build replays them. A missing
// or empty folder is an error that fails the test, never a reason to skip.
inline std::vector<std::filesystem::path> regressionFiles(const std::string& kind)
{
    const std::filesystem::path folder = std::filesystem::path(FERLANE_REGRESSIONS_DIR) / kind;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {  // throws for a missing folder
        files.push_back(entry.path());
    }
    if (files.empty()) {
        throw std::runtime_error("no regression files in " + folder.string());
    }
    return files;
}

}  // namespace ferlane::support
