// A result is never written over a file the run has read, whatever path leads
// there: the photograph survives, and the run fails right after that result's line.

#include "scene_files.h"
#include "support/tool_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace ferlane {
namespace {

using namespace ferlane::support;
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

struct Overwrite {
    const char* name;
    std::string argument;  // "{dir}" stands for the scratch directory's absolute path
    // Made before the run: "link.bmp" becomes a hard or symbolic link to the kept file.
    enum class Link { none, hard, symbolic } link;
    Lines stepsAfterReading;  // the console lines from the alpha stage on
    // The input that must come through unchanged; alpha.bmp is written first, so that it is read.
    const char* kept;
    friend std::ostream& operator<<(std::ostream& out, const Overwrite& c) { return out << c.name; }
};

class Overwrites : public ::testing::TestWithParam<Overwrite> {};

std::string expand(std::string text, const fs::path& directory)
{
    const std::string marker = "{dir}";
    if (const auto at = text.find(marker); at != std::string::npos) {
        text.replace(at, marker.size(), directory.string());
    }
    return text;
}

TEST_P(Overwrites, OfTheRunsOwnInputsAreRefusedAndTheInputSurvives)
{
    const Overwrite& k = GetParam();
    ScratchFolder scratch;
    writeScene(scratch.path());
    if (std::string(k.kept) == "alpha.bmp") {
        writeFile(scratch / "alpha.bmp", bmpBytes(kAlphaWritten));
    }
    if (k.link == Overwrite::Link::hard) {
        fs::create_hard_link(scratch / k.kept, scratch / "link.bmp");
    } else if (k.link == Overwrite::Link::symbolic) {
        fs::create_symlink(k.kept, scratch / "link.bmp");
    }
    const std::string before = readFile(scratch / k.kept);
    ASSERT_FALSE(before.empty());

    const ToolRun result = runTool({toolExecutable(), {expand(k.argument, scratch.path())}, scratch.path()});

    const Lines lines = linesOf(result.output);
    ASSERT_GE(lines.size(), 8u) << "status " << result.status << "\n" << result.output;
    Lines expected;
    for (const std::string& step : k.stepsAfterReading) {
        expected.push_back(expand(step, scratch.path()));
    }
    EXPECT_EQ(Lines(lines.begin() + 8, lines.end()), expected);
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(readFile(scratch / k.kept), before);
}

// The steps of a run that fails writing its error or its foreground file.
Lines failingAtError(const std::string& name)
{
    return {"reconstruct alpha", "write alpha \"alpha.bmp\"", "write calculation error \"" + name + "\"", "failed"};
}
Lines failingAtForeground(const std::string& name)
{
    return {"reconstruct alpha",      "write alpha \"alpha.bmp\"",         "write calculation error \"error.bmp\"",
            "reconstruct foreground", "write foreground \"" + name + "\"", "failed"};
}

INSTANTIATE_TEST_SUITE_P(
    Results, Overwrites,
    ::testing::Values(Overwrite{"foreground_by_name", "--Foreground=image0.bmp", Overwrite::Link::none,
                                failingAtForeground("image0.bmp"), "image0.bmp"},
                      Overwrite{"error_through_dot_slash", "--Error=./bg1.bmp", Overwrite::Link::none,
                                failingAtError("./bg1.bmp"), "bg1.bmp"},
                      Overwrite{"foreground_by_absolute_path", "--Foreground={dir}/image1.bmp", Overwrite::Link::none,
                                failingAtForeground("{dir}/image1.bmp"), "image1.bmp"},
                      Overwrite{"error_through_a_hard_link", "--Error=link.bmp", Overwrite::Link::hard,
                                failingAtError("link.bmp"), "bg0.bmp"},
                      Overwrite{"foreground_through_a_symbolic_link", "--Foreground=link.bmp",
                                Overwrite::Link::symbolic, failingAtForeground("link.bmp"), "image0.bmp"},
                      Overwrite{"foreground_over_the_alpha_file_read",
                                "--Foreground=alpha.bmp",
                                Overwrite::Link::none,
                                {"read alpha \"alpha.bmp\"", "reconstruct foreground", "write foreground \"alpha.bmp\"",
                                 "failed"},
                                "alpha.bmp"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Overwrite, TwoResultsMayShareOneFile)
{
    ScratchFolder scratch;
    writeScene(scratch.path());
    const ToolRun result = runTool({toolExecutable(), {"--Error=same.bmp", "--Foreground=same.bmp"}, scratch.path()});
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(readFile(scratch / "same.bmp"), bmpBytes(kForegroundComputed));
}

}  // namespace
}  // namespace ferlane
