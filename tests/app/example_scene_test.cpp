// The example scene shipped with the tool is what the scene generator makes, and
// the tool recovers its soft-edged subject.

#include "image/bmp_reader.h"
#include "support/files.h"
#include "support/tool_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <list>
#include <set>

namespace ferlane {
namespace {

using namespace ferlane::support;
namespace fs = std::filesystem;

const char* const kScene[] = {"bg0.bmp", "bg1.bmp", "image0.bmp", "image1.bmp"};

TEST(ExampleScene, IsReproducedByTheGenerator)
{
    ScratchFolder scratch;
    const ToolRun made = runTool({FERLANE_SCENE_GENERATOR, {scratch.path().string()}, scratch.path()});
    ASSERT_EQ(made.status, 0) << made.output;
    for (const char* name : kScene) {
        EXPECT_EQ(readFile(scratch / name), readFile(fs::path(FERLANE_EXAMPLES_DIR) / name)) << name;
    }
}

TEST(ExampleScene, GeneratorRefusesBadArguments)
{
    ScratchFolder scratch;
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {"dir", "0", "10"}, {"dir", "10"}, {"dir", "ten", "10"}}) {
        EXPECT_EQ(runTool({FERLANE_SCENE_GENERATOR, arguments, scratch.path()}).status, 2);
    }
    EXPECT_EQ(runTool({FERLANE_SCENE_GENERATOR, {"missing/dir"}, scratch.path()}).status, 1);
}

TEST(ExampleScene, GivesASoftMatteAndTheSubjectsColours)
{
    ScratchFolder scratch;
    for (const char* name : kScene) {
        fs::copy_file(fs::path(FERLANE_EXAMPLES_DIR) / name, scratch / name);
    }
    const ToolRun result = runTool({toolExecutable(), {}, scratch.path()});
    ASSERT_EQ(result.status, 0) << result.output;

    RgbImage alpha, error, foreground, background0, background1, image0, image1;
    readBmpFile((scratch / "alpha.bmp").wstring(), alpha);
    readBmpFile((scratch / "error.bmp").wstring(), error);
    readBmpFile((scratch / "fg.bmp").wstring(), foreground);
    readBmpFile((scratch / "bg0.bmp").wstring(), background0);
    readBmpFile((scratch / "bg1.bmp").wstring(), background1);
    readBmpFile((scratch / "image0.bmp").wstring(), image0);
    readBmpFile((scratch / "image1.bmp").wstring(), image1);
    auto same = [](const RgbImage& a, const RgbImage& b, Eigen::Index k) {
        return a.red.data()[k] == b.red.data()[k] && a.green.data()[k] == b.green.data()[k] &&
               a.blue.data()[k] == b.blue.data()[k];
    };

    std::set<std::int32_t> softValues;
    for (Eigen::Index k = 0; k < alpha.red.size(); ++k) {
        const std::int32_t a = alpha.red.data()[k];
        if (a > 0 && a < 255) {
            softValues.insert(a);
        }
        // Where the backgrounds differ, a subject that changes nothing between the
        // two photographs is opaque, and photographs equal to their backgrounds
        // show no subject: alpha is exactly 255 or 0 there, never clamped.
        if (same(background0, background1, k)) {
            continue;
        }
        if (same(image0, image1, k)) {
            EXPECT_EQ(a, 255);
            EXPECT_EQ(foreground.red.data()[k], image0.red.data()[k]);
        }
        if (same(image0, background0, k) && same(image1, background1, k)) {
            EXPECT_EQ(a, 0);
            EXPECT_EQ(foreground.green.data()[k], 0);
        }
    }
    EXPECT_GT(softValues.size(), 200u);
    EXPECT_EQ(alpha.red(0, 0), 0);                     // a corner is background
    EXPECT_EQ(alpha.red(alpha.rows() / 2, 144), 255);  // the ball's centre is opaque
    // The backgrounds differ by more than 128 at the top, so alpha is fully resolved
    // there; they come closer further down and are equal in the bottom row.
    const Eigen::Index bottom = error.rows() - 1;
    EXPECT_EQ(error.red.row(0).maxCoeff(), 0);
    EXPECT_EQ(error.red.row(bottom).minCoeff(), 255);
    std::set<std::int32_t> coarse;
    for (Eigen::Index k = 0; k < error.red.size(); ++k) {
        if (error.red.data()[k] > 0 && error.red.data()[k] <= 128) {
            coarse.insert(error.red.data()[k]);
        }
    }
    EXPECT_GT(coarse.size(), 10u);
}

TEST(ExampleScene, ReadThroughPipesGivesTheResultsOfFiles)
{
    if (toolIsEmulated()) {
        GTEST_SKIP() << "named pipes are a POSIX matter";
    }
    ScratchFolder files;
    ScratchFolder pipes;
    std::list<FifoFeed> feeds;
    for (const char* name : kScene) {
        fs::copy_file(fs::path(FERLANE_EXAMPLES_DIR) / name, files / name);
        feeds.emplace_back(pipes / name, readFile(files / name));
    }
    ASSERT_EQ(runTool({toolExecutable(), {}, files.path()}).status, 0);
    const ToolRun piped = runTool({toolExecutable(), {}, pipes.path()});
    ASSERT_EQ(piped.status, 0) << piped.output;
    for (const char* result : {"alpha.bmp", "error.bmp", "fg.bmp"}) {
        EXPECT_EQ(readFile(pipes / result), readFile(files / result)) << result;
    }
}

}  // namespace
}  // namespace ferlane
