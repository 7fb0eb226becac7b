#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace ferlane::support {

// Inputs that once broke a reader, kept so that every build replays them. A missing
// or empty folder is an error, never a reason to skip.
inline std::vector<std::filesystem::path> regressionFiles(const std::string& kind)
{
    std::vector<std::filesystem::path> files;
    const std::filesystem::path folder = std::filesystem::path(FERLANE_REGRESSIONS_DIR) / kind;
    if (std::filesystem::is_directory(folder)) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            files.push_back(entry.path());
        }
    }
    return files;
}

}  // namespace ferlane::support
