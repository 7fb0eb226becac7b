#include "image/bmp_reader.h"
#include "image/bmp_writer.h"
#include "support/files.h"
#include "support/refusal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

namespace ferlane {
namespace {

using support::readFile;
using support::refusalOf;
using support::ScratchFolder;
using support::writeFile;

std::string writeToString(const Plane& red, const Plane& green, const Plane& blue)
{
    std::ostringstream output;
    writeBmp(output, red, green, blue);
    return output.str();
}

Plane planeOf(Eigen::Index rows, Eigen::Index columns, std::int32_t first)
{
    Plane plane(rows, columns);
    for (Eigen::Index k = 0; k < plane.size(); ++k) {
        plane.data()[k] = first + static_cast<std::int32_t>(k);
    }
    return plane;
}

TEST(BmpWriter, HeaderBytesAreTheFixedLayout)
{
    const Plane red = planeOf(3, 2, 0);
    const std::string bytes = writeToString(red, red, red);
    const unsigned char expected[54] = {'B', 'M', 78, 0, 0, 0,  // file size 54 + 3 rows x 8 bytes
                                        0,   0,   0,  0,        // reserved
                                        54,  0,   0,  0,        // pixel-row offset
                                        40,  0,   0,  0,        // information-header size
                                        2,   0,   0,  0,        // width
                                        3,   0,   0,  0,        // height, positive: bottom-up
                                        1,   0,   24, 0,        // planes, bits per pixel
                                        0,   0,   0,  0,        // compression
                                        24,  0,   0,  0,        // pixel-data size
                                        0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(bytes.size(), 78u);
    EXPECT_EQ(bytes.substr(0, 54), std::string(reinterpret_cast<const char*>(expected), 54));
}

TEST(BmpWriter, StoresBottomRowFirstInBlueGreenRedOrderWithZeroPadding)
{
    const Plane red = planeOf(2, 1, 10);    // 10 / 11
    const Plane green = planeOf(2, 1, 20);  // 20 / 21
    const Plane blue = planeOf(2, 1, 30);   // 30 / 31
    const std::string pixels = writeToString(red, green, blue).substr(54);
    EXPECT_EQ(pixels, std::string("\x1F\x15\x0B\x00\x1E\x14\x0A\x00", 8));
}

TEST(BmpWriter, ClampsValuesIntoBytes)
{
    Plane values(1, 5);
    values << -7, 0, 128, 255, 300;
    const std::string pixels = writeToString(values, values, values).substr(54);
    const unsigned char expected[] = {0, 0, 128, 255, 255};
    for (int c = 0; c < 5; ++c) {
        for (int channel = 0; channel < 3; ++channel) {
            EXPECT_EQ(static_cast<unsigned char>(pixels[static_cast<std::size_t>(c * 3 + channel)]), expected[c])
                << "column " << c;
        }
    }
}

TEST(BmpWriter, RoundTripsEverySizeUpToElevenByEleven)
{
    std::mt19937 random(42);
    std::uniform_int_distribution<std::int32_t> byte(0, 255);
    for (Eigen::Index rows = 1; rows <= 11; ++rows) {
        for (Eigen::Index columns = 1; columns <= 11; ++columns) {
            RgbImage original;
            original.resize(rows, columns);
            for (Plane* p : {&original.red, &original.green, &original.blue}) {
                for (Eigen::Index k = 0; k < p->size(); ++k) {
                    p->data()[k] = byte(random);
                }
            }
            std::istringstream input(writeToString(original.red, original.green, original.blue));
            RgbImage copy;
            readBmp(input, copy);
            ASSERT_EQ(copy.red, original.red) << rows << " x " << columns;
            ASSERT_EQ(copy.green, original.green) << rows << " x " << columns;
            ASSERT_EQ(copy.blue, original.blue) << rows << " x " << columns;
        }
    }
}

// A picture made band by band, bottom band first, as the browser page makes its
// results, is the file writeBmp writes from the whole planes.
TEST(BmpWriter, WritesAPictureBandByBandAsWhole)
{
    const struct {
        Eigen::Index rows, columns, bandRows;
    } cases[] = {{7, 5, 1}, {7, 5, 3}, {7, 5, 7}, {7, 5, 9}, {6, 2, 2}, {5, 4, 4}, {1, 3, 1}};
    for (const auto& k : cases) {
        // Values beyond 0..255 too, and a different one in every channel.
        const Plane red = planeOf(k.rows, k.columns, -20);
        const Plane green = planeOf(k.rows, k.columns, 100);
        const Plane blue = planeOf(k.rows, k.columns, 230);
        std::ostringstream output;
        writeBmpHeader(output, bmpLayout(k.rows, k.columns));
        for (Eigen::Index end = k.rows; end > 0; end -= k.bandRows) {
            const Eigen::Index begin = std::max<Eigen::Index>(0, end - k.bandRows);
            const auto band = [&](const Plane& plane) { return Plane(plane.middleRows(begin, end - begin)); };
            writeBmpRows(output, band(red), band(green), band(blue));
        }
        EXPECT_EQ(output.str(), writeToString(red, green, blue))
            << k.rows << " x " << k.columns << " in bands of " << k.bandRows;
    }
}

TEST(BmpWriter, RefusesPlanesOfDifferentSizes)
{
    const Plane a = planeOf(2, 2, 0);
    const Plane b = planeOf(2, 3, 0);
    std::ostringstream output;
    EXPECT_EQ(refusalOf([&] { writeBmp(output, a, b, a); }), BmpRule::kPlaneSizesDiffer);
    EXPECT_EQ(refusalOf([&] { writeBmp(output, a, a, b); }), BmpRule::kPlaneSizesDiffer);
    EXPECT_TRUE(output.str().empty());
}

// The sizes a header records, up to the last file the 32-bit size fields can hold;
// none of these pictures needs to exist.
TEST(BmpWriter, LaysOutEveryFileBelow4GiBAndRefusesTheRest)
{
    constexpr std::uint32_t kLargestFile = 0xFFFFFFFF;
    const struct {
        Eigen::Index rows;
        Eigen::Index columns;
        std::uint32_t rowLength;  // 0: refused
        std::uint32_t fileSize;
    } cases[] = {
        {1, 1, 4, 58},
        {2, 5, 16, 86},
        {0, 0x7FFFFFFF, 0, 54},  // no rows: no bytes, however long a row would be
        {0x7FFFFFFF, 0, 0, 54},
        {1073741810, 1, 4, 54 + 4u * 1073741810},       // 4 GiB - 2 bytes
        {1073741811, 1, 0, 0},                          // 4 GiB + 2 bytes
        {1, 1431655746, 0xFFFFFFC8, kLargestFile - 1},  // one row of 4 GiB - 56 bytes
        {1, 1431655747, 0, 0},
        {65536, 65536, 0, 0},  // the pixel bytes alone are 12 GiB
        {Eigen::Index{1} << 31, 1, 0, 0},
        {1, Eigen::Index{1} << 31, 0, 0},
    };
    for (const auto& k : cases) {
        const auto where = std::to_string(k.rows) + " x " + std::to_string(k.columns);
        if (k.rowLength == 0 && k.fileSize == 0) {
            EXPECT_EQ(refusalOf([&] { bmpLayout(k.rows, k.columns); }), BmpRule::kTooLargeForFormat) << where;
            continue;
        }
        const BmpLayout layout = bmpLayout(k.rows, k.columns);
        EXPECT_EQ(layout.rowLength, k.rowLength) << where;
        EXPECT_EQ(layout.fileSize, k.fileSize) << where;
        EXPECT_EQ(layout.pixelDataSize, k.fileSize - 54) << where;
    }
}

TEST(BmpWriterFile, RefusesUnrepresentableSizesBeforeTouchingTheFile)
{
    ScratchFolder scratch;
    const auto path = scratch / "big.bmp";
    writeFile(path, "keep me");
    // Sizes beyond the signed 32-bit width and height fields; no pixels to allocate.
    const Plane tooManyRows(Eigen::Index{1} << 31, 0);
    const Plane tooManyColumns(0, Eigen::Index{1} << 31);
    for (const Plane* plane : {&tooManyRows, &tooManyColumns}) {
        EXPECT_EQ(refusalOf([&] { writeBmpFile(path.wstring(), *plane, *plane, *plane); }),
                  BmpRule::kTooLargeForFormat);
        EXPECT_EQ(readFile(path), "keep me");
    }
}

TEST(BmpWriterFile, CutsALongerExistingFile)
{
    ScratchFolder scratch;
    const auto path = scratch / "over.bmp";
    writeFile(path, std::string(1000, 'x'));
    const Plane plane = planeOf(2, 2, 0);
    writeBmpFile(path.wstring(), plane, plane, plane);
    EXPECT_EQ(std::filesystem::file_size(path), 54u + 2 * 8);
}

TEST(BmpWriterFile, ReportsAFailedWrite)
{
#ifdef _WIN32
    GTEST_SKIP() << "no device that always reports a full disk";
#endif
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full on this system";
    }
    const Plane plane = planeOf(4, 4, 0);
    EXPECT_EQ(refusalOf([&] { writeBmpFile(L"/dev/full", plane, plane, plane); }), BmpRule::kWriteFailed);
}

TEST(BmpWriterFile, RefusesAFileThatCannotBeCreated)
{
    const Plane plane = planeOf(1, 1, 0);
    EXPECT_EQ(refusalOf([&] { writeBmpFile(L"/nonexistent/directory/out.bmp", plane, plane, plane); }),
              BmpRule::kCannotCreate);
}

}  // namespace
}  // namespace ferlane
