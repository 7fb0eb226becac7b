#include "app/result_files.h"
#include "support/files.h"

#include <gtest/gtest.h>

namespace ferlane {
namespace {

using support::readFile;

// The end-to-end tests show the input surviving every path and link; this shows
// that what stops the write is the refusal itself, not some failed write.
TEST(ResultFiles, RefuseToWriteOverAKeptInputAndWriteElsewhere)
{
    const support::ScratchFolder scratch;
    support::writeFile(scratch / "input.bmp", "photograph");
    ResultFiles results;
    results.keep((scratch / "input.bmp").wstring());
    const Plane pixel = Plane::Constant(1, 1, 9);
    EXPECT_THROW(results.write((scratch / "." / "input.bmp").wstring(), pixel, pixel, pixel), OverwriteRefusal);
    EXPECT_EQ(readFile(scratch / "input.bmp"), "photograph");
    results.write((scratch / "result.bmp").wstring(), pixel, pixel, pixel);
    EXPECT_EQ(readFile(scratch / "result.bmp").size(), 58u);
}

}  // namespace
}  // namespace ferlane
