// Feeds arbitrary bytes to the configuration-file reader: decoding in either
// encoding, then looking up keys as the tool does.

#include "config/ini_text.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::wstring text = ferlane::decodeIniText(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const wchar_t* key : {L"Background0", L"Alpha", L"Foreground"}) {
        (void)ferlane::findIniValue(text, L"Ferlane", key);
    }
    return 0;
}
