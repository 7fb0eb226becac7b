// The page's door driven as the page's worker drives it: whole runs against the
// console tool's functions on whole planes, and every refusal naming its picture.

#include "app/console.h"
#include "app/driver.h"
#include "app/scene_files.h"
#include "ferlane_door.h"
#include "image/bmp_reader.h"
#include "image/bmp_writer.h"
#include "matting/alpha.h"
#include "matting/foreground.h"
#include "support/bmp_bytes.h"
#include "support/picture_bytes.h"
#include "support/refused_allocations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace ferlane {
namespace {

using support::BmpFile;
using support::Rgb;

// A picture as the worker hands it over: a BMP file's bytes, or decoded pixels.
struct Handed {
    std::string bmp;
    int columns = 0;
    int rows = 0;
    std::vector<std::uint8_t> rgba;
    double claimedLength = 0;            // the file's length, where only its headers are at hand
    std::optional<std::string> encoded;  // a file the browser decodes into the pixels above, its header checked first
};

Handed asBmp(const BmpFile& file)
{
    return {file.bytes(), 0, 0, {}, 0, std::nullopt};
}

Handed asPixels(int columns, int rows, std::uint8_t value = 7)
{
    return {"", columns,     rows, std::vector<std::uint8_t>(4 * static_cast<std::size_t>(columns) * rows, value),
            0,  std::nullopt};
}

// A picture as the browser decodes it: red, green, blue, and an opacity byte
// unlike any of them.
Handed decoded(const BmpFile& file)
{
    const int rows = file.height < 0 ? -file.height : file.height;
    Handed picture = asPixels(file.width, rows);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < file.width; ++c) {
            const Rgb colour = file.pixel(r, c);
            std::uint8_t* pixel = &picture.rgba[4 * (static_cast<std::size_t>(r) * file.width + c)];
            for (int k = 0; k < 3; ++k) {
                pixel[k] = static_cast<std::uint8_t>(colour[k]);
            }
            pixel[3] = static_cast<std::uint8_t>(255 - colour[2]);
        }
    }
    return picture;
}

// A file the browser decodes, into pixels of that size.
Handed decodedAs(const std::string& file, int columns, int rows)
{
    Handed picture = asPixels(columns, rows);
    picture.encoded = file;
    return picture;
}

// A file's header as the worker reads it through the door: piece by piece, as asked.
struct HeaderRead {
    int status = FERLANE_HEADER_MORE;
    std::vector<double> facts;  // by FERLANE_HEADER_*
};

HeaderRead readHeader(const std::string& file)
{
    ferlane_header_begin(static_cast<double>(file.size()));
    HeaderRead read;
    for (int pieces = 0; read.status == FERLANE_HEADER_MORE && pieces < 10000; ++pieces) {
        const auto at = static_cast<std::size_t>(ferlane_header_at());
        const std::size_t length = ferlane_header_length();
        EXPECT_LE(at + length, file.size()) << "a piece beyond the file's end";
        EXPECT_LE(length, 65540u) << "more than a segment at once";
        read.status = ferlane_read_header(reinterpret_cast<const std::uint8_t*>(file.data()) + at, length);
    }
    for (int which = 0; which < FERLANE_HEADER_FACT_COUNT; ++which) {
        read.facts.push_back(ferlane_header_fact(which));
    }
    return read;
}

struct Outcome {
    std::vector<std::string> lines;
    std::vector<int> handed;           // the slots whose pictures were asked for, in order
    std::map<int, std::string> files;  // offered or not, by FerlaneFile
    std::vector<int> offered;
    int last = FERLANE_STEP_FAILED;
    std::string message;
    int failedSlot = -1;
};

void hand(const Handed& picture)
{
    if (picture.encoded) {
        readHeader(*picture.encoded);
        if (ferlane_check_header() != FERLANE_OK) {
            return;
        }
    }
    if (!picture.bmp.empty()) {
        const auto* head = reinterpret_cast<const std::uint8_t*>(picture.bmp.data());
        if (ferlane_check_bmp(head, std::min<std::size_t>(picture.bmp.size(), FERLANE_HEAD_BYTES),
                              picture.claimedLength > 0 ? picture.claimedLength
                                                        : static_cast<double>(picture.bmp.size())) != FERLANE_OK) {
            return;
        }
        std::uint8_t* buffer = ferlane_bmp_buffer(picture.bmp.size());
        ASSERT_NE(buffer, nullptr);
        std::copy(picture.bmp.begin(), picture.bmp.end(), buffer);
        ferlane_take_bmp();
        return;
    }
    if (std::uint8_t* buffer = ferlane_pixel_buffer(picture.columns, picture.rows)) {
        std::copy(picture.rgba.begin(), picture.rgba.end(), buffer);
        ferlane_take_pixels();
    }
}

// Whether a run keeps its backgrounds for the next, and takes the last run's.
enum class Backgrounds { kRead, kKeep, kTakeAndKeep };

// One run over the chosen pictures (slot -> name, picture), as the worker runs it.
Outcome run(const std::map<int, std::pair<std::string, Handed>>& chosen, Backgrounds backgrounds = Backgrounds::kRead)
{
    if (backgrounds == Backgrounds::kRead) {
        ferlane_reset();
    } else {
        ferlane_reset_keeping_backgrounds(backgrounds == Backgrounds::kTakeAndKeep ? 1 : 0);
    }
    for (const auto& [slot, picture] : chosen) {
        ferlane_choose(slot, picture.first.c_str());
    }
    Outcome outcome;
    for (int step = ferlane_next();
         step != FERLANE_STEP_DONE && step != FERLANE_STEP_FAILED && step != FERLANE_STEP_WAITING;
         step = ferlane_next()) {
        if (*ferlane_line()) {
            outcome.lines.emplace_back(ferlane_line());
        }
        if (step == FERLANE_STEP_PICTURE) {
            outcome.handed.push_back(ferlane_slot());
            hand(chosen.at(ferlane_slot()).second);
        } else if (step == FERLANE_STEP_COMPUTE) {
            ferlane_compute();
        } else if (step == FERLANE_STEP_FILE) {
            const auto* data = reinterpret_cast<const char*>(ferlane_file_data());
            outcome.files[ferlane_file()] = std::string(data, ferlane_file_size());
            if (ferlane_file_offered()) {
                outcome.offered.push_back(ferlane_file());
            }
        }
    }
    outcome.last = ferlane_next();
    if (outcome.last == FERLANE_STEP_WAITING) {
        outcome.lines.emplace_back(ferlane_line());
    }
    outcome.message = ferlane_message();
    outcome.failedSlot = ferlane_failed_slot();
    return outcome;
}

// A picture of noise, different for each seed, of a size that takes two bands.
BmpFile noise(int seed, std::int32_t width = 600, std::int32_t height = 500, std::uint16_t bits = 24)
{
    BmpFile file = support::sizedBmp(width, height, bits);
    file.pixel = [seed](int r, int c) {
        std::uint32_t x = static_cast<std::uint32_t>(seed * 7919 + r * 1031 + c * 17);
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return Rgb{static_cast<int>(x & 0xFF), static_cast<int>((x >> 8) & 0xFF), static_cast<int>((x >> 16) & 0xFF)};
    };
    return file;
}

RgbImage read(const BmpFile& file)
{
    std::istringstream input(file.bytes());
    RgbImage image;
    readBmp(input, image);
    return image;
}

std::string written(const Plane& red, const Plane& green, const Plane& blue)
{
    std::ostringstream output;
    writeBmp(output, red, green, blue);
    return output.str();
}

TEST(PageDoor, WholeRunsGiveTheConsoleToolsFiles)
{
    const BmpFile b0 = noise(1);
    const BmpFile i0 = noise(2, 600, -500);  // top-down
    const BmpFile b1 = noise(3, 600, 500, 32);
    const BmpFile i1 = noise(4);
    const BmpFile matte = noise(5);
    RgbImage B0 = read(b0), I0 = read(i0), B1 = read(b1), I1 = read(i1), A = read(matte);
    Plane alpha;
    Plane error;
    reconstructAlpha(B0, I0, B1, I1, alpha, error);
    RgbImage F;
    reconstructForeground(B0, I0, B1, I1, alpha, F);
    RgbImage fromFile;
    reconstructForeground(B0, I0, B1, I1, A.red, fromFile);

    // The page's warm-up runs a set of its own first: it must leave nothing behind.
    ferlane_warm_up();
    std::map<int, std::pair<std::string, Handed>> chosen = {{FERLANE_SLOT_BACKGROUND0, {"bg0.bmp", asBmp(b0)}},
                                                            {FERLANE_SLOT_IMAGE0, {"image0.bmp", asBmp(i0)}},
                                                            {FERLANE_SLOT_BACKGROUND1, {"bg1.bmp", asBmp(b1)}},
                                                            {FERLANE_SLOT_IMAGE1, {"image1.bmp", asBmp(i1)}}};
    Outcome whole = run(chosen);
    ASSERT_EQ(whole.last, FERLANE_STEP_DONE) << whole.message;
    EXPECT_EQ(whole.lines, (std::vector<std::string>{"read background0 \"bg0.bmp\"", "read image0 \"image0.bmp\"",
                                                     "read background1 \"bg1.bmp\"", "read image1 \"image1.bmp\"",
                                                     "reconstruct alpha", "write alpha \"alpha.bmp\"",
                                                     "write calculation error \"error.bmp\"", "reconstruct foreground",
                                                     "write foreground \"fg.bmp\""}));
    EXPECT_EQ(whole.offered, (std::vector<int>{FERLANE_FILE_ALPHA, FERLANE_FILE_ERROR, FERLANE_FILE_FOREGROUND}));
    EXPECT_TRUE(whole.files[FERLANE_FILE_ALPHA] == written(alpha, alpha, alpha));
    EXPECT_TRUE(whole.files[FERLANE_FILE_ERROR] == written(error, error, error));
    EXPECT_TRUE(whole.files[FERLANE_FILE_FOREGROUND] == written(F.red, F.green, F.blue));

    // An alpha file: its red is the matte, shown but neither announced nor offered.
    chosen[FERLANE_SLOT_ALPHA] = {"matte.bmp", asBmp(matte)};
    Outcome withMatte = run(chosen);
    ASSERT_EQ(withMatte.last, FERLANE_STEP_DONE) << withMatte.message;
    EXPECT_EQ(std::vector<std::string>(withMatte.lines.begin() + 4, withMatte.lines.end()),
              (std::vector<std::string>{"read alpha \"matte.bmp\"", "reconstruct foreground",
                                        "write foreground \"fg.bmp\""}));
    EXPECT_EQ(withMatte.offered, (std::vector<int>{FERLANE_FILE_FOREGROUND}));
    EXPECT_TRUE(withMatte.files[FERLANE_FILE_ALPHA] == written(A.red, A.red, A.red));
    EXPECT_TRUE(withMatte.files[FERLANE_FILE_FOREGROUND] == written(fromFile.red, fromFile.green, fromFile.blue));
    EXPECT_EQ(ferlane_share(FERLANE_SHARE_EXACT), -1) << "no error map, no shares";
    EXPECT_EQ(ferlane_share_in(FERLANE_SHARE_EXACT, FERLANE_PART_CENTRE), -1);

    // The same sets handed over as the pixels the browser decoded.
    const std::map<int, const BmpFile*> files = {{FERLANE_SLOT_BACKGROUND0, &b0},
                                                 {FERLANE_SLOT_IMAGE0, &i0},
                                                 {FERLANE_SLOT_BACKGROUND1, &b1},
                                                 {FERLANE_SLOT_IMAGE1, &i1},
                                                 {FERLANE_SLOT_ALPHA, &matte}};
    for (const Outcome* expected : {&whole, &withMatte}) {
        std::map<int, std::pair<std::string, Handed>> pixels;
        for (int slot = FERLANE_SLOT_BACKGROUND0;
             slot <= (expected == &whole ? FERLANE_SLOT_IMAGE1 : FERLANE_SLOT_ALPHA); ++slot) {
            pixels[slot] = {chosen.at(slot).first, decoded(*files.at(slot))};
        }
        const Outcome outcome = run(pixels);
        ASSERT_EQ(outcome.last, FERLANE_STEP_DONE) << outcome.message;
        EXPECT_EQ(outcome.lines, expected->lines);
        EXPECT_TRUE(outcome.files == expected->files);
    }
}

// A turntable's frames over one pair of backgrounds: each run after one that ended
// well keeps its backgrounds, asks for neither, and gives the files of a run that
// read them; backgrounds of other names, or a run that failed, are read anew.
struct KeptBackgroundsCase {
    const char* description;
    bool previousFails;
    Backgrounds previousKeeps;
    const char* background1;  // the name the next frame gives background 1
    bool kept;
};

std::ostream& operator<<(std::ostream& out, const KeptBackgroundsCase& row)
{
    return out << row.description;
}

class PageDoorKeptBackgrounds : public ::testing::TestWithParam<KeptBackgroundsCase> {};

TEST_P(PageDoorKeptBackgrounds, GiveTheFilesOfARunThatReadThem)
{
    const KeptBackgroundsCase& row = GetParam();
    const BmpFile b0 = noise(1), b1 = noise(3), first0 = noise(2), first1 = noise(4), next0 = noise(6),
                  next1 = noise(7);
    std::map<int, std::pair<std::string, Handed>> next = {{FERLANE_SLOT_BACKGROUND0, {"bg0.bmp", asBmp(b0)}},
                                                          {FERLANE_SLOT_IMAGE0, {"a2_image0.bmp", asBmp(next0)}},
                                                          {FERLANE_SLOT_BACKGROUND1, {row.background1, asBmp(b1)}},
                                                          {FERLANE_SLOT_IMAGE1, {"a2_image1.bmp", asBmp(next1)}}};
    const Outcome alone = run(next);
    ASSERT_EQ(alone.last, FERLANE_STEP_DONE) << alone.message;
    std::map<int, std::pair<std::string, Handed>> first = next;
    first[FERLANE_SLOT_BACKGROUND1].first = "bg1.bmp";
    first[FERLANE_SLOT_IMAGE0] = {"a1_image0.bmp", asBmp(first0)};
    first[FERLANE_SLOT_IMAGE1] = {"a1_image1.bmp",
                                  row.previousFails ? Handed{first1.bytes().substr(0, 900), 0, 0, {}, 0, std::nullopt}
                                                    : asBmp(first1)};
    const Outcome previous = run(first, row.previousKeeps);
    ASSERT_EQ(previous.last, row.previousFails ? FERLANE_STEP_FAILED : FERLANE_STEP_DONE) << previous.message;

    const Outcome kept = run(next, Backgrounds::kTakeAndKeep);
    ASSERT_EQ(kept.last, FERLANE_STEP_DONE) << kept.message;
    EXPECT_TRUE(kept.files == alone.files) << "the files of a run that read both backgrounds";
    std::vector<int> handed = alone.handed;
    std::vector<std::string> lines = alone.lines;
    if (row.kept) {
        handed = {FERLANE_SLOT_IMAGE0, FERLANE_SLOT_IMAGE1};
        lines.erase(lines.begin() + 2);  // read background1
        lines.erase(lines.begin());      // read background0
    }
    EXPECT_EQ(kept.handed, handed);
    EXPECT_EQ(kept.lines, lines);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PageDoorKeptBackgrounds,
    ::testing::Values(
        KeptBackgroundsCase{"the same backgrounds after a frame that ended well", false, Backgrounds::kKeep, "bg1.bmp",
                            true},
        KeptBackgroundsCase{"after a frame that took them in turn", false, Backgrounds::kTakeAndKeep, "bg1.bmp", true},
        KeptBackgroundsCase{"a background of another name", false, Backgrounds::kKeep, "other-bg1.bmp", false},
        KeptBackgroundsCase{"after a frame that failed", true, Backgrounds::kKeep, "bg1.bmp", false},
        KeptBackgroundsCase{"after a run that kept nothing", false, Backgrounds::kRead, "bg1.bmp", false}));

// The console's lines, as ASCII text.
class CapturedConsole : public Console {
public:
    void printLine(std::wstring_view text) override
    {
        std::string line;
        for (wchar_t c : text) {
            line += static_cast<char>(c);
        }
        lines.push_back(line);
    }

    std::vector<std::string> lines;
};

// The working folder, for as long as the object lives.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::filesystem::path& folder) : previous_(std::filesystem::current_path())
    {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolder() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

// The console tool and the page announce the same steps with the same lines, and
// make the same files, for the same set under the console's default names.
TEST(PageDoor, AnnouncesEveryStepAsTheConsoleToolDoes)
{
    support::ScratchFolder folder;
    support::writeScene(folder.path());
    const WorkingFolder working(folder.path());
    const struct {
        const char* what;
        bool alphaFile;
    } table[] = {{"matte computed", false}, {"matte read from an alpha file", true}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.what);
        std::filesystem::remove(folder / "alpha.bmp");
        if (row.alphaFile) {
            support::writeFile(folder / "alpha.bmp", support::bmpBytes(support::kAlphaWritten));
        }
        std::map<int, std::pair<std::string, Handed>> chosen;
        for (const auto& [slot, name] : std::map<int, std::string>{{FERLANE_SLOT_BACKGROUND0, "bg0.bmp"},
                                                                   {FERLANE_SLOT_IMAGE0, "image0.bmp"},
                                                                   {FERLANE_SLOT_BACKGROUND1, "bg1.bmp"},
                                                                   {FERLANE_SLOT_IMAGE1, "image1.bmp"},
                                                                   {FERLANE_SLOT_ALPHA, "alpha.bmp"}}) {
            if (slot != FERLANE_SLOT_ALPHA || row.alphaFile) {
                chosen[slot] = {name, {support::readFile(folder / name), 0, 0, {}, 0, std::nullopt}};
            }
        }
        const Outcome page = run(chosen);

        CapturedConsole console;
        const wchar_t* arguments[] = {L"ferlane"};
        ASSERT_EQ(runFerlane(1, arguments, (folder / "ferlane").wstring(), console), 0);
        ASSERT_EQ(page.last, FERLANE_STEP_DONE) << page.message;
        const std::size_t banner = 4;
        ASSERT_GT(console.lines.size(), banner);
        EXPECT_EQ(page.lines, std::vector<std::string>(console.lines.begin() + banner, console.lines.end()));
        EXPECT_TRUE(page.files.at(FERLANE_FILE_FOREGROUND) == support::readFile(folder / "fg.bmp"));
        if (!row.alphaFile) {
            EXPECT_TRUE(page.files.at(FERLANE_FILE_ALPHA) == support::readFile(folder / "alpha.bmp"));
            EXPECT_TRUE(page.files.at(FERLANE_FILE_ERROR) == support::readFile(folder / "error.bmp"));
        }
    }
}

TEST(PageDoor, TheBackdropCheckGivesTheErrorMapAndItsShares)
{
    BmpFile b0 = support::sizedBmp(4, 3);
    BmpFile b1 = support::sizedBmp(4, 3);
    b0.pixel = [](int, int) { return Rgb{0, 0, 0}; };
    // Per column: equal backgrounds, a difference of 200, of 3, of 200; in the
    // bottom row, equal in the second column too.
    b1.pixel = [](int r, int c) {
        return c == 0 || (r == 2 && c == 1) ? Rgb{0, 0, 0} : c == 2 ? Rgb{3, 0, 0} : Rgb{200, 0, 0};
    };
    const Outcome outcome = run({{FERLANE_SLOT_BACKGROUND0, {"a.bmp", asBmp(b0)}},
                                 {FERLANE_SLOT_BACKGROUND1, {"b.bmp", asBmp(b1)}},
                                 {FERLANE_SLOT_IMAGE1, {"c.bmp", asBmp(b1)}}});
    ASSERT_EQ(outcome.last, FERLANE_STEP_DONE) << outcome.message;
    EXPECT_EQ(outcome.lines, (std::vector<std::string>{"read background0 \"a.bmp\"", "read background1 \"b.bmp\"",
                                                       "reconstruct alpha", "write calculation error \"error.bmp\""}));
    RgbImage B0 = read(b0), B1 = read(b1);
    Plane alpha;
    Plane error;
    reconstructAlpha(B0, B0, B1, B1, alpha, error);
    EXPECT_TRUE(outcome.files.at(FERLANE_FILE_ERROR) == written(error, error, error));
    EXPECT_EQ(outcome.files.count(FERLANE_FILE_ALPHA), 0u);
    EXPECT_DOUBLE_EQ(ferlane_share(FERLANE_SHARE_EXACT), 5.0 / 12);
    EXPECT_DOUBLE_EQ(ferlane_share(FERLANE_SHARE_COARSE), 3.0 / 12);
    EXPECT_DOUBLE_EQ(ferlane_share(FERLANE_SHARE_UNRESOLVED), 4.0 / 12);
    // Thirds of the width: the first column, the second, the last two.
    const std::map<int, std::vector<double>> parts = {
        {FERLANE_PART_TOP_LEFT, {0, 0, 1}},      {FERLANE_PART_TOP, {1, 0, 0}},
        {FERLANE_PART_TOP_RIGHT, {0.5, 0.5, 0}}, {FERLANE_PART_CENTRE, {1, 0, 0}},
        {FERLANE_PART_BOTTOM, {0, 0, 1}},        {FERLANE_PART_BOTTOM_RIGHT, {0.5, 0.5, 0}}};
    for (const auto& [part, shares] : parts) {
        EXPECT_EQ((std::vector<double>{ferlane_share_in(FERLANE_SHARE_EXACT, part),
                                       ferlane_share_in(FERLANE_SHARE_COARSE, part),
                                       ferlane_share_in(FERLANE_SHARE_UNRESOLVED, part)}),
                  shares)
            << "part " << part;
    }

    // Taller than a band (rows of 1024 pixels come 256 to a band, from the bottom
    // up, so the bands' edges fall inside the thirds): in the top third the
    // backgrounds are equal, in the middle they differ by 200, in the bottom by 3;
    // in the right third they differ by 200 throughout.
    BmpFile tall0 = support::sizedBmp(1024, 600);
    BmpFile tall1 = support::sizedBmp(1024, 600);
    tall0.pixel = [](int, int) { return Rgb{0, 0, 0}; };
    tall1.pixel = [](int r, int c) { return Rgb{c >= 682 || (r >= 200 && r < 400) ? 200 : r < 200 ? 0 : 3, 0, 0}; };
    const Outcome tall =
        run({{FERLANE_SLOT_BACKGROUND0, {"a.bmp", asBmp(tall0)}}, {FERLANE_SLOT_BACKGROUND1, {"b.bmp", asBmp(tall1)}}});
    ASSERT_EQ(tall.last, FERLANE_STEP_DONE) << tall.message;
    const std::vector<double> exact = {1, 0, 0}, coarse = {0, 1, 0}, unresolved = {0, 0, 1};
    const std::vector<std::vector<double>> tallParts = {unresolved, unresolved, exact,  exact, exact,
                                                        exact,      coarse,     coarse, exact};
    for (int part = 0; part < FERLANE_PART_COUNT; ++part) {
        EXPECT_EQ((std::vector<double>{ferlane_share_in(FERLANE_SHARE_EXACT, part),
                                       ferlane_share_in(FERLANE_SHARE_COARSE, part),
                                       ferlane_share_in(FERLANE_SHARE_UNRESOLVED, part)}),
                  tallParts[part])
            << "part " << part;
    }

    const Outcome waiting = run({{FERLANE_SLOT_BACKGROUND0, {"a.bmp", asBmp(b0)}}});
    EXPECT_EQ(waiting.last, FERLANE_STEP_WAITING);
    EXPECT_EQ(waiting.lines, (std::vector<std::string>{"Waiting for the two backgrounds."}));
}

// A table row's name for the test's, from its description.
template <typename Row> std::string nameOf(const ::testing::TestParamInfo<Row>& info)
{
    std::string name;
    for (const char* c = info.param.what; *c; ++c) {
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    }
    return name;
}

struct Refused {
    const char* what;
    int slot;
    Handed picture;
    const char* message;
};

std::vector<Refused> refusals()
{
    Handed cutFile = asBmp(support::sizedBmp(8, 6));
    cutFile.bmp.resize(cutFile.bmp.size() - 30);
    // Only the headers of a file of 20000 x 15000 pixels are at hand.
    Handed huge = asBmp(support::sizedBmp(1, 1));
    support::put32(huge.bmp, 18, 20000);
    support::put32(huge.bmp, 22, 15000);
    huge.claimedLength = 54 + 15000.0 * 60000;
    Handed sixteenBits = asBmp(support::sizedBmp(8, 6, 16));
    return {
        {"a BMP one row shorter", FERLANE_SLOT_IMAGE1, asBmp(support::sizedBmp(8, 5)),
         "error: the images must have same size (image1 \"x.bmp\" is 8 \u00d7 5, background0 \"bg0.bmp\" is 8 "
         "\u00d7 6)"},
        {"decoded pixels one column narrower", FERLANE_SLOT_IMAGE0, asPixels(7, 6),
         "error: the images must have same size (image0 \"x.bmp\" is 7 \u00d7 6, background0 \"bg0.bmp\" is 8 "
         "\u00d7 6)"},
        {"an alpha file of another size", FERLANE_SLOT_ALPHA, asBmp(support::sizedBmp(6, 8)),
         "error: the images must have same size (alpha \"x.bmp\" is 6 \u00d7 8, background0 \"bg0.bmp\" is 8 "
         "\u00d7 6)"},
        {"a cut BMP", FERLANE_SLOT_BACKGROUND1, cutFile,
         "failed: background1 \"x.bmp\" is no BMP this tool reads: the file ends before its pixels"},
        {"a 16-bit BMP", FERLANE_SLOT_IMAGE0, sixteenBits,
         "failed: image0 \"x.bmp\" is no BMP this tool reads: it has neither 24 nor 32 bits per pixel"},
        {"a picture the browser decodes at another size than its header's", FERLANE_SLOT_IMAGE0,
         decodedAs(support::jpegFile(support::jpegFrame(0xC0, 8, 6)), 6, 8),
         "failed: image0 \"x.bmp\" is 6 \u00d7 8 pixels as this browser decodes it, but its header says 8 \u00d7 6"},
        {"a set too large for the page", FERLANE_SLOT_BACKGROUND0, huge,
         "failed: background0 \"x.bmp\" is 20000 \u00d7 15000 pixels: a set of that size needs 6.3 GB here, more "
         "than a browser tab gives this page; make the pictures smaller, or use the console tool"},
    };
}

void PrintTo(const Refused& row, std::ostream* out)
{
    *out << row.what;
}

class PageDoorRefusals : public ::testing::TestWithParam<Refused> {};

// Every refusal names the picture, and the run stops there: nothing after it is
// computed, which under the sanitizers also shows that no picture is read past its end.
TEST_P(PageDoorRefusals, NameTheirPictureAndStopTheRun)
{
    const Refused& refused = GetParam();
    std::map<int, std::pair<std::string, Handed>> chosen;
    for (int slot : {FERLANE_SLOT_BACKGROUND0, FERLANE_SLOT_IMAGE0, FERLANE_SLOT_BACKGROUND1, FERLANE_SLOT_IMAGE1,
                     FERLANE_SLOT_ALPHA}) {
        const char* names[] = {"bg0.bmp", "image0.bmp", "bg1.bmp", "image1.bmp", "alpha.bmp"};
        chosen[slot] = {names[slot], asBmp(support::sizedBmp(8, 6))};
    }
    chosen[refused.slot] = {"x.bmp", refused.picture};
    const Outcome outcome = run(chosen);
    EXPECT_EQ(outcome.last, FERLANE_STEP_FAILED);
    EXPECT_EQ(outcome.message, refused.message);
    EXPECT_EQ(outcome.failedSlot, refused.slot);
    EXPECT_TRUE(outcome.files.empty());
    // A worker that goes on regardless gets nothing done.
    EXPECT_EQ(ferlane_compute(), FERLANE_FAILED);
    EXPECT_EQ(ferlane_take_bmp(), FERLANE_FAILED);
    EXPECT_EQ(ferlane_next(), FERLANE_STEP_FAILED);
}

INSTANTIATE_TEST_SUITE_P(Pictures, PageDoorRefusals, ::testing::ValuesIn(refusals()), nameOf<Refused>);

// Calls out of the run's order, as a faulty page might make them, are refused
// rather than computing with pictures that are missing or of another size.
TEST(PageDoor, RefusesCallsOutOfOrder)
{
    const std::string small = support::sizedBmp(2, 2).bytes();
    const std::string large = support::sizedBmp(64, 64).bytes();
    const auto handOver = [](const std::string& bytes) {
        std::uint8_t* buffer = ferlane_bmp_buffer(bytes.size());
        std::copy(bytes.begin(), bytes.end(), buffer);
        return ferlane_take_bmp();
    };
    // A backdrop check, at its first picture.
    const auto begin = [] {
        ferlane_reset();
        ferlane_choose(FERLANE_SLOT_BACKGROUND0, "a");
        ferlane_choose(FERLANE_SLOT_BACKGROUND1, "b");
        return ferlane_next();
    };

    ASSERT_EQ(begin(), FERLANE_STEP_PICTURE);
    EXPECT_EQ(ferlane_compute(), FERLANE_FAILED) << "computed before any picture";
    EXPECT_EQ(ferlane_next(), FERLANE_STEP_FAILED);

    // Skipping the size check: the picture is still measured against background 0.
    ASSERT_EQ(begin(), FERLANE_STEP_PICTURE);
    ASSERT_EQ(handOver(large), FERLANE_OK);
    ASSERT_EQ(ferlane_next(), FERLANE_STEP_PICTURE);
    EXPECT_EQ(handOver(small), FERLANE_FAILED);
    EXPECT_EQ(ferlane_failed_slot(), FERLANE_SLOT_BACKGROUND1);
    EXPECT_EQ(ferlane_compute(), FERLANE_FAILED);

    // Taking a BMP file's bytes as decoded pixels of a size given earlier.
    ASSERT_EQ(begin(), FERLANE_STEP_PICTURE);
    ASSERT_NE(ferlane_pixel_buffer(64, 64), nullptr);
    ASSERT_NE(ferlane_bmp_buffer(small.size()), nullptr);
    EXPECT_EQ(ferlane_take_pixels(), FERLANE_FAILED);

    // A choice made while a run goes on is the next run's: this one keeps its set
    // and its names. Computing at a file step fails it.
    ASSERT_EQ(begin(), FERLANE_STEP_PICTURE);
    ferlane_choose(FERLANE_SLOT_IMAGE0, "c");
    ferlane_choose(FERLANE_SLOT_IMAGE1, "d");
    ferlane_choose(FERLANE_SLOT_BACKGROUND1, "e");
    ASSERT_EQ(handOver(large), FERLANE_OK);
    ASSERT_EQ(ferlane_next(), FERLANE_STEP_PICTURE);
    EXPECT_EQ(ferlane_slot(), FERLANE_SLOT_BACKGROUND1);
    EXPECT_EQ(std::string(ferlane_line()), "read background1 \"b\"");
    ASSERT_EQ(handOver(large), FERLANE_OK);
    ASSERT_EQ(ferlane_next(), FERLANE_STEP_COMPUTE);
    ASSERT_EQ(ferlane_compute(), FERLANE_OK);
    ASSERT_EQ(ferlane_next(), FERLANE_STEP_FILE);
    EXPECT_EQ(ferlane_file(), FERLANE_FILE_ERROR) << "the backdrop check's one file";
    EXPECT_EQ(ferlane_compute(), FERLANE_FAILED);
    EXPECT_EQ(ferlane_next(), FERLANE_STEP_FAILED);
    EXPECT_EQ(ferlane_file_size(), 0u);

    // Moving on without handing a picture over.
    ASSERT_EQ(begin(), FERLANE_STEP_PICTURE);
    ASSERT_EQ(handOver(large), FERLANE_OK);
    ASSERT_EQ(ferlane_next(), FERLANE_STEP_PICTURE);
    EXPECT_EQ(ferlane_next(), FERLANE_STEP_FAILED);
    EXPECT_EQ(ferlane_compute(), FERLANE_FAILED);
}

TEST(PageDoor, TellsAPicturesKindByItsFirstBytes)
{
    const struct {
        std::string head;
        int kind;
    } table[] = {
        {support::sizedBmp(2, 2).bytes(), FERLANE_KIND_BMP},
        {"BM", FERLANE_KIND_BMP},  // refused later, with the reader's reason
        {std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), FERLANE_KIND_PNG},
        {"\xFF\xD8\xFF\xE0\0\x10JFIF", FERLANE_KIND_JPEG},
        {std::string("\x89PNG\r\n\x1a", 7), FERLANE_KIND_OTHER},  // cut inside the signature
        {"\xFF\xD8", FERLANE_KIND_OTHER},
        {"GIF89a", FERLANE_KIND_OTHER},
        {"MB", FERLANE_KIND_OTHER},
        {"", FERLANE_KIND_OTHER},
    };
    for (const auto& row : table) {
        EXPECT_EQ(ferlane_picture_kind(reinterpret_cast<const std::uint8_t*>(row.head.data()), row.head.size()),
                  row.kind)
            << testing::PrintToString(row.head);
    }
}

// Picture files sized from their headers before the browser decodes them, read
// piece by piece as the door asks; a refused one, as image0 of a set, fails the run
// with its reason.
struct Header {
    const char* what;
    std::string file;
    std::vector<double> facts;  // columns, rows, inks, previewable; empty: refused
    const char* message = "";   // a refused file's, after "failed: image0 \"x\""
};

std::vector<Header> headers()
{
    using support::jpegExif;
    using support::jpegFile;
    using support::jpegFrame;
    using support::jpegSegment;
    using support::kJfif;
    const std::string frame = jpegFrame(0xC0, 8, 6);
    const std::string filler = jpegSegment(0xE2, std::string(65533, 'p'));  // as an ICC profile's pieces are
    std::string lossyNoKeyFrame = support::webpLossy(8, 6);
    lossyNoKeyFrame[20] = '\x51';
    std::string manySegments;
    for (int k = 0; k < 1001; ++k) {
        manySegments += jpegSegment(0xFE, "");
    }
    std::vector<Header> table = {
        {"a BMP", support::sizedBmp(8, 6).bytes(), {8, 6, 0, 1}},
        {"a PNG", support::pngFile(8, 6), {8, 6, 0, 1}},
        {"a CMYK JPEG", jpegFile(kJfif + jpegFrame(0xC2, 8, 6, 4)), {8, 6, 4, 1}},
        {"a JPEG's frame beyond 64 KiB of segments",
         jpegFile(kJfif + jpegExif(1) + filler + filler + filler + frame),
         {8, 6, 3, 1}},
        {"fill bytes before a marker", jpegFile(kJfif + "\xFF\xFF\xFF" + frame), {8, 6, 3, 1}},
        {"orientation 1", jpegFile(jpegExif(1) + frame), {8, 6, 3, 1}},
        {"orientation 2, mirrored", jpegFile(jpegExif(2) + frame), {8, 6, 3, 1}},
        {"orientation 3, upside down", jpegFile(jpegExif(3, true) + frame), {8, 6, 3, 1}},
        {"orientation 4", jpegFile(jpegExif(4) + frame), {8, 6, 3, 1}},
        {"orientation 5, turned", jpegFile(jpegExif(5) + frame), {6, 8, 3, 1}},
        {"orientation 6, turned, big-endian", jpegFile(kJfif + jpegExif(6, true) + frame), {6, 8, 3, 1}},
        {"orientation 7, turned", jpegFile(jpegExif(7) + frame), {6, 8, 3, 1}},
        {"orientation 8, turned", jpegFile(jpegExif(8) + frame), {6, 8, 3, 1}},
        {"orientation 9, none", jpegFile(jpegExif(9) + frame), {8, 6, 3, 1}},
        {"an orientation of a type other than SHORT", jpegFile(jpegExif(6, false, 4) + frame), {8, 6, 3, 1}},
        {"an XMP segment before the EXIF one",
         jpegFile(jpegSegment(0xE1, "http://ns.adobe.com/xap/1.0/" + std::string(65000, ' ')) + jpegExif(6) + frame),
         {6, 8, 3, 1}},
        {"an orientation in the second EXIF segment", jpegFile(jpegExif(1) + jpegExif(6) + frame), {8, 6, 3, 1}},
        {"an EXIF directory beyond its segment",
         jpegFile(jpegSegment(0xE1, std::string("Exif\0\0II*\0\xFF\xFF\0\0", 14)) + frame),
         {8, 6, 3, 1}},
        {"a JPEG too large to preview", jpegFile(jpegFrame(0xC0, 20000, 20000)), {20000, 20000, 3, 0}},
        {"a lossy WebP", support::webpLossy(8, 6), {8, 6, 0, 1}},
        {"a lossless WebP", support::webpLossless(8, 6), {8, 6, 0, 1}},
        {"an extended WebP", support::webpExtended(8, 6), {8, 6, 0, 1}},
        {"a GIF87a", support::gifFile(8, 6, "GIF87a"), {8, 6, 0, 1}},
        {"a GIF89a", support::gifFile(8, 6), {8, 6, 0, 1}},
        {"a JPEG cut in its first segment",
         jpegFile(kJfif + frame).substr(0, 10),
         {},
         " is no JPEG this page reads: the file ends before its frame header"},
        {"a JPEG cut beyond its first piece",
         (jpegFile(kJfif + filler + filler + frame)).substr(0, 100000),
         {},
         " is no JPEG this page reads: the file ends before its frame header"},
        {"a JPEG's start alone",
         "\xFF\xD8\xFF",
         {},
         " is no JPEG this page reads: the file ends before its frame header"},
        {"a JPEG's end before its frame",
         "\xFF\xD8" + kJfif + "\xFF\xD9",
         {},
         " is no JPEG this page reads: the file ends before its frame header"},
        {"a JPEG's pixels before its frame",
         jpegFile(kJfif),
         {},
         " is no JPEG this page reads: its pixels start before its frame header"},
        {"no marker where one must stand",
         jpegFile(kJfif + "xx" + frame),
         {},
         " is no JPEG this page reads: its markers before the frame header are broken"},
        {"a segment shorter than its length",
         jpegFile(std::string("\xFF\xE0\0\1", 4) + frame),
         {},
         " is no JPEG this page reads: its markers before the frame header are broken"},
        {"a frame of width 0",
         jpegFile(jpegFrame(0xC0, 0, 6)),
         {},
         " is no JPEG this page reads: its header gives a width or height of 0"},
        {"a frame of height 0",
         jpegFile(jpegFrame(0xC0, 8, 0)),
         {},
         " is no JPEG this page reads: its frame header leaves its height to after its pixels, which browsers do not "
         "read"},
        {"a frame of no component",
         jpegFile(jpegFrame(0xC0, 8, 6, 0)),
         {},
         " is no JPEG this page reads: its frame header gives no colour components"},
        {"more segments than any camera writes",
         jpegFile(manySegments + frame),
         {},
         " is no JPEG this page reads: more markers stand before its frame header than any camera writes"},
        {"a WebP cut in its header",
         support::webpLossy(8, 6).substr(0, 24),
         {},
         " is no WebP this page reads: the file ends inside its header"},
        {"a lossy WebP of no key frame",
         lossyNoKeyFrame,
         {},
         " is no WebP this page reads: its picture data does not start as a WebP picture's does"},
        {"a WebP starting with another chunk",
         support::webpFile("ALPH", std::string(20, '\0')),
         {},
         " is no WebP this page reads: its first chunk is none of VP8, VP8L and VP8X"},
        {"a GIF cut in its header",
         support::gifFile(8, 6).substr(0, 8),
         {},
         " is no GIF this page reads: the file ends inside its header"},
        {"a GIF of width 0",
         support::gifFile(0, 6),
         {},
         " is no GIF this page reads: its header gives a width or height of 0"},
        {"an AVIF",
         std::string("\0\0\0\x1C"
                     "ftypavif\0\0\0\0",
                     16),
         {},
         " is no picture this page reads: it is an AVIF file, and the page reads BMP, PNG, JPEG, WebP and GIF"},
        {"a HEIC",
         std::string("\0\0\0\x18"
                     "ftypheic\0\0\0\0",
                     16),
         {},
         " is no picture this page reads: it is a HEIC file, and the page reads BMP, PNG, JPEG, WebP and GIF"},
        {"a TIFF",
         std::string("II*\0\x08\0\0\0", 8),
         {},
         " is no picture this page reads: it is a TIFF file, and the page reads BMP, PNG, JPEG, WebP and GIF"},
        {"an ICO",
         std::string("\0\0\1\0\1\0", 6),
         {},
         " is no picture this page reads: it is an ICO file, and the page reads BMP, PNG, JPEG, WebP and GIF"},
        {"an SVG",
         "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<svg width=\"8\" height=\"6\"/>",
         {},
         " is no picture this page reads: it is an SVG file, and the page reads BMP, PNG, JPEG, WebP and GIF"},
        {"a JPEG XL",
         "\xFF\x0A\xFA",
         {},
         " is no picture this page reads: it is a JPEG XL file, and the page reads BMP, PNG, JPEG, WebP and GIF"},
        {"no picture",
         "not a picture\n",
         {},
         " is no picture this page reads: it is none of BMP, PNG, JPEG, WebP and GIF"},
        {"an empty file", "", {}, " is no picture this page reads: it is none of BMP, PNG, JPEG, WebP and GIF"},
    };
    // Every kind of frame header gives the size in the same place.
    static const char* const kinds[] = {"SOF0 baseline",
                                        "SOF1 extended",
                                        "SOF2 progressive",
                                        "SOF3 lossless",
                                        "SOF5 differential",
                                        "SOF6 differential progressive",
                                        "SOF7 differential lossless",
                                        "SOF9 arithmetic",
                                        "SOF10 arithmetic progressive",
                                        "SOF11 arithmetic lossless",
                                        "SOF13 arithmetic differential",
                                        "SOF14 arithmetic differential progressive",
                                        "SOF15 arithmetic differential lossless"};
    const std::uint8_t markers[] = {0xC0, 0xC1, 0xC2, 0xC3, 0xC5, 0xC6, 0xC7, 0xC9, 0xCA, 0xCB, 0xCD, 0xCE, 0xCF};
    for (std::size_t k = 0; k < std::size(markers); ++k) {
        table.push_back({kinds[k], jpegFile(kJfif + jpegFrame(markers[k], 8, 6)), {8, 6, 3, 1}});
    }
    return table;
}

void PrintTo(const Header& row, std::ostream* out)
{
    *out << row.what;
}

class PageDoorHeaders : public ::testing::TestWithParam<Header> {};

TEST_P(PageDoorHeaders, GiveTheSizeTheBrowserDecodesOrARefusal)
{
    const Header& row = GetParam();
    const HeaderRead read = readHeader(row.file);
    if (!row.facts.empty()) {
        EXPECT_EQ(read.status, FERLANE_OK);
        EXPECT_EQ(read.facts, row.facts);
        return;
    }
    EXPECT_EQ(read.status, FERLANE_FAILED);
    EXPECT_EQ(read.facts, std::vector<double>(FERLANE_HEADER_FACT_COUNT, -1));
    std::map<int, std::pair<std::string, Handed>> chosen;
    for (int slot : {FERLANE_SLOT_BACKGROUND0, FERLANE_SLOT_BACKGROUND1, FERLANE_SLOT_IMAGE1}) {
        chosen[slot] = {"b.bmp", asBmp(support::sizedBmp(8, 6))};
    }
    chosen[FERLANE_SLOT_IMAGE0] = {"x", decodedAs(row.file, 8, 6)};
    const Outcome outcome = run(chosen);
    EXPECT_EQ(outcome.message, std::string("failed: image0 \"x\"") + row.message);
    EXPECT_EQ(outcome.failedSlot, FERLANE_SLOT_IMAGE0);
}

INSTANTIATE_TEST_SUITE_P(Files, PageDoorHeaders, ::testing::ValuesIn(headers()), nameOf<Header>);

// A header that claims a size no tab can hold is refused as a BMP's is, before
// the browser decodes anything, and reading it takes no memory of that size.
TEST(PageDoor, AHugeSizeInAHeaderIsRefusedWithoutMemoryOfIt)
{
    const Handed huge = decodedAs(support::jpegFile(support::jpegFrame(0xC2, 20000, 20000)), 0, 0);
    const struct {
        int slot;
        const char* message;
    } table[] = {
        {FERLANE_SLOT_IMAGE0, "error: the images must have same size (image0 \"huge.jpg\" is 20000 \u00d7 20000, "
                              "background0 \"b.bmp\" is 8 \u00d7 6)"},
        {FERLANE_SLOT_BACKGROUND0, "failed: background0 \"huge.jpg\" is 20000 \u00d7 20000 pixels: a set of that size "
                                   "needs 7.2 GB here, more than a browser tab gives this page; make the pictures "
                                   "smaller, or use the console tool"},
    };
    for (const auto& row : table) {
        std::map<int, std::pair<std::string, Handed>> chosen;
        for (int slot :
             {FERLANE_SLOT_BACKGROUND0, FERLANE_SLOT_IMAGE0, FERLANE_SLOT_BACKGROUND1, FERLANE_SLOT_IMAGE1}) {
            chosen[slot] = {"b.bmp", asBmp(support::sizedBmp(8, 6))};
        }
        chosen[row.slot] = {"huge.jpg", huge};
        const support::RefusedAllocations refused(1 << 20);
        const Outcome outcome = run(chosen);
        EXPECT_EQ(outcome.message, row.message);
        EXPECT_EQ(outcome.failedSlot, row.slot);
    }
}

// BMP files whose pixels the page takes out itself, where the layout says they lie.
struct Layout {
    const char* what;
    std::string file;
    std::vector<double> layout;  // empty: refused
    BmpFile picture;             // whose pixels the layout must find
};

std::vector<Layout> layouts()
{
    BmpFile bottomUp = noise(1, 321, 5);  // rows of 963 bytes, padded to 964
    BmpFile topDown = noise(2, 4, -3);
    BmpFile thirtyTwo = noise(3, 5, 4, 32);
    BmpFile longerHeader = noise(4, 3, -2, 32);
    longerHeader.infoHeaderSize = 124;
    longerHeader.betweenHeadersAndPixels = std::string(124 - 40, '\0');
    BmpFile gap = noise(5, 2, 2);
    gap.pixelOffset = 70;
    std::string cut = noise(6, 8, 6).bytes();
    cut.resize(cut.size() - 30);
    std::string unsigned_ = noise(7, 2, 2).bytes();
    unsigned_[0] = 'X';
    return {
        {"bottom up, rows padded", bottomUp.bytes(), {321, 5, 54 + 4 * 964.0, -964, 3}, bottomUp},
        {"top down", topDown.bytes(), {4, 3, 54, 12, 3}, topDown},
        {"32 bits", thirtyTwo.bytes(), {5, 4, 54 + 3 * 20, -20, 4}, thirtyTwo},
        {"a longer information header", longerHeader.bytes(), {3, 2, 138, 12, 4}, longerHeader},
        {"pixels after a gap", gap.bytes(), {2, 2, 70 + 8, -8, 3}, gap},
        {"16 bits", support::sizedBmp(4, 4, 16).bytes(), {}, {}},
        {"cut inside its pixels", cut, {}, {}},
        {"no signature", unsigned_, {}, {}},
        {"cut inside its headers", support::sizedBmp(4, 4).bytes().substr(0, 40), {}, {}},
    };
}

void PrintTo(const Layout& row, std::ostream* out)
{
    *out << row.what;
}

class PageDoorLayouts : public ::testing::TestWithParam<Layout> {};

TEST_P(PageDoorLayouts, LeadToEveryPixelAsTheReaderReadsIt)
{
    const Layout& row = GetParam();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(row.file.data());
    std::vector<double> layout(FERLANE_BMP_LAYOUT_COUNT, -7);
    const int status = ferlane_bmp_layout(bytes, row.file.size(), static_cast<double>(row.file.size()), layout.data());
    if (row.layout.empty()) {
        EXPECT_EQ(status, FERLANE_FAILED);
        return;
    }
    ASSERT_EQ(status, FERLANE_OK);
    EXPECT_EQ(layout, row.layout);
    for (int r = 0; r < layout[FERLANE_BMP_ROWS]; ++r) {
        for (int c = 0; c < layout[FERLANE_BMP_COLUMNS]; ++c) {
            const auto at = static_cast<std::size_t>(layout[FERLANE_BMP_TOP_ROW] + r * layout[FERLANE_BMP_ROW_STEP] +
                                                     c * layout[FERLANE_BMP_PIXEL_BYTES]);
            ASSERT_LE(at + 3, row.file.size());
            const Rgb blueFirst = {static_cast<unsigned char>(row.file[at + 2]),
                                   static_cast<unsigned char>(row.file[at + 1]),
                                   static_cast<unsigned char>(row.file[at])};
            ASSERT_EQ(blueFirst, row.picture.pixel(r, c)) << "row " << r << ", column " << c;
        }
    }
}

// The page hands over only a file's first FERLANE_HEAD_BYTES before its pixels:
// they must tell what the whole file tells.
TEST_P(PageDoorLayouts, NeedNoMoreThanTheHeadBytes)
{
    const Layout& row = GetParam();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(row.file.data());
    const auto length = static_cast<double>(row.file.size());
    const std::size_t head = std::min<std::size_t>(row.file.size(), FERLANE_HEAD_BYTES);
    std::vector<double> fromHead(FERLANE_BMP_LAYOUT_COUNT, -7), fromWhole(FERLANE_BMP_LAYOUT_COUNT, -7);
    EXPECT_EQ(ferlane_bmp_layout(bytes, head, length, fromHead.data()),
              ferlane_bmp_layout(bytes, row.file.size(), length, fromWhole.data()));
    EXPECT_EQ(fromHead, fromWhole);
    const auto check = [&](std::size_t given) {
        ferlane_reset();
        ferlane_choose(FERLANE_SLOT_BACKGROUND0, "x.bmp");
        ferlane_choose(FERLANE_SLOT_BACKGROUND1, "y.bmp");
        EXPECT_EQ(ferlane_next(), FERLANE_STEP_PICTURE);
        return std::make_pair(ferlane_check_bmp(bytes, given, length), std::string(ferlane_message()));
    };
    EXPECT_EQ(check(head), check(row.file.size()));
}

INSTANTIATE_TEST_SUITE_P(Files, PageDoorLayouts, ::testing::ValuesIn(layouts()), nameOf<Layout>);

TEST(PageDoor, PicturesTheBrowserCouldNotReadAreNamedWithWhatToDo)
{
    const struct {
        int why;
        const char* message;
    } table[] = {
        {FERLANE_UNREAD_CANNOT_READ,
         "failed: background0 \"bg0.jpg\" cannot be read: the file was changed, moved or deleted after it was "
         "chosen; choose it again"},
        {FERLANE_UNREAD_CANNOT_DECODE, "failed: background0 \"bg0.jpg\" is no picture this browser can decode"},
    };
    for (const auto& row : table) {
        ferlane_reset();
        ferlane_choose(FERLANE_SLOT_BACKGROUND0, "bg0.jpg");
        ferlane_choose(FERLANE_SLOT_BACKGROUND1, "bg1.jpg");
        ASSERT_EQ(ferlane_next(), FERLANE_STEP_PICTURE);
        EXPECT_EQ(ferlane_unread(row.why), FERLANE_FAILED);
        EXPECT_EQ(std::string(ferlane_message()), row.message);
        EXPECT_EQ(ferlane_failed_slot(), FERLANE_SLOT_BACKGROUND0);
    }
}

TEST(PageDoor, RunningOutOfMemoryInAComputationSaysSo)
{
    const std::string picture = noise(1).bytes();
    ferlane_reset();
    ferlane_choose(FERLANE_SLOT_BACKGROUND0, "a");
    ferlane_choose(FERLANE_SLOT_BACKGROUND1, "b");
    for (int k = 0; k < 2; ++k) {
        ASSERT_EQ(ferlane_next(), FERLANE_STEP_PICTURE);
        std::uint8_t* buffer = ferlane_bmp_buffer(picture.size());
        ASSERT_NE(buffer, nullptr);
        std::copy(picture.begin(), picture.end(), buffer);
        ASSERT_EQ(ferlane_take_bmp(), FERLANE_OK);
    }
    ASSERT_EQ(ferlane_next(), FERLANE_STEP_COMPUTE);
    // The error map's file, of 900 kB, finds no memory.
    {
        const support::RefusedAllocations refused(512 * 1024);
        EXPECT_EQ(ferlane_compute(), FERLANE_FAILED);
    }
    EXPECT_EQ(ferlane_next(), FERLANE_STEP_FAILED);
    EXPECT_EQ(std::string(ferlane_message()),
              "failed: out of memory. The pictures are too large for this browser tab; make them smaller, or use the "
              "console tool");
    EXPECT_EQ(ferlane_failed_slot(), -1);
    EXPECT_EQ(ferlane_share(FERLANE_SHARE_EXACT), -1);
}

}  // namespace
}  // namespace ferlane
