#include "image/bmp_reader.h"
#include "support/files.h"
#include "support/refusal.h"
#include "support/regression_files.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

namespace ferlane {
namespace {

TEST(BmpRegressions, EveryKeptInputIsRefusedForItsRule)
{
    // A file added to the folder must be added here too.
    const std::map<std::string, BmpRule> expected{
        {"core-header-size-12.bmp", BmpRule::kShorterThanPixels},
        {"cut-in-a-row.bmp", BmpRule::kShorterThanPixels},
        {"huge-claim-60-bytes.bmp", BmpRule::kShorterThanPixels},
        {"most-negative-height.bmp", BmpRule::kHeightOutOfRange},
        {"negative-width.bmp", BmpRule::kNegativeWidth},
        {"offset-far-past-end.bmp", BmpRule::kShorterThanPixels},
        {"only-0-bytes.bmp", BmpRule::kShorterThanHeaders},
        {"only-14-bytes.bmp", BmpRule::kShorterThanHeaders},
        {"only-2-bytes.bmp", BmpRule::kShorterThanHeaders},
        {"only-28-bytes.bmp", BmpRule::kShorterThanHeaders},
        {"only-53-bytes.bmp", BmpRule::kShorterThanHeaders},
        {"row-length-overflow-24bpp.bmp", BmpRule::kShorterThanPixels},
        {"row-length-overflow-32bpp.bmp", BmpRule::kShorterThanPixels},
    };
    const auto files = support::regressionFiles("bmp");
    EXPECT_EQ(files.size(), expected.size()) << "the regression folder and this table differ";
    for (const auto& file : files) {
        const auto known = expected.find(file.filename().string());
        ASSERT_NE(known, expected.end()) << file << " has no expected rule";
        std::istringstream input(support::readFile(file));
        RgbImage image;
        EXPECT_EQ(support::refusalOf([&] { readBmp(input, image); }), known->second) << file;
    }
}

}  // namespace
}  // namespace ferlane
