#include "image/bmp_reader.h"
#include "support/bmp_bytes.h"
#include "support/forward_only_buffer.h"
#include "support/refusal.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace ferlane {
namespace {

using support::BmpFile;
using support::ForwardOnlyBuffer;
using support::refusalOf;
using support::Rgb;
using support::sizedBmp;

// The picture as the browser page reads a file held in memory: packed in place,
// and its size from the headers alone. Both refuse as the file is refused.
RgbImage readPacked(const std::string& bytes, std::optional<BmpRule>& refusal)
{
    std::vector<unsigned char> held(bytes.begin(), bytes.end());
    const auto sizeRefusal = refusalOf([&] { readBmpSize(held.data(), held.size(), held.size()); });
    RgbImage image;
    refusal = refusalOf([&] {
        const PictureSize size = packBmp(held.data(), held.size());
        image.resize(size.rows, size.columns);
        for (Eigen::Index k = 0; k < image.red.size(); ++k) {
            image.red.data()[k] = held[3 * static_cast<std::size_t>(k)];
            image.green.data()[k] = held[3 * static_cast<std::size_t>(k) + 1];
            image.blue.data()[k] = held[3 * static_cast<std::size_t>(k) + 2];
        }
    });
    EXPECT_EQ(sizeRefusal, refusal) << "the headers alone are judged otherwise than the whole file";
    return image;
}

// Every picture is read three ways: as a file arrives (a stream that knows its
// length), as a pipe delivers it (one that cannot seek) and held in memory as the
// page holds it; all must agree, on the pixels and on the rule of a refusal.
RgbImage readBytes(const std::string& bytes)
{
    RgbImage fromPipe;
    const auto pipeRefusal = refusalOf([&] {
        ForwardOnlyBuffer buffer(bytes);
        std::istream pipe(&buffer);
        readBmp(pipe, fromPipe);
    });
    RgbImage image;
    const auto fileRefusal = refusalOf([&] {
        std::istringstream input(bytes);
        readBmp(input, image);
    });
    std::optional<BmpRule> packedRefusal;
    const RgbImage packed = readPacked(bytes, packedRefusal);
    EXPECT_EQ(pipeRefusal, fileRefusal) << "a pipe and a file are read differently";
    EXPECT_EQ(packedRefusal, fileRefusal) << "a file held in memory and a file are read differently";
    if (fileRefusal) {
        throw BmpRefusal(*fileRefusal);
    }
    EXPECT_TRUE(image.red == fromPipe.red && image.green == fromPipe.green && image.blue == fromPipe.blue)
        << "a pipe gives other pixels than a file";
    EXPECT_TRUE(image.red == packed.red && image.green == packed.green && image.blue == packed.blue)
        << "a file held in memory gives other pixels than a file";
    return image;
}

void expectRefused(const std::string& bytes, BmpRule rule)
{
    EXPECT_EQ(refusalOf([&] { readBytes(bytes); }), rule);
}

void expectPixelsOf(const BmpFile& file, const RgbImage& image)
{
    const int rows = file.height < 0 ? -file.height : file.height;
    ASSERT_EQ(image.rows(), rows);
    ASSERT_EQ(image.columns(), file.width);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < file.width; ++c) {
            ASSERT_EQ((Rgb{image.red(r, c), image.green(r, c), image.blue(r, c)}), file.pixel(r, c))
                << "row " << r << " column " << c;
        }
    }
}

struct Readable {
    std::string name;
    BmpFile file;
    friend std::ostream& operator<<(std::ostream& out, const Readable& r) { return out << r.name; }
};

class ReadableFiles : public ::testing::TestWithParam<Readable> {};

TEST_P(ReadableFiles, GiveEveryPixelInTopDownPlanes)
{
    expectPixelsOf(GetParam().file, readBytes(GetParam().file.bytes()));
}

std::vector<Readable> readableFiles()
{
    std::vector<Readable> files;
    for (std::uint16_t bits : {24, 32}) {
        for (std::int32_t width = 1; width <= 5; ++width) {
            for (bool topDown : {false, true}) {
                files.push_back({std::to_string(bits) + "bpp_width" + std::to_string(width) +
                                     (topDown ? "_top_down" : "_bottom_up"),
                                 sizedBmp(width, topDown ? -3 : 3, bits)});
            }
        }
    }
    // A longer header, masks or a palette, skipped by the pixel offset.
    const struct {
        const char* name;
        std::uint16_t bitsPerPixel;
        std::uint32_t infoHeaderSize;
        std::uint32_t compression;
        std::size_t extraBytes;
    } headers[] = {{"v4_header", 24, 108, 0, 108 - 40},
                   {"v5_header", 32, 124, 0, 124 - 40},
                   {"palette", 24, 40, 0, 1024},
                   {"bitfields_read_as_plain", 32, 40, 3, 12},
                   {"core_header_size_read_as_40", 24, 12, 0, 0}};
    for (const auto& h : headers) {
        BmpFile file = sizedBmp(3, 2, h.bitsPerPixel);
        file.infoHeaderSize = h.infoHeaderSize;
        file.compression = h.compression;
        file.betweenHeadersAndPixels = std::string(h.extraBytes, '\x55');
        files.push_back({h.name, file});
    }
    return files;
}

INSTANTIATE_TEST_SUITE_P(Files, ReadableFiles, ::testing::ValuesIn(readableFiles()),
                         [](const auto& info) { return info.param.name; });

// Set by hand, not by the file builder, so that it cannot share a mistake with the reader.
TEST(BmpReader, StoredByteOrderIsBlueGreenRed)
{
    for (std::uint16_t bits : {24, 32}) {
        std::string bytes = sizedBmp(1, 1, bits).bytes();
        bytes.replace(54, 4, {10, 20, 30, 40});  // the fourth byte is padding or unused
        const RgbImage image = readBytes(bytes);
        EXPECT_EQ((Rgb{image.red(0, 0), image.green(0, 0), image.blue(0, 0)}), (Rgb{30, 20, 10})) << bits;
    }
}

TEST(BmpReader, EmptyPicturesGiveEmptyPlanes)
{
    // No pixel bytes at all: nothing is allocated or looped over, however large
    // the other dimension claims to be.
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{0, 0},          {0, 5},          {5, 0},
                                                           {0, 2000000000}, {2000000000, 0}, {0, -2000000000}};
    for (const auto& [width, height] : sizes) {
        const RgbImage image = readBytes(sizedBmp(width, height).bytes());
        EXPECT_EQ(image.columns(), width);
        EXPECT_EQ(image.rows(), height < 0 ? -static_cast<Eigen::Index>(height) : height);
        EXPECT_EQ(image.blue.rows(), image.rows());
        EXPECT_EQ(image.green.cols(), image.columns());
    }
}

TEST(BmpReader, RefusesUnsupportedBitDepths)
{
    for (std::uint16_t bits : {0, 1, 4, 8, 16, 48, 64}) {
        BmpFile file = sizedBmp(2, 2, 24);
        std::string bytes = file.bytes();
        support::put16(bytes, 28, bits);
        expectRefused(bytes, BmpRule::kUnsupportedBitDepth);
    }
}

TEST(BmpReader, RefusesAWrongSignatureWithoutTouchingThePlanes)
{
    std::string bytes = sizedBmp(2, 2).bytes();
    bytes[1] = 'A';
    Plane red = Plane::Constant(1, 1, 7);
    Plane green = red;
    Plane blue = red;
    std::istringstream input(bytes);
    EXPECT_EQ(refusalOf([&] { readBmp(input, red, green, blue); }), BmpRule::kNoSignature);
    EXPECT_EQ(red.size(), 1);
    EXPECT_EQ(red(0, 0), 7);
}

TEST(BmpReader, RefusesFilesTooShortForTheHeaders)
{
    const std::string whole = sizedBmp(0, 0).bytes();
    for (std::size_t length : {0, 1, 2, 13, 14, 28, 53}) {
        expectRefused(whole.substr(0, length), BmpRule::kShorterThanHeaders);
    }
}

struct HostileHeader {
    const char* name;
    std::int32_t width;
    std::int32_t height;
    std::uint16_t bitsPerPixel;
    std::uint32_t pixelOffset;
    BmpRule rule;
    friend std::ostream& operator<<(std::ostream& out, const HostileHeader& c) { return out << c.name; }
};

class HostileHeaders : public ::testing::TestWithParam<HostileHeader> {};

// Each of these claims far more pixels than its few bytes hold, or a size no plane
// can take. Refusing them must not first allocate what they claim.
TEST_P(HostileHeaders, AreRefusedBeforeAnyLargeAllocation)
{
    const HostileHeader& h = GetParam();
    std::string bytes = sizedBmp(0, 0, h.bitsPerPixel).bytes();
    support::put32(bytes, 18, static_cast<std::uint32_t>(h.width));
    support::put32(bytes, 22, static_cast<std::uint32_t>(h.height));
    support::put32(bytes, 10, h.pixelOffset);
    bytes.append(6, '\0');
    expectRefused(bytes, h.rule);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, HostileHeaders,
    ::testing::Values(
        HostileHeader{"huge_claim", 3000000, 2000000, 24, 54, BmpRule::kShorterThanPixels},
        HostileHeader{"negative_width", -5, 2, 24, 54, BmpRule::kNegativeWidth},
        HostileHeader{"most_negative_height", 2, std::numeric_limits<std::int32_t>::min(), 24, 54,
                      BmpRule::kHeightOutOfRange},
        // Fields are checked in the file's order: the width before the height, both
        // before the bit depth.
        HostileHeader{"negative_width_and_height", -1, std::numeric_limits<std::int32_t>::min(), 8, 54,
                      BmpRule::kNegativeWidth},
        HostileHeader{"most_negative_height_at_8bpp", 2, std::numeric_limits<std::int32_t>::min(), 8, 54,
                      BmpRule::kHeightOutOfRange},
        HostileHeader{"row_length_overflows_32_bits_at_32bpp", 0x40000000, 1, 32, 54, BmpRule::kShorterThanPixels},
        HostileHeader{"row_length_overflows_32_bits_at_24bpp", 0x55555555, 1, 24, 54, BmpRule::kShorterThanPixels},
        HostileHeader{"largest_width_and_height", 0x7FFFFFFF, 0x7FFFFFFF, 32, 54, BmpRule::kShorterThanPixels},
        HostileHeader{"offset_far_past_the_end", 1, 1, 24, 0xFFFFFFF0u, BmpRule::kShorterThanPixels}),
    [](const auto& info) { return std::string(info.param.name); });

// A file may end inside its last row's padding or unused fourth bytes, but not
// inside its colours: neither a stream that knows its length nor a pipe may fill
// them in.
TEST(BmpReader, LastRowMayLackItsUnusedBytesButNotItsColours)
{
    const struct {
        std::uint16_t bitsPerPixel;
        std::int32_t width;  // rows of 8 bytes (2 or 1 unused), or of 12 (3 unused)
        std::size_t cut;     // bytes missing from the end
        bool refused;
    } cases[] = {{24, 2, 2, false}, {24, 2, 3, true},  {24, 2, 9, true},  {32, 2, 1, false},
                 {32, 2, 2, true},  {32, 2, 9, true},  {24, 3, 0, false}, {24, 3, 3, false},
                 {24, 3, 4, true},  {24, 3, 11, true}, {24, 3, 12, true}, {24, 3, 30, true}};
    for (const auto& k : cases) {
        const BmpFile file = sizedBmp(k.width, 4, k.bitsPerPixel);
        const std::string bytes = file.bytes().substr(0, file.bytes().size() - k.cut);
        SCOPED_TRACE(std::to_string(k.bitsPerPixel) + " bits, width " + std::to_string(k.width) + ", cut " +
                     std::to_string(k.cut));
        if (k.refused) {
            expectRefused(bytes, BmpRule::kShorterThanPixels);
        } else {
            expectPixelsOf(file, readBytes(bytes));
        }
    }
}

TEST(BmpReader, PixelOffsetBelowTheHeadersReadsFromInsideThem)
{
    BmpFile file = sizedBmp(1, 1, 32);
    file.pixelOffset = 0;
    const std::string bytes = file.bytes();
    const RgbImage image = readBytes(bytes);
    EXPECT_EQ((Rgb{image.red(0, 0), image.green(0, 0), image.blue(0, 0)}),
              (Rgb{static_cast<unsigned char>(bytes[2]), 'M', 'B'}));
}

TEST(BmpReader, LeavesTheStreamAfterTheLastRow)
{
    const std::string bytes = sizedBmp(2, 2).bytes() + "tail";
    std::istringstream input(bytes);
    RgbImage image;
    readBmp(input, image);
    std::string rest;
    input >> rest;
    EXPECT_EQ(rest, "tail");
}

TEST(BmpReaderFile, MissingFileIsRefused)
{
    RgbImage image;
    EXPECT_EQ(refusalOf([&] { readBmpFile(L"/nonexistent/directory/none.bmp", image); }), BmpRule::kCannotOpen);
}

}  // namespace
}  // namespace ferlane
