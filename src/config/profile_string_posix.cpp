#include "profile_string.h"

#include "ini_text.h"

#include <algorithm>
#include <climits>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>

namespace ferlane {
namespace {

// The configuration path as the file system wants it: by the user's locale, with
// the escaped bytes of undecodable names restored (the same mapping as the
// entry point's, which produced them).
std::string pathBytes(const wchar_t* path)
{
    std::string bytes;
    std::mbstate_t state{};
    char encoded[MB_LEN_MAX];
    for (; *path != L'\0'; ++path) {
        const wchar_t c = *path;
        if (c >= 0xDC00 && c <= 0xDCFF) {
            bytes += static_cast<char>(c & 0xFF);
        } else if (const std::size_t n = std::wcrtomb(encoded, c, &state); n != static_cast<std::size_t>(-1)) {
            bytes.append(encoded, n);
        } else {
            return std::string();  // a name no file can have here
        }
    }
    return bytes;
}

bool readWholeFile(const wchar_t* path, std::string& bytes)
{
    const std::string name = pathBytes(path);
    if (name.empty()) {
        return false;
    }
    std::ifstream file(name, std::ios::in | std::ios::binary);
    if (!file.is_open()) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

}  // namespace

void readProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* fallback,
                       wchar_t* buffer, std::size_t bufferSize, const wchar_t* path)
{
    if (bufferSize == 0) {
        return;
    }
    std::wstring value = fallback;
    std::string bytes;
    if (readWholeFile(path, bytes)) {
        if (auto found = findIniValue(decodeIniText(bytes), section, key)) {
            value = std::move(*found);
        }
    }
    const std::size_t length = std::min(value.size(), bufferSize - 1);
    std::copy_n(value.data(), length, buffer);
    buffer[length] = L'\0';
}

}  // namespace ferlane
