#pragma once

// Files as the tests see them: whole byte strings, in folders that vanish with
// the test that made them.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace ferlane::support {

inline std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The bytes of the text in UTF-16, little end first, as Windows' editors save it;
// a byte-order mark is written only where the text starts with one.
inline std::string utf16le(const std::u16string& text)
{
    std::string bytes;
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// A fresh folder under the system's temporary folder, removed with its contents.
class ScratchFolder {
public:
    ScratchFolder()
    {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() /
                ("ferlane-test-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

}  // namespace ferlane::support
