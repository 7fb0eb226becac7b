#include "config/ini_text.h"
#include "regression_files.h"

#include <gtest/gtest.h>

namespace ferlane {
namespace {

TEST(IniRegressions, EveryKeptInputIsReadWithoutHarm)
{
    const auto files = testing::regressionFiles("ini");
    ASSERT_FALSE(files.empty()) << "the regression folder is missing or empty";
    for (const auto& file : files) {
        const std::wstring text = decodeIniText(testing::regressionBytes(file));
        const auto value = findIniValue(text, L"Ferlane", L"Alpha");
        if (value) {
            EXPECT_LE(value->size(), text.size()) << file;
        }
    }
}

}  // namespace
}  // namespace ferlane
