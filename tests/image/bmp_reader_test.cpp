#include "image/bmp_reader.h"
#include "support/bmp_bytes.h"
#include "support/refusal.h"

#include <gtest/gtest.h>

#include <ostream>

#include <limits>
#include <sstream>
#include <streambuf>

namespace ferlane {
namespace {

using support::BmpFile;
using support::refusalOf;
using support::Rgb;
using support::sizedBmp;

// A stream whose length cannot be known in advance: no seeking at all.
class ForwardOnlyBuffer : public std::streambuf {
public:
    explicit ForwardOnlyBuffer(std::string bytes) : bytes_(std::move(bytes))
    {
        setg(bytes_.data(), bytes_.data(), bytes_.data() + bytes_.size());
    }

private:
    std::string bytes_;
};

// Every picture is read twice, as a file arrives (a stream that knows its length)
// and as a pipe delivers it (one that cannot seek); the two must agree, on the
// pixels and on the rule of a refusal.
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
    EXPECT_EQ(pipeRefusal, fileRefusal) << "a pipe and a file are read differently";
    if (fileRefusal) {
        throw BmpRefusal(*fileRefusal);
    }
    EXPECT_TRUE(image.red == fromPipe.red && image.green == fromPipe.green && image.blue == fromPipe.blue)
        << "a pipe gives other pixels than a file";
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
            const Rgb p = file.pixel(r, c);
            ASSERT_EQ(image.red(r, c), p[0]) << "row " << r << " column " << c;
            ASSERT_EQ(image.green(r, c), p[1]) << "row " << r << " column " << c;
            ASSERT_EQ(image.blue(r, c), p[2]) << "row " << r << " column " << c;
        }
    }
}

struct Variant {
    std::uint16_t bitsPerPixel;
    std::int32_t width;
    bool topDown;
    friend std::ostream& operator<<(std::ostream& out, const Variant& v)
    {
        return out << v.bitsPerPixel << "bpp_width" << v.width << (v.topDown ? "_top_down" : "_bottom_up");
    }
};

class ReaderVariants : public ::testing::TestWithParam<Variant> {};

TEST_P(ReaderVariants, ReadsEveryPixelIntoTopDownPlanes)
{
    BmpFile file;
    file.bitsPerPixel = GetParam().bitsPerPixel;
    file.width = GetParam().width;
    file.height = GetParam().topDown ? -3 : 3;
    expectPixelsOf(file, readBytes(file.bytes()));
}

std::vector<Variant> allVariants()
{
    std::vector<Variant> variants;
    for (std::uint16_t bits : {24, 32}) {
        for (std::int32_t width = 1; width <= 5; ++width) {
            variants.push_back({bits, width, false});
            variants.push_back({bits, width, true});
        }
    }
    return variants;
}

INSTANTIATE_TEST_SUITE_P(BitsWidthsAndRowOrders, ReaderVariants, ::testing::ValuesIn(allVariants()));

TEST(BmpReader, StoredByteOrderIsBlueGreenRed)
{
    for (std::uint16_t bits : {24, 32}) {
        std::string bytes = sizedBmp(1, 1, bits).bytes();
        bytes[54] = 10;
        bytes[55] = 20;
        bytes[56] = 30;
        if (bits == 32) {
            bytes[57] = 40;
        }
        const RgbImage image = readBytes(bytes);
        EXPECT_EQ(image.blue(0, 0), 10);
        EXPECT_EQ(image.green(0, 0), 20);
        EXPECT_EQ(image.red(0, 0), 30);
    }
}

struct HeaderVariant {
    const char* name;
    std::uint16_t bitsPerPixel;
    std::uint32_t infoHeaderSize;
    std::uint32_t compression;
    std::size_t extraBytes;  // longer header, masks or palette, skipped by the pixel offset
    friend std::ostream& operator<<(std::ostream& out, const HeaderVariant& c) { return out << c.name; }
};

class HeaderVariants : public ::testing::TestWithParam<HeaderVariant> {};

TEST_P(HeaderVariants, ReadsThePixelsBehindTheHeaders)
{
    BmpFile file;
    file.width = 3;
    file.height = 2;
    file.bitsPerPixel = GetParam().bitsPerPixel;
    file.infoHeaderSize = GetParam().infoHeaderSize;
    file.compression = GetParam().compression;
    file.betweenHeadersAndPixels = std::string(GetParam().extraBytes, '\x55');
    expectPixelsOf(file, readBytes(file.bytes()));
}

INSTANTIATE_TEST_SUITE_P(
    Headers, HeaderVariants,
    ::testing::Values(HeaderVariant{"v4_header", 24, 108, 0, 108 - 40},
                      HeaderVariant{"v5_header", 32, 124, 0, 124 - 40},
                      HeaderVariant{"palette", 24, 40, 0, 1024},
                      HeaderVariant{"bitfields_read_as_plain", 32, 40, 3, 12},
                      HeaderVariant{"core_header_size_read_as_40", 24, 12, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BmpReader, EmptyPicturesGiveEmptyPlanes)
{
    // No pixel bytes at all: nothing is allocated or looped over, however large
    // the other dimension claims to be.
    const std::pair<std::int32_t, std::int32_t> sizes[] = {
        {0, 0}, {0, 5}, {5, 0}, {0, 2000000000}, {2000000000, 0}, {0, -2000000000}};
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

TEST(BmpReader, LastRowMayLackItsUnusedBytesButNotItsColours)
{
    for (std::uint16_t bits : {24, 32}) {
        BmpFile file = sizedBmp(2, 3, bits);  // rows of 8 bytes either way
        const std::string whole = file.bytes();
        const std::size_t lastRed = whole.size() - 8 + (bits == 24 ? 5 : 6);  // red byte of the last pixel
        expectPixelsOf(file, readBytes(whole.substr(0, lastRed + 1)));
        expectRefused(whole.substr(0, lastRed), BmpRule::kShorterThanPixels);
        expectRefused(whole.substr(0, whole.size() - 8 - 1), BmpRule::kShorterThanPixels);  // cut in an earlier row
    }
}

TEST(BmpReader, PixelOffsetBelowTheHeadersReadsFromInsideThem)
{
    BmpFile file = sizedBmp(1, 1, 32);
    file.pixelOffset = 0;
    const std::string bytes = file.bytes();
    const RgbImage image = readBytes(bytes);
    EXPECT_EQ(image.blue(0, 0), 'B');
    EXPECT_EQ(image.green(0, 0), 'M');
    EXPECT_EQ(image.red(0, 0), static_cast<unsigned char>(bytes[2]));
}

TEST(BmpReader, StreamOfUnknownLengthIsRefusedWhenItEndsInsideTheColours)
{
    // 3 pixels a row: 9 colour bytes and 3 of padding, 12 in all.
    BmpFile file = sizedBmp(3, 4);
    const std::string whole = file.bytes();
    const struct {
        std::size_t cut;  // bytes missing from the end
        bool refused;
    } cases[] = {{0, false}, {3, false}, {4, true}, {11, true}, {12, true}, {30, true}};
    for (const auto& k : cases) {
        ForwardOnlyBuffer buffer(whole.substr(0, whole.size() - k.cut));
        std::istream input(&buffer);
        RgbImage image;
        if (k.refused) {
            EXPECT_EQ(refusalOf([&] { readBmp(input, image); }), BmpRule::kShorterThanPixels) << k.cut;
        } else {
            readBmp(input, image);
            expectPixelsOf(file, image);
        }
    }
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
