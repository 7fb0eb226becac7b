// Broken and hostile photographs end the run cleanly under a tight address-space
// limit: the read line, then "failed", exit status 255, and nothing written after.

#include "scene_files.h"
#include "support/regression_files.h"
#include "support/tool_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace ferlane {
namespace {

using namespace ferlane::support;
namespace fs = std::filesystem;

constexpr std::uint64_t kAddressSpace = 512ull << 20;

// Inputs read before, between and after the others, with their read lines.
const struct Role {
    const char* file;
    const char* readLine;
} kRoles[] = {{"bg0.bmp", "read background0 \"bg0.bmp\""},
              {"image1.bmp", "read image1 \"image1.bmp\""},
              {"alpha.bmp", "read alpha \"alpha.bmp\""}};
using Lines = std::vector<std::string>;

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override { writeScene(scratch.path()); }

    ToolRun run()
    {
        ToolInvocation invocation{toolExecutable(), {}, scratch.path()};
#ifndef FERLANE_SANITIZED
        // Sanitized builds reserve far more address space than this; there the
        // sanitizer's own allocator reports any oversized allocation instead.
        if (!toolIsEmulated()) {
            invocation.addressSpaceLimit = kAddressSpace;
        }
#endif
        return runTool(invocation);
    }

    ScratchFolder scratch;
};

TEST_F(HostileInput, EveryKeptRegressionFailsRightAfterItsReadLine)
{
    for (const fs::path& file : regressionFiles("bmp")) {
        for (const Role& role : kRoles) {
            SCOPED_TRACE(file.filename().string() + " as " + role.file);
            writeScene(scratch.path());
            fs::copy_file(file, scratch / role.file, fs::copy_options::overwrite_existing);
            const ToolRun result = run();
            EXPECT_EQ(lastLinesOf(result.output, 2), (Lines{role.readLine, "failed"}));
            EXPECT_EQ(result.status, 255);
            EXPECT_FALSE(fs::exists(scratch / "fg.bmp"));
            if (std::string(role.file) == "alpha.bmp") {
                EXPECT_FALSE(fs::exists(scratch / "error.bmp"));
            }
            fs::remove(scratch / "alpha.bmp");
        }
    }
}

TEST_F(HostileInput, PicturesWithoutPixelBytesFinishAtOnceWithEmptyResults)
{
    for (const auto& [width, height] : {std::pair{0, 7}, std::pair{0, 2000000000}, std::pair{2000000000, 0}}) {
        for (const char* name : {"bg0.bmp", "bg1.bmp", "image0.bmp", "image1.bmp"}) {
            writeFile(scratch / name, sizedBmp(width, height).bytes());
        }
        fs::remove(scratch / "alpha.bmp");
        const ToolRun result = run();
        EXPECT_EQ(result.status, 0) << result.output;
        for (const char* name : {"alpha.bmp", "error.bmp", "fg.bmp"}) {
            const std::string bytes = readFile(scratch / name);
            ASSERT_EQ(bytes.size(), 54u) << name;
            EXPECT_EQ(get32(bytes, 18), static_cast<std::uint32_t>(width));
            EXPECT_EQ(get32(bytes, 22), static_cast<std::uint32_t>(height));
        }
        // The second run reads those empty results back.
        EXPECT_EQ(run().status, 0);
    }
}

TEST_F(HostileInput, APictureLargerThanMemoryFailsThroughTheOutOfMemoryPath)
{
#ifdef FERLANE_SANITIZED
    GTEST_SKIP() << "needs an address-space limit, which sanitized builds cannot take";
#endif
    if (toolIsEmulated()) {
        GTEST_SKIP() << "needs an address-space limit, which Wine cannot take";
    }
    // A sparse file really as long as its header says: 30000 x 30000 pixels, whose
    // planes need far more than the limit allows.
    std::string header = sizedBmp(0, 0).bytes();
    put32(header, 18, 30000);
    put32(header, 22, 30000);
    writeFile(scratch / "image0.bmp", header);
    fs::resize_file(scratch / "image0.bmp", 54 + 30000ull * 90000);
    const ToolRun result = run();
    EXPECT_EQ(lastLinesOf(result.output, 2), (Lines{"read image0 \"image0.bmp\"", "failed"}));
    EXPECT_EQ(result.status, 255);
    EXPECT_FALSE(fs::exists(scratch / "alpha.bmp"));
}

// A pipe cannot tell its length, so only the rows that arrive can bound what a
// picture read from one costs: a header claiming 30000 x 30000 pixels (10 GB of
// planes) must fail as soon as the pipe runs dry, in the memory its bytes fill.
TEST_F(HostileInput, APipeThatRunsDryFailsInTheMemoryItsBytesFill)
{
    if (toolIsEmulated()) {
        GTEST_SKIP() << "the peak memory of a Windows program is Wine's, not the tool's";
    }
    constexpr std::uint64_t kPeakLimit = 256ull << 20;
    const struct {
        std::int32_t height;
        std::uint16_t bitsPerPixel;
    } headers[] = {{30000, 24}, {30000, 32}, {-30000, 24}};
    for (const Role& role : kRoles) {
        for (const auto& header : headers) {
            for (const std::size_t rowBytes : {std::size_t{0}, std::size_t{1} << 20}) {
                writeScene(scratch.path());
                fs::remove(scratch / role.file);
                std::string claim = sizedBmp(0, 0, header.bitsPerPixel).bytes();
                put32(claim, 18, 30000);
                put32(claim, 22, static_cast<std::uint32_t>(header.height));
                const FifoFeed feed(scratch / role.file, claim + std::string(rowBytes, '\x7f'));
                const ToolRun result = runTool({toolExecutable(), {}, scratch.path()});
                SCOPED_TRACE(std::string(role.file) + ", height " + std::to_string(header.height) + ", " +
                             std::to_string(header.bitsPerPixel) + " bits, " + std::to_string(rowBytes) +
                             " bytes of rows");
                EXPECT_EQ(lastLinesOf(result.output, 2), (Lines{role.readLine, "failed"}));
                EXPECT_EQ(result.status, 255);
                EXPECT_LT(result.peakMemoryBytes, kPeakLimit);
            }
        }
    }
}

}  // namespace
}  // namespace ferlane
