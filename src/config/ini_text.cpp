#include "ini_text.h"

#include "names/native_names.h"

#include <cstdint>
#include <cwctype>

namespace ferlane {
namespace {

bool startsWith(std::string_view bytes, std::string_view prefix)
{
    return bytes.substr(0, prefix.size()) == prefix;
}

void appendCodePoint(std::wstring& text, std::uint32_t cp)
{
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            text += static_cast<wchar_t>(0xD800 + (cp >> 10));
            text += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
            return;
        }
    }
    text += static_cast<wchar_t>(cp);
}

// Strict UTF-8: overlong forms, surrogates and values past U+10FFFF are not
// characters, so their bytes are escaped one by one.
std::wstring decodeUtf8(std::string_view bytes)
{
    std::wstring text;
    text.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        std::size_t length = lead < 0x80                   ? 1
                             : lead >= 0xC2 && lead < 0xE0 ? 2
                             : lead >= 0xE0 && lead < 0xF0 ? 3
                             : lead >= 0xF0 && lead < 0xF5 ? 4
                                                           : 0;
        std::uint32_t cp = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length != 0 && at + length <= bytes.size();
        for (std::size_t n = 1; valid && n < length; ++n) {
            const auto next = static_cast<unsigned char>(bytes[at + n]);
            valid = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && cp >= smallest[length] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        if (!valid) {
            text += static_cast<wchar_t>(kEscapedByteBase + lead);
            ++at;
            continue;
        }
        appendCodePoint(text, cp);
        at += length;
    }
    return text;
}

std::wstring decodeUtf16le(std::string_view bytes)
{
    std::wstring text;
    text.reserve(bytes.size() / 2);
    auto unitAt = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]) |
                                          (static_cast<unsigned char>(bytes[at + 1]) << 8));
    };
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
        const std::uint32_t unit = unitAt(at);
        if (unit >= 0xD800 && unit < 0xDC00 && at + 3 < bytes.size()) {
            const std::uint32_t low = unitAt(at + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                appendCodePoint(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                at += 2;
                continue;
            }
        }
        text += static_cast<wchar_t>(unit);
    }
    return text;
}

bool isBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

std::wstring_view trim(std::wstring_view text)
{
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

wchar_t foldCase(wchar_t c)
{
    if (c >= L'A' && c <= L'Z') {
        return static_cast<wchar_t>(c - L'A' + L'a');
    }
    return c < 0x80 ? c : static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
}

bool equalNames(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t n = 0; n < a.size(); ++n) {
        if (foldCase(a[n]) != foldCase(b[n])) {
            return false;
        }
    }
    return true;
}

std::wstring_view unquote(std::wstring_view value)
{
    if (value.size() >= 2 && value.front() == value.back() && (value.front() == L'"' || value.front() == L'\'')) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace

std::wstring decodeIniText(std::string_view bytes)
{
    if (startsWith(bytes, "\xFF\xFE")) {
        return decodeUtf16le(bytes.substr(2));
    }
    if (startsWith(bytes, "\xEF\xBB\xBF")) {
        return decodeUtf8(bytes.substr(3));
    }
    return decodeUtf8(bytes);
}

std::optional<std::wstring> findIniValue(std::wstring_view text, std::wstring_view section, std::wstring_view key)
{
    bool inSection = false;
    bool sectionSeen = false;
    while (!text.empty()) {
        const std::size_t end = text.find(L'\n');
        std::wstring_view line = text.substr(0, end);
        text.remove_prefix(end == std::wstring_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == L'\r') {
            line.remove_suffix(1);
        }
        line = trim(line);

        if (!line.empty() && line.front() == L'[') {
            const std::size_t close = line.rfind(L']');
            if (close == std::wstring_view::npos) {
                continue;  // no section header, and no key either
            }
            if (sectionSeen) {
                return std::nullopt;  // only the first section of the name is searched
            }
            inSection = equalNames(trim(line.substr(1, close - 1)), section);
            sectionSeen = inSection;
            continue;
        }
        if (!inSection) {
            continue;
        }
        const std::size_t equals = line.find(L'=');
        if (equals == std::wstring_view::npos) {
            // A bare key has no value, and as the first occurrence it hides any
            // later one: Windows then gives the fallback.
            if (equalNames(line, key)) {
                return std::nullopt;
            }
            continue;
        }
        if (equalNames(trim(line.substr(0, equals)), key)) {
            return std::wstring(unquote(trim(line.substr(equals + 1))));
        }
    }
    return std::nullopt;
}

}  // namespace ferlane
