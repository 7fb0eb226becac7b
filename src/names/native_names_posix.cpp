#include "native_names.h"

#include <climits>
#include <cstdint>
#include <cwchar>

namespace ferlane {
namespace {

bool isEscapedByte(wchar_t c)
{
    return c >= kEscapedByteBase && c <= kEscapedByteBase + 0xFF;
}

void appendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x110000) {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += '?';
    }
}

}  // namespace

std::wstring wideFromNative(std::string_view bytes)
{
    std::wstring text;
    text.reserve(bytes.size());
    std::mbstate_t state{};
    std::size_t at = 0;
    while (at < bytes.size()) {
        wchar_t c = 0;
        const std::size_t used = std::mbrtowc(&c, bytes.data() + at, bytes.size() - at, &state);
        if (used == static_cast<std::size_t>(-1) || used == static_cast<std::size_t>(-2)) {
            text += static_cast<wchar_t>(kEscapedByteBase + static_cast<unsigned char>(bytes[at]));
            state = std::mbstate_t{};
            ++at;
        } else {
            text += c;
            at += used == 0 ? 1 : used;  // 0: an embedded NUL, one byte long
        }
    }
    return text;
}

std::string nativeFromWide(std::wstring_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    std::mbstate_t state{};
    char buffer[MB_LEN_MAX];
    for (const wchar_t c : text) {
        if (isEscapedByte(c)) {
            bytes += static_cast<char>(c - kEscapedByteBase);
            continue;
        }
        const std::size_t written = std::wcrtomb(buffer, c, &state);
        if (written == static_cast<std::size_t>(-1)) {
            state = std::mbstate_t{};
            appendUtf8(bytes, static_cast<std::uint32_t>(c));
        } else {
            bytes.append(buffer, written);
        }
    }
    return bytes;
}

}  // namespace ferlane
