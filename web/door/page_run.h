#pragma once

// One run of the browser page, as the console tool's driver runs one: the steps in
// their order with their lines, every picture checked against background 0, and
// every failure turned into the one message the page shows, naming the picture
// that failed. The page's worker hands pictures over and takes files away; what
// happens when, and what is refused, is decided here.

#include "banded_matting.h"
#include "ferlane_door.h"
#include "image/bmp_reader.h"
#include "image/picture_header.h"

#include <array>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

namespace ferlane::page {

class PageRun {
public:
    PageRun() = default;
    PageRun(const PageRun&) = delete;
    PageRun& operator=(const PageRun&) = delete;
    ~PageRun();

    // Keeps this run's backgrounds when its pictures are released, for the next
    // run; takes those of `previous` where it kept them and ended well, for as
    // long as this run's backgrounds have their names: neither is asked for again.
    void keepBackgrounds(PageRun* previous);
    void choose(int slot, const char* name);
    int next();

    const std::string& line() const { return line_; }
    int slot() const;

    int checkBmp(const std::uint8_t* head, std::size_t headLength, double fileLength);
    int checkHeader(const PictureHeader& header);
    // Whether a picture of that size may be decoded for a small picture of it:
    // whether a whole set of its size fits in the page.
    static bool previewable(std::int64_t columns, std::int64_t rows);
    std::uint8_t* bmpBuffer(std::size_t length);
    int takeBmp();
    std::uint8_t* pixelBuffer(int columns, int rows);
    int takePixels();
    int unread(int why);
    int refusePng(int rule);

    int compute();

    int file() const;
    const std::string& fileName() const;
    bool fileOffered() const;
    const std::string& fileBytes() const;
    // The picture of a slot once handed over, while the run holds it; else null.
    const PackedPicture* heldPicture(int slot) const;

    const std::string& message() const { return message_; }
    int failedSlot() const { return failedSlot_; }
    double share(int which) const;
    double shareIn(int which, int part) const;

private:
    enum class Work { kNone, kAlpha, kAlphaFile, kForeground };
    struct Step {
        int kind = FERLANE_STEP_DONE;
        int slot = -1;
        int file = -1;
        bool offered = false;
        Work work = Work::kNone;
        std::string line;
    };

    enum class Handed { kNothing, kBmp, kPixels };
    std::uint8_t* hand(Handed kind, double bytes);
    PackedPicture* takeHanded(Handed kind);
    void plan();
    const Step* current() const;
    bool at(int kind) const;
    int fail(const std::string& message, int slot = -1);
    int failFrom(std::exception_ptr failure, int slot = -1);
    int acceptSize(std::int64_t rows, std::int64_t columns);
    int accept(PictureSize size);
    void releaseAll();
    std::string quoted(int slot) const;

    std::array<std::string, FERLANE_SLOT_COUNT> names_;
    std::array<bool, FERLANE_SLOT_COUNT> chosen_{};
    // Whether this run keeps its backgrounds for the next; those taken from the
    // last run, and their names there.
    bool keepsBackgrounds_ = false;
    std::array<bool, FERLANE_SLOT_COUNT> kept_{};
    std::array<std::string, FERLANE_SLOT_COUNT> keptNames_;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    bool planned_ = false;
    bool failed_ = false;
    std::string line_;
    std::string message_;
    int failedSlot_ = -1;

    std::array<PackedPicture, FERLANE_SLOT_COUNT> pictures_;
    // The picture being handed over: a BMP file's bytes, or decoded pixels.
    std::uint8_t* handed_ = nullptr;
    Handed handedKind_ = Handed::kNothing;
    std::size_t handedLength_ = 0;
    std::int64_t handedRows_ = 0;
    std::int64_t handedColumns_ = 0;
    // The size the header of the picture at step headerStep_ gave, which the
    // browser's decoding must give too.
    std::size_t headerStep_ = 0;
    std::int64_t headerRows_ = 0;
    std::int64_t headerColumns_ = 0;
    std::array<std::string, 3> files_;
    BandedMatting matting_;
    ErrorCounts errors_;
    bool hasErrors_ = false;
};

}  // namespace ferlane::page
