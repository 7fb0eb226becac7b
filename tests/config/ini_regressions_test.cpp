#include "config/ini_text.h"
#include "support/files.h"
#include "support/regression_files.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

namespace ferlane {
namespace {

TEST(IniRegressions, EveryKeptInputGivesItsKnownValue)
{
    // The value of Alpha in section Ferlane of each kept file; a file added to the
    // folder must be added here too.
    const std::map<std::string, std::optional<std::wstring>> expected{
        {"bracket-alone.ini", std::nullopt},
        {"cut-utf8.ini", std::wstring{static_cast<wchar_t>(0xDCE6), static_cast<wchar_t>(0xDC97)}},
        {"unterminated-section.ini", std::nullopt},  // "[Ferlane" opens no section
        {"utf16-odd-length.ini", std::nullopt},
    };
    const auto files = support::regressionFiles("ini");
    EXPECT_EQ(files.size(), expected.size()) << "the regression folder and this table differ";
    for (const auto& file : files) {
        const auto known = expected.find(file.filename().string());
        ASSERT_NE(known, expected.end()) << file << " has no expected value";
        const std::wstring text = decodeIniText(support::readFile(file));
        EXPECT_EQ(findIniValue(text, L"Ferlane", L"Alpha"), known->second) << file;
    }
}

}  // namespace
}  // namespace ferlane
