#include "scene_files.h"
#include "support/tool_run.h"

#include <gtest/gtest.h>

#include <ostream>

#include <filesystem>
#include <string>
#include <vector>

namespace ferlane {
namespace {

using namespace ferlane::support;
using Lines = std::vector<std::string>;

// The banner is part of the console's interface: it reads the same in every release,
// whatever version the packages carry.
const Lines kBanner = {"", "Ferlane 1.1.0",
                       "two-background matting: alpha, error and foreground from four photographs", ""};
const Lines kReadInputs = {"read background0 \"bg0.bmp\"", "read image0 \"image0.bmp\"",
                           "read background1 \"bg1.bmp\"", "read image1 \"image1.bmp\""};

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
    ToolRun run(std::vector<std::string> arguments = {}, std::map<std::string, std::string> environment = {{"LANG", "C.UTF-8"}})
    {
        return runTool({toolExecutable(), std::move(arguments), scratch.path(), std::move(environment)});
    }
    bool exists(const std::string& name) const { return std::filesystem::exists(scratch / name); }
    std::string file(const std::string& name) const { return readFile(scratch / name); }

    ScratchFolder scratch;
};

TEST_F(EndToEnd, ComputesAlphaErrorAndForegroundFromTheFourPhotographs)
{
    writeScene(scratch.path());
    const ToolRun result = run();
    EXPECT_EQ(linesOf(result.output),
              concat({kBanner, kReadInputs,
                      {"reconstruct alpha", "write alpha \"alpha.bmp\"", "write calculation error \"error.bmp\"",
                       "reconstruct foreground", "write foreground \"fg.bmp\""}}));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(file("alpha.bmp"), bmpBytes(kAlphaWritten));
    EXPECT_EQ(file("error.bmp"), bmpBytes(kErrorWritten));
    EXPECT_EQ(file("fg.bmp"), bmpBytes(kForegroundComputed));
}

TEST_F(EndToEnd, ASecondRunReadsTheAlphaFileAndLeavesTheErrorFileAlone)
{
    writeScene(scratch.path());
    ASSERT_EQ(run().status, 0);
    writeFile(scratch / "error.bmp", "not touched");
    const ToolRun second = run();
    EXPECT_EQ(linesOf(second.output),
              concat({kBanner, kReadInputs,
                      {"read alpha \"alpha.bmp\"", "reconstruct foreground", "write foreground \"fg.bmp\""}}));
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(file("error.bmp"), "not touched");
    EXPECT_EQ(file("alpha.bmp"), bmpBytes(kAlphaWritten));
    // The stored alpha is clamped, so pixels computed outside 0..255 now differ.
    EXPECT_EQ(file("fg.bmp"), bmpBytes(kForegroundFromFile));
}

TEST_F(EndToEnd, AnAlphaFileGivesItsRedChannelOnly)
{
    writeScene(scratch.path());
    // Red holds the matte; green would make every pixel transparent, blue every one opaque.
    Picture colouredAlpha = kAlphaWritten;
    for (auto& row : colouredAlpha) {
        for (Rgb& pixel : row) {
            pixel = {pixel[0], 0, 255};
        }
    }
    writeFile(scratch / "alpha.bmp", bmpBytes(colouredAlpha));
    const ToolRun result = run();
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(file("fg.bmp"), bmpBytes(kForegroundFromFile));
}

struct SizeMismatch {
    const char* name;
    const char* file;
    std::size_t linesRead;  // console lines of reading before the error
    friend std::ostream& operator<<(std::ostream& out, const SizeMismatch& c) { return out << c.name; }
};

class SizeChecks : public EndToEnd, public ::testing::WithParamInterface<SizeMismatch> {};

TEST_P(SizeChecks, StopTheRunRightAfterTheOddPicture)
{
    writeScene(scratch.path());
    BmpFile odd = sizedBmp(2, 1);  // one row short
    writeFile(scratch / GetParam().file, odd.bytes());
    const ToolRun result = run();
    Lines expected = kBanner;
    const Lines reads = concat({kReadInputs, {"read alpha \"alpha.bmp\""}});
    expected.insert(expected.end(), reads.begin(), reads.begin() + static_cast<long>(GetParam().linesRead));
    expected.push_back("error: the images must have same size");
    EXPECT_EQ(linesOf(result.output), expected);
    EXPECT_EQ(result.status, 255);
    EXPECT_FALSE(exists("fg.bmp"));
    EXPECT_FALSE(exists("error.bmp"));
}

INSTANTIATE_TEST_SUITE_P(Files, SizeChecks,
                         ::testing::Values(SizeMismatch{"image0", "image0.bmp", 2},
                                           SizeMismatch{"background1", "bg1.bmp", 3},
                                           SizeMismatch{"image1", "image1.bmp", 4},
                                           SizeMismatch{"alpha", "alpha.bmp", 5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EndToEnd, AWiderPictureIsAMismatchToo)
{
    writeScene(scratch.path());
    writeFile(scratch / "image1.bmp", sizedBmp(3, 2).bytes());
    const ToolRun result = run();
    EXPECT_EQ(linesOf(result.output).back(), "error: the images must have same size");
    EXPECT_EQ(result.status, 255);
}

struct MissingInput {
    const char* file;
    std::size_t linesRead;
    friend std::ostream& operator<<(std::ostream& out, const MissingInput& m) { return out << m.file; }
};

class MissingInputs : public EndToEnd, public ::testing::WithParamInterface<MissingInput> {};

TEST_P(MissingInputs, FailAfterTheirReadLineAndWriteNothing)
{
    writeScene(scratch.path());
    std::filesystem::remove(scratch / GetParam().file);
    const ToolRun result = run();
    Lines expected = kBanner;
    expected.insert(expected.end(), kReadInputs.begin(), kReadInputs.begin() + static_cast<long>(GetParam().linesRead));
    expected.push_back("failed");
    EXPECT_EQ(linesOf(result.output), expected);
    EXPECT_EQ(result.status, 255);
    for (const char* output : {"alpha.bmp", "error.bmp", "fg.bmp"}) {
        EXPECT_FALSE(exists(output)) << output;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, MissingInputs,
                         ::testing::Values(MissingInput{"bg0.bmp", 1}, MissingInput{"image0.bmp", 2},
                                           MissingInput{"bg1.bmp", 3}, MissingInput{"image1.bmp", 4}));

TEST_F(EndToEnd, AnAlphaFileThatIsNoBmpFails)
{
    writeScene(scratch.path());
    writeFile(scratch / "alpha.bmp", "this is not a picture at all, just some text in a file");
    const ToolRun result = run();
    EXPECT_EQ(linesOf(result.output), concat({kBanner, kReadInputs, {"read alpha \"alpha.bmp\"", "failed"}}));
    EXPECT_EQ(result.status, 255);
    EXPECT_FALSE(exists("fg.bmp"));
}

TEST_F(EndToEnd, AnInputCutShortFails)
{
    writeScene(scratch.path());
    const std::string whole = bmpBytes(kImage1);
    writeFile(scratch / "image1.bmp", whole.substr(0, whole.size() - 6));
    const ToolRun result = run();
    EXPECT_EQ(linesOf(result.output), concat({kBanner, kReadInputs, {"failed"}}));
    EXPECT_EQ(result.status, 255);
}

TEST_F(EndToEnd, AnAlphaOutputInAMissingDirectoryFails)
{
    writeScene(scratch.path());
    const ToolRun result = run({"--Alpha=missing/alpha.bmp"});
    EXPECT_EQ(linesOf(result.output),
              concat({kBanner, kReadInputs, {"reconstruct alpha", "write alpha \"missing/alpha.bmp\"", "failed"}}));
    EXPECT_EQ(result.status, 255);
    EXPECT_FALSE(exists("error.bmp"));
}

TEST_F(EndToEnd, AFailedForegroundWriteKeepsTheAlphaAndErrorFiles)
{
    writeScene(scratch.path());
    for (const std::string target : {"missing/fg.bmp", "/dev/full"}) {
        std::filesystem::remove(scratch / "alpha.bmp");
        const ToolRun result = run({"--Foreground=" + target});
        EXPECT_EQ(linesOf(result.output),
                  concat({kBanner, kReadInputs,
                          {"reconstruct alpha", "write alpha \"alpha.bmp\"", "write calculation error \"error.bmp\"",
                           "reconstruct foreground", "write foreground \"" + target + "\"", "failed"}}));
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(file("alpha.bmp"), bmpBytes(kAlphaWritten));
        EXPECT_EQ(file("error.bmp"), bmpBytes(kErrorWritten));
    }
}

TEST_F(EndToEnd, EmptyPicturesGiveEmptyResults)
{
    for (const char* name : {"bg0.bmp", "bg1.bmp", "image0.bmp", "image1.bmp"}) {
        writeFile(scratch / name, sizedBmp(0, 7).bytes());
    }
    const ToolRun result = run();
    EXPECT_EQ(result.status, 0) << result.output;
    for (const char* name : {"alpha.bmp", "error.bmp", "fg.bmp"}) {
        const std::string bytes = file(name);
        ASSERT_EQ(bytes.size(), 54u) << name;
        EXPECT_EQ(get32(bytes, 18), 0u);
        EXPECT_EQ(get32(bytes, 22), 7u);
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
    writeScene(scratch.path());
    for (const std::string& name : names) {
        std::filesystem::rename(scratch / "bg0.bmp", scratch / name);
        std::filesystem::remove(scratch / "alpha.bmp");
        const ToolRun result = run({"--Background0=" + name, "--Foreground=" + name + ".fg"}, {{"LANG", GetParam().lang}});
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
    writeScene(scratch.path());
    const ToolRun result = run({"--Image0=\xFF\xFE-missing.bmp"}, {{"LANG", "C"}});
    const Lines lines = linesOf(result.output);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "read image0 \"\xFF\xFE-missing.bmp\"");
    EXPECT_EQ(lines.back(), "failed");
    EXPECT_EQ(result.status, 255);
}

TEST_F(EndToEnd, AConsoleNobodyReadsDoesNotStopTheRun)
{
    writeScene(scratch.path());
    ToolInvocation invocation{toolExecutable(), {}, scratch.path()};
    invocation.closeOutputEarly = true;
    EXPECT_EQ(runTool(invocation).status, 0);
    EXPECT_EQ(file("fg.bmp"), bmpBytes(kForegroundComputed));
}

TEST_F(EndToEnd, UnknownArgumentsAreIgnored)
{
    writeScene(scratch.path());
    const ToolRun result = run({"--help", "-v", "extra", "--alpha=x.bmp"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(exists("alpha.bmp"));
    EXPECT_FALSE(exists("x.bmp"));
}

}  // namespace
}  // namespace ferlane
