#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace ferlane::testing {

// A configuration file in a scratch directory, removed afterwards.
class ConfigurationFile {
public:
    explicit ConfigurationFile(const std::string& content)
    {
        std::random_device seed;
        directory_ = std::filesystem::temp_directory_path() / ("ferlane-settings-" + std::to_string(seed()));
        std::filesystem::create_directories(directory_);
        std::ofstream(directory_ / "Ferlane.ini", std::ios::binary) << content;
    }
    ~ConfigurationFile()
    {
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
    std::wstring path() const { return (directory_ / "Ferlane.ini").wstring(); }

private:
    std::filesystem::path directory_;
};

}  // namespace ferlane::testing
