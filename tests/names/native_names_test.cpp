#include "names/native_names.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace ferlane {
namespace {

class LocaleScope {
public:
    explicit LocaleScope(const char* name) : saved_(std::setlocale(LC_ALL, nullptr))
    {
        active_ = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~LocaleScope() { std::setlocale(LC_ALL, saved_.c_str()); }
    bool active() const { return active_; }

private:
    std::string saved_;
    bool active_ = false;
};

class NativeText : public ::testing::TestWithParam<const char*> {};

// Whatever the locale, every byte string survives the trip to wide text and back.
TEST_P(NativeText, EveryByteStringRoundTrips)
{
    LocaleScope locale(GetParam());
    if (!locale.active()) {
        GTEST_SKIP() << GetParam() << " is not installed";
    }
    const std::string samples[] = {
        "plain.bmp", "caf\xC3\xA9.bmp", "\xE6\x97\xA5\xE6\x9C\xAC.bmp", "latin1-\xE9.bmp",
        "cut-\xC3",  "\xFF\xFE\x80",    "\xED\xB2\x80 surrogate bytes", "emoji \xF0\x9F\x98\x80"};
    for (const std::string& bytes : samples) {
        EXPECT_EQ(nativeFromWide(wideFromNative(bytes)), bytes) << bytes;
    }
    std::string everyByte;
    for (int b = 1; b < 256; ++b) {
        everyByte += static_cast<char>(b);
    }
    EXPECT_EQ(nativeFromWide(wideFromNative(everyByte)), everyByte);
}

INSTANTIATE_TEST_SUITE_P(Locales, NativeText, ::testing::Values("C", "C.UTF-8"), [](const auto& info) {
    return std::string(info.param[0] == 'C' && info.param[1] == '.' ? "utf8" : "classic");
});

TEST(NativeTextUtf8, DecodesCharactersAndUnrepresentableOnesComeBackAsUtf8)
{
    {
        LocaleScope locale("C.UTF-8");
        if (!locale.active()) {
            GTEST_SKIP() << "C.UTF-8 is not installed";
        }
        EXPECT_EQ(wideFromNative("caf\xC3\xA9"), L"caf\u00E9");
    }
    LocaleScope classic("C");
    EXPECT_EQ(nativeFromWide(L"caf\u00E9"), "caf\xC3\xA9");
}

}  // namespace
}  // namespace ferlane
