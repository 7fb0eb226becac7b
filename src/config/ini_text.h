#pragma once

// The INI text format as Windows' profile functions read it, so that one
// configuration file means the same on every platform:
//  - "[name]" starts a section; section and key names compare without regard to case;
//  - "key=value": blanks and tabs around the key, the '=' and the value are trimmed,
//    the value runs to the line end (";" or "#" start no comment), and one matching
//    pair of double or single quotes around it is removed;
//  - the first '=' ends the key; a line without '=' is a key without a value,
//    which reads as absent (and, coming first, hides a later line of that key);
//  - only the first section of a name is searched, and in it the first occurrence
//    of a key wins;
//  - lines end with LF or CRLF; the bytes are UTF-8 (a byte-order mark is skipped)
//    or UTF-16LE when they start with its byte-order mark. Bytes that are not valid
//    UTF-8 become U+DC00 + byte, as file names do elsewhere, so no byte is lost.

#include <optional>
#include <string>
#include <string_view>

namespace ferlane {

std::wstring decodeIniText(std::string_view bytes);

// The value of `key` in the first section named `section`, or nothing.
std::optional<std::wstring> findIniValue(std::wstring_view text, std::wstring_view section, std::wstring_view key);

}  // namespace ferlane
