#include "config/ini_text.h"
#include "config/profile_string.h"
#include "scratch_configuration.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace ferlane {
namespace {

using support::utf16le;

// The value of Alpha in a file holding these bytes, read the way the tool reads
// it: through the platform's profile call (ours on POSIX, Windows' own there).
std::optional<std::wstring> alphaIn(const std::string& fileBytes)
{
    const support::ScratchConfiguration file(fileBytes);
    return readProfileString(L"Ferlane", L"Alpha", file.path().c_str());
}

const std::optional<std::wstring> kNotFound;

struct IniCase {
    const char* name;
    std::string file;
    std::optional<std::wstring> expected;
    // Windows reads a file without a byte-order mark in the ANSI code page, where
    // our reader takes UTF-8; such cases hold for our reader only.
    bool ourReaderOnly = false;
    friend std::ostream& operator<<(std::ostream& out, const IniCase& c) { return out << c.name; }
};

class IniRules : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniRules, ReadTheValueAsWindowsWould)
{
#ifdef _WIN32
    if (GetParam().ourReaderOnly) {
        GTEST_SKIP() << "UTF-8 without a byte-order mark is read differently by Windows";
    }
#endif
    EXPECT_EQ(alphaIn(GetParam().file), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniRules,
    ::testing::Values(
        IniCase{"plain", "[Ferlane]\nAlpha=a.bmp\n", L"a.bmp"},
        IniCase{"no_final_line_end", "[Ferlane]\nAlpha=a.bmp", L"a.bmp"},
        IniCase{"crlf", "[Ferlane]\r\nAlpha=a.bmp\r\n", L"a.bmp"},
        IniCase{"section_case_ignored", "[fERLANE]\nAlpha=a.bmp\n", L"a.bmp"},
        IniCase{"key_case_ignored", "[Ferlane]\nALPHA=a.bmp\n", L"a.bmp"},
        IniCase{"blanks_and_tabs_trimmed", "[Ferlane]\n \tAlpha \t= \t a b.bmp \t\n", L"a b.bmp"},
        IniCase{"blanks_around_section_name", "  [ Ferlane ]  \nAlpha=a.bmp\n", L"a.bmp"},
        IniCase{"double_quotes_removed", "[Ferlane]\nAlpha=\" a.bmp \"\n", L" a.bmp "},
        IniCase{"single_quotes_removed", "[Ferlane]\nAlpha='a.bmp'\n", L"a.bmp"},
        IniCase{"unmatched_quotes_kept", "[Ferlane]\nAlpha=\"a.bmp'\n", L"\"a.bmp'"},
        IniCase{"one_pair_only", "[Ferlane]\nAlpha=\"\"a.bmp\"\"\n", L"\"a.bmp\""},
        IniCase{"lone_quote_kept", "[Ferlane]\nAlpha=\"\n", L"\""},
        IniCase{"semicolon_is_no_comment", "[Ferlane]\nAlpha=e.bmp ; note\n", L"e.bmp ; note"},
        IniCase{"commented_key_is_another_key", "[Ferlane]\n;Alpha=x.bmp\n#Alpha=y.bmp\n", kNotFound},
        IniCase{"first_occurrence_wins", "[Ferlane]\nAlpha=a.bmp\nAlpha=b.bmp\n", L"a.bmp"},
        IniCase{"only_first_section_searched", "[Ferlane]\nError=e.bmp\n[Ferlane]\nAlpha=a.bmp\n", kNotFound},
        IniCase{"other_sections_skipped", "[Other]\nAlpha=o.bmp\n[Ferlane]\nAlpha=a.bmp\n[Next]\nAlpha=n.bmp\n",
                L"a.bmp"},
        IniCase{"key_after_section_ends", "[Ferlane]\nError=e.bmp\n[Next]\nAlpha=n.bmp\n", kNotFound},
        IniCase{"key_before_any_section", "Alpha=x.bmp\n[Ferlane]\n", kNotFound},
        IniCase{"line_without_equals_ignored", "[Ferlane]\nNote\nAlpha=a.bmp\n", L"a.bmp"},
        IniCase{"bare_key_hides_later_value", "[Ferlane]\n Alpha \nAlpha=a.bmp\n", kNotFound},
        IniCase{"first_equals_ends_the_key", "[Ferlane]\nAlpha=b=c\n", L"b=c"},
        IniCase{"empty_value", "[Ferlane]\nAlpha=\n", L""}, IniCase{"blank_value", "[Ferlane]\nAlpha=   \n", L""},
        IniCase{"utf8", "[Ferlane]\nAlpha=caf\xC3\xA9.bmp\n", L"caf\u00E9.bmp", true},
        IniCase{"utf8_bom_skipped", "\xEF\xBB\xBF[Ferlane]\nAlpha=a.bmp\n", L"a.bmp", true},
        IniCase{"invalid_utf8_kept_as_escapes", "[Ferlane]\nAlpha=\xE9.bmp\n",
                std::wstring{static_cast<wchar_t>(0xDCE9)} + L".bmp", true},
        IniCase{"section_without_bracket_ignored", "[Ferlane\nAlpha=a.bmp\n", kNotFound},
        IniCase{"empty_file", "", kNotFound}, IniCase{"missing_key", "[Ferlane]\nError=e.bmp\n", kNotFound},
        IniCase{"utf16_with_bom", utf16le(u"\uFEFF[Ferlane]\r\nAlpha=caf\u00E9.bmp\r\n"), L"caf\u00E9.bmp"},
        IniCase{"utf16_with_bom_cases_and_quotes", utf16le(u"\uFEFF[ferlane]\nALPHA = '\u65E5\u672C.bmp'\n"),
                L"\u65E5\u672C.bmp"}),
    [](const auto& info) { return std::string(info.param.name); });

// One character where wide text holds 32 bits, a surrogate pair where it holds 16.
TEST(IniText, DecodesUtf16SurrogatePairsAsWideTextHoldsThem)
{
    EXPECT_EQ(decodeIniText(utf16le(u"\uFEFF\U0001F600")), L"\U0001F600");
}

TEST(IniText, StrictUtf8EscapesEveryInvalidByte)
{
    // Overlong "/", an encoded surrogate, and a cut sequence at the end.
    EXPECT_EQ(decodeIniText("\xC0\xAF"), (std::wstring{static_cast<wchar_t>(0xDCC0), static_cast<wchar_t>(0xDCAF)}));
    EXPECT_EQ(decodeIniText("\xED\xA0\x80").size(), 3u);
    EXPECT_EQ(decodeIniText("a\xE6\x97"),
              (std::wstring{L'a', static_cast<wchar_t>(0xDCE6), static_cast<wchar_t>(0xDC97)}));
}

}  // namespace
}  // namespace ferlane
