#include "config/profile_string.h"
#include "config/settings.h"
#include "scratch_configuration.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace ferlane {
namespace {

using support::ScratchConfiguration;

class Arguments {
public:
    Arguments(std::initializer_list<std::wstring> arguments) : Arguments(std::vector<std::wstring>(arguments)) {}
    explicit Arguments(std::vector<std::wstring> arguments) : strings_(std::move(arguments))
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
    std::vector<std::wstring> arguments;
    std::optional<std::string> configuration;
    std::wstring expected;
    friend std::ostream& operator<<(std::ostream& out, const Resolution& c) { return out << c.name; }
};

class Resolutions : public ::testing::TestWithParam<Resolution> {};

TEST_P(Resolutions, FollowTheOrderOfPrecedence)
{
    const Resolution& k = GetParam();
    const Arguments arguments(k.arguments);
    std::optional<ScratchConfiguration> file;
    if (k.configuration) {
        file.emplace(*k.configuration);
    }
    EXPECT_EQ(resolveAlpha(arguments, file ? file->path() : L"/nonexistent/directory/Ferlane.ini"), k.expected);
}

const std::optional<std::string> kNoFile;
constexpr const char* kFileSaysOther = "[Ferlane]\nAlpha=from-file.bmp\n";
const std::string kFileSaysLongName = "[Ferlane]\nAlpha=" + std::string(300, 'n') + "\n";

// kFileSaysOther, padded with a comment to this many bytes.
std::string fileOfSize(std::uint64_t size)
{
    std::string text = std::string(kFileSaysOther) + ";";
    text.resize(static_cast<std::size_t>(size), 'x');
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Alpha, Resolutions,
    ::testing::Values(
        Resolution{"nothing_gives_the_default", {L"ferlane"}, kNoFile, L"alpha.bmp"},
        Resolution{"file_alone", {L"ferlane"}, kFileSaysOther, L"from-file.bmp"},
        Resolution{"command_line_beats_file", {L"ferlane", L"--Alpha=matte.bmp"}, kFileSaysOther, L"matte.bmp"},
        Resolution{
            "sentinel_on_command_line_skips_the_file", {L"ferlane", L"--Alpha=DEFAULT"}, kFileSaysOther, L"alpha.bmp"},
        Resolution{"sentinel_in_file", {L"ferlane"}, "[Ferlane]\nAlpha=DEFAULT\n", L"alpha.bmp"},
        Resolution{"first_argument_wins", {L"ferlane", L"--Alpha=a.bmp", L"--Alpha=b.bmp"}, kNoFile, L"a.bmp"},
        Resolution{"other_case_key_ignored", {L"ferlane", L"--alpha=x.bmp"}, kFileSaysOther, L"from-file.bmp"},
        Resolution{"one_hyphen_ignored", {L"ferlane", L"-Alpha=x.bmp"}, kNoFile, L"alpha.bmp"},
        Resolution{"slash_ignored", {L"ferlane", L"/Alpha=x.bmp"}, kNoFile, L"alpha.bmp"},
        Resolution{"no_hyphens_ignored", {L"ferlane", L"Alpha=x.bmp"}, kNoFile, L"alpha.bmp"},
        Resolution{"separate_value_ignored", {L"ferlane", L"--Alpha", L"x.bmp"}, kNoFile, L"alpha.bmp"},
        Resolution{"prefix_alone_ignored", {L"ferlane", L"--Alph"}, kNoFile, L"alpha.bmp"},
        Resolution{"empty_value", {L"ferlane", L"--Alpha="}, kFileSaysOther, L""},
        Resolution{"value_with_equals", {L"ferlane", L"--Alpha=one=two.bmp"}, kNoFile, L"one=two.bmp"},
        Resolution{"value_with_blanks_kept", {L"ferlane", L"--Alpha= a b "}, kNoFile, L" a b "},
        Resolution{"lower_case_sentinel_is_a_name", {L"ferlane", L"--Alpha=default"}, kNoFile, L"default"},
        Resolution{"sentinel_with_blank_is_a_name", {L"ferlane", L"--Alpha=DEFAULT "}, kNoFile, L"DEFAULT "},
        Resolution{"longer_sentinel_is_a_name", {L"ferlane", L"--Alpha=DEFAULTS"}, kNoFile, L"DEFAULTS"},
        Resolution{"program_name_never_matches", {L"--Alpha=self.bmp"}, kNoFile, L"alpha.bmp"},
        Resolution{"wildcards_not_expanded", {L"ferlane", L"--Alpha=*.bmp"}, kNoFile, L"*.bmp"},
        Resolution{"other_key_does_not_match", {L"ferlane", L"--Alphabet=x.bmp"}, kNoFile, L"alpha.bmp"},
        Resolution{"file_value_cut_to_255_characters", {L"ferlane"}, kFileSaysLongName, std::wstring(255, L'n')},
        Resolution{"command_line_value_not_cut",
                   {L"ferlane", L"--Alpha=" + std::wstring(300, L'n')},
                   kFileSaysLongName,
                   std::wstring(300, L'n')},
        Resolution{"file_at_the_size_limit_read", {L"ferlane"}, fileOfSize(kProfileFileSizeLimit), L"from-file.bmp"},
        Resolution{
            "file_past_the_size_limit_ignored", {L"ferlane"}, fileOfSize(kProfileFileSizeLimit + 1), L"alpha.bmp"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Settings, AFolderNamedLikeTheFileOrAnEmptyPathIsNoFile)
{
    const support::ScratchFolder folder;
    std::filesystem::create_directory(folder / "Ferlane.ini");
    EXPECT_EQ(resolveAlpha(Arguments{L"ferlane"}, (folder / "Ferlane.ini").wstring()), L"alpha.bmp");
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

}  // namespace
}  // namespace ferlane
