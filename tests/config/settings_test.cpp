#include "config/profile_string.h"
#include "config/settings.h"
#include "scratch_configuration.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace ferlane {
namespace {

using support::ScratchConfiguration;

class Arguments {
public:
    Arguments(std::initializer_list<const wchar_t*> arguments) : Arguments(std::vector<const wchar_t*>(arguments)) {}
    explicit Arguments(const std::vector<const wchar_t*>& arguments) : strings_(arguments.begin(), arguments.end())
    {
        for (const std::wstring& s : strings_) {
            vector_.push_back(s.c_str());
        }
        vector_.push_back(nullptr);
    }
    std::int32_t count() const { return static_cast<std::int32_t>(strings_.size()); }
    const wchar_t* const* vector() const { return vector_.data(); }

private:
    std::vector<std::wstring> strings_;
    std::vector<const wchar_t*> vector_;
};

std::wstring resolveAlpha(const Arguments& arguments, const std::wstring& configurationPath)
{
    return Settings(arguments.count(), arguments.vector(), configurationPath).get(L"Ferlane", L"Alpha", L"alpha.bmp");
}

struct Resolution {
    const char* name;
    std::vector<const wchar_t*> arguments;
    const char* configuration;  // nullptr: no file at all
    const wchar_t* expected;
    friend std::ostream& operator<<(std::ostream& out, const Resolution& c) { return out << c.name; }
};

class Resolutions : public ::testing::TestWithParam<Resolution> {};

TEST_P(Resolutions, FollowTheOrderOfPrecedence)
{
    const Resolution& k = GetParam();
    const Arguments arguments(k.arguments);
    if (k.configuration == nullptr) {
        EXPECT_EQ(resolveAlpha(arguments, L"/nonexistent/directory/Ferlane.ini"), k.expected);
    } else {
        const ScratchConfiguration file(k.configuration);
        EXPECT_EQ(resolveAlpha(arguments, file.path()), k.expected);
    }
}

constexpr const char* kFileSaysOther = "[Ferlane]\nAlpha=from-file.bmp\n";

INSTANTIATE_TEST_SUITE_P(
    Alpha, Resolutions,
    ::testing::Values(
        Resolution{"nothing_gives_the_default", {L"ferlane"}, nullptr, L"alpha.bmp"},
        Resolution{"file_alone", {L"ferlane"}, kFileSaysOther, L"from-file.bmp"},
        Resolution{"command_line_beats_file", {L"ferlane", L"--Alpha=matte.bmp"}, kFileSaysOther, L"matte.bmp"},
        Resolution{"sentinel_on_command_line_skips_the_file", {L"ferlane", L"--Alpha=DEFAULT"}, kFileSaysOther, L"alpha.bmp"},
        Resolution{"sentinel_in_file", {L"ferlane"}, "[Ferlane]\nAlpha=DEFAULT\n", L"alpha.bmp"},
        Resolution{"first_argument_wins", {L"ferlane", L"--Alpha=a.bmp", L"--Alpha=b.bmp"}, nullptr, L"a.bmp"},
        Resolution{"other_case_key_ignored", {L"ferlane", L"--alpha=x.bmp"}, kFileSaysOther, L"from-file.bmp"},
        Resolution{"one_hyphen_ignored", {L"ferlane", L"-Alpha=x.bmp"}, nullptr, L"alpha.bmp"},
        Resolution{"slash_ignored", {L"ferlane", L"/Alpha=x.bmp"}, nullptr, L"alpha.bmp"},
        Resolution{"no_hyphens_ignored", {L"ferlane", L"Alpha=x.bmp"}, nullptr, L"alpha.bmp"},
        Resolution{"separate_value_ignored", {L"ferlane", L"--Alpha", L"x.bmp"}, nullptr, L"alpha.bmp"},
        Resolution{"prefix_alone_ignored", {L"ferlane", L"--Alph"}, nullptr, L"alpha.bmp"},
        Resolution{"empty_value", {L"ferlane", L"--Alpha="}, kFileSaysOther, L""},
        Resolution{"value_with_equals", {L"ferlane", L"--Alpha=one=two.bmp"}, nullptr, L"one=two.bmp"},
        Resolution{"value_with_blanks_kept", {L"ferlane", L"--Alpha= a b "}, nullptr, L" a b "},
        Resolution{"lower_case_sentinel_is_a_name", {L"ferlane", L"--Alpha=default"}, nullptr, L"default"},
        Resolution{"sentinel_with_blank_is_a_name", {L"ferlane", L"--Alpha=DEFAULT "}, nullptr, L"DEFAULT "},
        Resolution{"longer_sentinel_is_a_name", {L"ferlane", L"--Alpha=DEFAULTS"}, nullptr, L"DEFAULTS"},
        Resolution{"program_name_never_matches", {L"--Alpha=self.bmp"}, nullptr, L"alpha.bmp"},
        Resolution{"wildcards_not_expanded", {L"ferlane", L"--Alpha=*.bmp"}, nullptr, L"*.bmp"},
        Resolution{"other_key_does_not_match", {L"ferlane", L"--Alphabet=x.bmp"}, nullptr, L"alpha.bmp"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Settings, FileValuesAreCutTo255CharactersButCommandLineValuesAreNot)
{
    const std::string longName(300, 'n');
    const ScratchConfiguration file("[Ferlane]\nAlpha=" + longName + "\n");
    EXPECT_EQ(resolveAlpha(Arguments{L"ferlane"}, file.path()), std::wstring(255, L'n'));
    const std::wstring argument = L"--Alpha=" + std::wstring(300, L'n');
    EXPECT_EQ(resolveAlpha(Arguments{L"ferlane", argument.c_str()}, file.path()), std::wstring(300, L'n'));
}

TEST(Settings, AFileUpToTheSizeLimitIsReadAndALargerOneIsNot)
{
    for (const std::uint64_t size : {kProfileFileSizeLimit, kProfileFileSizeLimit + 1}) {
        std::string text = std::string(kFileSaysOther) + ";";
        text.resize(static_cast<std::size_t>(size), 'x');
        const ScratchConfiguration file(text);
        EXPECT_EQ(resolveAlpha(Arguments{L"ferlane"}, file.path()),
                  size <= kProfileFileSizeLimit ? L"from-file.bmp" : L"alpha.bmp") << size;
    }
}

TEST(Settings, AFolderNamedLikeTheFileIsNoFile)
{
    const ScratchConfiguration file(kFileSaysOther);
    const std::filesystem::path path(file.path());
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_EQ(resolveAlpha(Arguments{L"ferlane"}, path.wstring()), L"alpha.bmp");
}

TEST(Settings, EmptyConfigurationPathMeansNoFile)
{
    EXPECT_EQ(resolveAlpha(Arguments{L"ferlane"}, L""), L"alpha.bmp");
}

TEST(Settings, ResolvesEveryKeyIndependently)
{
    const ScratchConfiguration file("[Ferlane]\nImage1=DEFAULT\nBackground0=shots/left.bmp\nAlpha=DEFAULT\n");
    const Arguments arguments{L"ferlane", L"--Foreground=out/fg.bmp"};
    const Settings settings(arguments.count(), arguments.vector(), file.path());
    EXPECT_EQ(settings.get(L"Ferlane", L"Background0", L"bg0.bmp"), L"shots/left.bmp");
    EXPECT_EQ(settings.get(L"Ferlane", L"Image1", L"image1.bmp"), L"image1.bmp");
    EXPECT_EQ(settings.get(L"Ferlane", L"Alpha", L"alpha.bmp"), L"alpha.bmp");
    EXPECT_EQ(settings.get(L"Ferlane", L"Error", L"error.bmp"), L"error.bmp");
    EXPECT_EQ(settings.get(L"Ferlane", L"Foreground", L"fg.bmp"), L"out/fg.bmp");
}

TEST(FindCommandLineValue, PointsIntoTheArgumentItself)
{
    const Arguments arguments{L"ferlane", L"--Error=e.bmp"};
    const wchar_t* value = findCommandLineValue(arguments.count(), arguments.vector(), L"Error");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value, arguments.vector()[1] + 8);
    EXPECT_EQ(findCommandLineValue(arguments.count(), arguments.vector(), L"Alpha"), nullptr);
    EXPECT_EQ(findCommandLineValue(0, arguments.vector(), L"Error"), nullptr);
    EXPECT_EQ(findCommandLineValue(1, arguments.vector(), L"Error"), nullptr);
}

}  // namespace
}  // namespace ferlane
