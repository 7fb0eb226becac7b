#pragma once

// File names between wide strings and the system's bytes. Where the platform
// speaks in byte strings (POSIX), a name is converted by the user's locale as set
// up with setlocale; the arguments that carry names and the console lines that
// print them take the same conversion, so that a name reads back as it came. The conversion is reversible for every
// byte string: a byte that the locale cannot decode becomes the lone surrogate U+DC00 + byte, and goes back to that
// same byte. A file name typed by the user therefore reaches the file system, and the console, exactly as typed.

#include <string>
#include <string_view>

namespace ferlane {

// A byte that is no character of the text it came in stands for itself as
// kEscapedByteBase + byte; configuration text escapes its stray bytes the same way.
inline constexpr wchar_t kEscapedByteBase = 0xDC00;

// Windows takes wide text as it is, and has no such conversion: a caller there
// fails to compile rather than to link.
#ifndef _WIN32
std::wstring wideFromNative(std::string_view bytes);

// Characters that the locale cannot represent are written as UTF-8, the encoding
// that file names on such systems almost always use.
std::string nativeFromWide(std::wstring_view text);
#endif

}  // namespace ferlane
