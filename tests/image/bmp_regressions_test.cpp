#include "image/bmp_reader.h"
#include "regression_files.h"

#include <gtest/gtest.h>

#include <sstream>
#include <typeinfo>

namespace ferlane {
namespace {

TEST(BmpRegressions, EveryKeptInputIsRefusedCleanly)
{
    const auto files = testing::regressionFiles("bmp");
    ASSERT_FALSE(files.empty()) << "the regression folder is missing or empty";
    for (const auto& file : files) {
        std::istringstream input(testing::regressionBytes(file));
        RgbImage image;
        try {
            readBmp(input, image);
            ADD_FAILURE() << file << " was accepted";
        } catch (const std::exception& e) {
            EXPECT_EQ(typeid(e), typeid(std::exception)) << file << ": " << typeid(e).name();
        }
    }
}

}  // namespace
}  // namespace ferlane
