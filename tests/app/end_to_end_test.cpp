#include "scene_files.h"
#include "support/tool_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace ferlane {
namespace {

using namespace ferlane::support;
using Lines = std::vector<std::string>;

// The banner is part of the console's interface: it reads the same in every release,
// whatever version the packages carry.
const Lines kBanner = {"", "Ferlane 1.1.0", "two-background matting: alpha, error and foreground from four photographs",
                       ""};
const Lines kReadInputs = {"read background0 \"bg0.bmp\"", "read image0 \"image0.bmp\"", "read background1 \"bg1.bmp\"",
                           "read image1 \"image1.bmp\""};

Lines concat(std::initializer_list<Lines> parts)
{
    Lines all;
    for (const Lines& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override { writeScene(scratch.path()); }
    ToolRun run(std::vector<std::string> arguments = {},
                std::map<std::string, std::string> environment = {{"LANG", "C.UTF-8"}})
    {
        return runTool({toolExecutable(), std::move(arguments), scratch.path(), std::move(environment)});
    }
    bool exists(const std::string& name) const { return std::filesystem::exists(scratch / name); }
    std::string file(const std::string& name) const { return readFile(scratch / name); }

    ScratchFolder scratch;
};

TEST_F(EndToEnd, ComputesAlphaErrorAndForegroundFromTheFourPhotographs)
{
    const ToolRun result = run();
    EXPECT_EQ(linesOf(result.output),
              concat({kBanner,
                      kReadInputs,
                      {"reconstruct alpha", "write alpha \"alpha.bmp\"", "write calculation error \"error.bmp\"",
                       "reconstruct foreground", "write foreground \"fg.bmp\""}}));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(file("alpha.bmp"), bmpBytes(kAlphaWritten));
    EXPECT_EQ(file("error.bmp"), bmpBytes(kErrorWritten));
    EXPECT_EQ(file("fg.bmp"), bmpBytes(kForegroundComputed));
}

TEST_F(EndToEnd, ASecondRunReadsTheAlphaFileAndLeavesTheErrorFileAlone)
{
    ASSERT_EQ(run().status, 0);
    writeFile(scratch / "error.bmp", "not touched");
    const ToolRun second = run();
    EXPECT_EQ(linesOf(second.output),
              concat({kBanner,
                      kReadInputs,
                      {"read alpha \"alpha.bmp\"", "reconstruct foreground", "write foreground \"fg.bmp\""}}));
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(file("error.bmp"), "not touched");
    EXPECT_EQ(file("alpha.bmp"), bmpBytes(kAlphaWritten));
    // The stored alpha is clamped, so pixels computed outside 0..255 now differ.
    EXPECT_EQ(file("fg.bmp"), bmpBytes(kForegroundFromFile));
}

TEST_F(EndToEnd, AnAlphaFileGivesItsRedChannelOnly)
{
    // Red holds kAlphaWritten's matte; green would make every pixel transparent, blue every one opaque.
    const Picture colouredAlpha = {{{{{191, 0, 255}, {0, 0, 255}}}, {{{255, 0, 255}, {255, 0, 255}}}}};
    writeFile(scratch / "alpha.bmp", bmpBytes(colouredAlpha));
    const ToolRun result = run();
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(file("fg.bmp"), bmpBytes(kForegroundFromFile));
}

struct BrokenInput {
    const char* name;
    const char* file;
    std::optional<std::string> bytes;  // nothing: the file is missing
    std::size_t linesRead;             // console lines of reading before the last line
    const char* lastLine;
    friend std::ostream& operator<<(std::ostream& out, const BrokenInput& c) { return out << c.name; }
};

class BrokenInputs : public EndToEnd, public ::testing::WithParamInterface<BrokenInput> {};

// The first input the run cannot use ends it right after its read line, before
// anything is written.
TEST_P(BrokenInputs, StopTheRunRightAfterTheirReadLine)
{
    const BrokenInput& k = GetParam();
    if (k.bytes) {
        writeFile(scratch / k.file, *k.bytes);
    } else {
        std::filesystem::remove(scratch / k.file);
    }
    const ToolRun result = run();
    const Lines reads = concat({kReadInputs, {"read alpha \"alpha.bmp\""}});
    Lines expected = kBanner;
    expected.insert(expected.end(), reads.begin(), reads.begin() + static_cast<long>(k.linesRead));
    expected.push_back(k.lastLine);
    EXPECT_EQ(linesOf(result.output), expected);
    EXPECT_EQ(result.status, 255);
    for (const std::string output : {"alpha.bmp", "error.bmp", "fg.bmp"}) {
        EXPECT_TRUE(output == k.file || !exists(output)) << output;
    }
}

const char* const kMismatch = "error: the images must have same size";

INSTANTIATE_TEST_SUITE_P(
    Files, BrokenInputs,
    ::testing::Values(BrokenInput{"image0_a_row_short", "image0.bmp", sizedBmp(2, 1).bytes(), 2, kMismatch},
                      BrokenInput{"background1_a_row_short", "bg1.bmp", sizedBmp(2, 1).bytes(), 3, kMismatch},
                      BrokenInput{"image1_a_row_short", "image1.bmp", sizedBmp(2, 1).bytes(), 4, kMismatch},
                      BrokenInput{"image1_a_column_wider", "image1.bmp", sizedBmp(3, 2).bytes(), 4, kMismatch},
                      BrokenInput{"alpha_a_row_short", "alpha.bmp", sizedBmp(2, 1).bytes(), 5, kMismatch},
                      BrokenInput{"background0_missing", "bg0.bmp", std::nullopt, 1, "failed"},
                      BrokenInput{"image0_missing", "image0.bmp", std::nullopt, 2, "failed"},
                      BrokenInput{"background1_missing", "bg1.bmp", std::nullopt, 3, "failed"},
                      BrokenInput{"image1_missing", "image1.bmp", std::nullopt, 4, "failed"},
                      BrokenInput{"image1_cut_in_its_colours", "image1.bmp", bmpBytes(kImage1).erase(64), 4, "failed"},
                      BrokenInput{"alpha_no_bmp", "alpha.bmp", "not a picture, just some text in a file", 5, "failed"}),
    [](const auto& info) { return std::string(info.param.name); });

// A write that fails ends the run at once; the results written before it stay whole.
TEST_F(EndToEnd, AFailedWriteStopsTheRunAndKeepsTheEarlierResults)
{
    const ToolRun alpha = run({"--Alpha=missing/alpha.bmp"});
    EXPECT_EQ(linesOf(alpha.output),
              concat({kBanner, kReadInputs, {"reconstruct alpha", "write alpha \"missing/alpha.bmp\"", "failed"}}));
    EXPECT_EQ(alpha.status, 255);
    EXPECT_FALSE(exists("error.bmp"));
    for (const std::string target : {"missing/fg.bmp", "/dev/full"}) {
        std::filesystem::remove(scratch / "alpha.bmp");
        const ToolRun result = run({"--Foreground=" + target});
        EXPECT_EQ(linesOf(result.output),
                  concat({kBanner,
                          kReadInputs,
                          {"reconstruct alpha", "write alpha \"alpha.bmp\"", "write calculation error \"error.bmp\"",
                           "reconstruct foreground", "write foreground \"" + target + "\"", "failed"}}));
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(file("alpha.bmp"), bmpBytes(kAlphaWritten));
        EXPECT_EQ(file("error.bmp"), bmpBytes(kErrorWritten));
    }
}

struct LocaleCase {
    const char* name;
    const char* lang;
    friend std::ostream& operator<<(std::ostream& out, const LocaleCase& c) { return out << c.name; }
};

class NonAsciiNames : public EndToEnd, public ::testing::WithParamInterface<LocaleCase> {};

// A name reaches the file system and the console byte for byte, whether the
// locale can decode it or not, and whatever the locale is.
TEST_P(NonAsciiNames, ReachTheFileSystemAndTheConsoleIntact)
{
    std::vector<std::string> names{"fond-\xC3\xA9t\xC3\xA9-\xE6\x97\xA5.bmp"};
    if (toolIsEmulated()) {
        if (std::string(GetParam().lang) != "C.UTF-8") {
            GTEST_SKIP() << "Wine passes non-ASCII arguments only under a UTF-8 locale";
        }
    } else {
        names.push_back("latin1-\xE9.bmp");  // bytes no UTF-8 locale can decode
    }
    for (const std::string& name : names) {
        std::filesystem::rename(scratch / "bg0.bmp", scratch / name);
        std::filesystem::remove(scratch / "alpha.bmp");
        const ToolRun result =
            run({"--Background0=" + name, "--Foreground=" + name + ".fg"}, {{"LANG", GetParam().lang}});
        const Lines lines = linesOf(result.output);
        ASSERT_GE(lines.size(), 5u) << result.output;
        EXPECT_EQ(lines[4], "read background0 \"" + name + "\"");
        EXPECT_EQ(lines.back(), "write foreground \"" + name + ".fg\"");
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(file(name + ".fg"), bmpBytes(kForegroundComputed));
        std::filesystem::rename(scratch / name, scratch / "bg0.bmp");
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, NonAsciiNames,
                         ::testing::Values(LocaleCase{"utf8", "C.UTF-8"}, LocaleCase{"classic", "C"},
                                           LocaleCase{"not_installed", "xx_YY.UTF-8"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EndToEnd, AMissingNonAsciiNameStillReportsTheFailure)
{
    if (toolIsEmulated()) {
        GTEST_SKIP() << "Windows arguments are wide text: there are no undecodable bytes";
    }
    const ToolRun result = run({"--Image0=\xFF\xFE-missing.bmp"}, {{"LANG", "C"}});
    EXPECT_EQ(lastLinesOf(result.output, 2), (Lines{"read image0 \"\xFF\xFE-missing.bmp\"", "failed"}));
    EXPECT_EQ(result.status, 255);
}

TEST_F(EndToEnd, AConsoleNobodyReadsDoesNotStopTheRun)
{
    ToolInvocation invocation{toolExecutable(), {}, scratch.path()};
    invocation.closeOutputEarly = true;
    EXPECT_EQ(runTool(invocation).status, 0);
    EXPECT_EQ(file("fg.bmp"), bmpBytes(kForegroundComputed));
}

TEST_F(EndToEnd, UnknownArgumentsAreIgnored)
{
    const ToolRun result = run({"--help", "-v", "extra", "--alpha=x.bmp"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(exists("alpha.bmp"));
    EXPECT_FALSE(exists("x.bmp"));
}

}  // namespace
}  // namespace ferlane
