// The C door (ferlane_door.h) over the page's one run at a time.

#include "ferlane_door.h"
#include "page_run.h"
#include "warm_up.h"

#include "image/bmp_layout.h"
#include "image/bmp_reader.h"
#include "image/picture_header.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
#define FERLANE_EXPORT EMSCRIPTEN_KEEPALIVE
#else
#define FERLANE_EXPORT
#endif

namespace {

std::unique_ptr<ferlane::page::PageRun> run = std::make_unique<ferlane::page::PageRun>();

// The header being read, of whichever file the page asks about.
ferlane::PictureHeader header;

static_assert(FERLANE_HEAD_BYTES == ferlane::bmp::kHeadersSize,
              "the page hands over every header byte the reader reads");

bool startsWith(const uint8_t* head, size_t headLength, std::initializer_list<uint8_t> signature)
{
    return head && headLength >= signature.size() && std::equal(signature.begin(), signature.end(), head);
}

}  // namespace

extern "C" {

FERLANE_EXPORT void ferlane_reset(void)
{
    run.reset();
    run = std::make_unique<ferlane::page::PageRun>();
}

FERLANE_EXPORT void ferlane_reset_keeping_backgrounds(int take)
{
    auto fresh = std::make_unique<ferlane::page::PageRun>();
    fresh->keepBackgrounds(take == 1 ? run.get() : nullptr);
    run = std::move(fresh);
}

FERLANE_EXPORT void ferlane_warm_up(void)
{
    ferlane::page::warmUp();
}

FERLANE_EXPORT void ferlane_choose(int slot, const char* name)
{
    run->choose(slot, name);
}

FERLANE_EXPORT int ferlane_next(void)
{
    return run->next();
}

FERLANE_EXPORT const char* ferlane_line(void)
{
    return run->line().c_str();
}

FERLANE_EXPORT int ferlane_slot(void)
{
    return run->slot();
}

FERLANE_EXPORT int ferlane_picture_kind(const uint8_t* head, size_t headLength)
{
    if (head && headLength >= 2 &&
        ferlane::bmp::loadU16(head + ferlane::bmp::kSignatureAt) == ferlane::bmp::kSignature) {
        return FERLANE_KIND_BMP;
    }
    if (startsWith(head, headLength, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'})) {
        return FERLANE_KIND_PNG;
    }
    if (startsWith(head, headLength, {0xFF, 0xD8, 0xFF})) {
        return FERLANE_KIND_JPEG;
    }
    return FERLANE_KIND_OTHER;
}

FERLANE_EXPORT int ferlane_bmp_layout(const uint8_t* head, size_t headLength, double fileLength, double* layout)
{
    // 2^64: a length no file has, and beyond what converts to one.
    if (!head || !layout || !(fileLength >= 0 && fileLength < 18446744073709551616.0)) {
        return FERLANE_FAILED;
    }
    try {
        const ferlane::StoredPixels stored =
            ferlane::readBmpStoredPixels(head, headLength, static_cast<std::uint64_t>(fileLength));
        layout[FERLANE_BMP_COLUMNS] = static_cast<double>(stored.columns);
        layout[FERLANE_BMP_ROWS] = static_cast<double>(stored.rows);
        layout[FERLANE_BMP_TOP_ROW] = static_cast<double>(stored.topRowOffset);
        layout[FERLANE_BMP_ROW_STEP] = static_cast<double>(stored.rowStep);
        layout[FERLANE_BMP_PIXEL_BYTES] = static_cast<double>(stored.bytesPerPixel);
        return FERLANE_OK;
    } catch (...) {
        return FERLANE_FAILED;
    }
}

FERLANE_EXPORT const uint8_t* ferlane_held_picture(int slot, double* layout)
{
    const ferlane::page::PackedPicture* held = run->heldPicture(slot);
    if (!held || !layout) {
        return nullptr;
    }
    layout[FERLANE_BMP_COLUMNS] = static_cast<double>(held->columns);
    layout[FERLANE_BMP_ROWS] = static_cast<double>(held->rows);
    layout[FERLANE_BMP_TOP_ROW] = 0;
    layout[FERLANE_BMP_ROW_STEP] = static_cast<double>(3 * held->columns);
    layout[FERLANE_BMP_PIXEL_BYTES] = 3;
    return held->rgb;
}

FERLANE_EXPORT int ferlane_check_bmp(const uint8_t* head, size_t headLength, double fileLength)
{
    return run->checkBmp(head, headLength, fileLength);
}

FERLANE_EXPORT void ferlane_header_begin(double fileLength)
{
    // A length no file has reads as an empty file, whose header is refused.
    header = ferlane::PictureHeader(
        fileLength >= 0 && fileLength < 18446744073709551616.0 ? static_cast<std::uint64_t>(fileLength) : 0);
}

FERLANE_EXPORT double ferlane_header_at(void)
{
    return static_cast<double>(header.wantedAt());
}

FERLANE_EXPORT size_t ferlane_header_length(void)
{
    return header.wantedLength();
}

FERLANE_EXPORT int ferlane_read_header(const uint8_t* bytes, size_t length)
{
    switch (header.read(bytes, length)) {
    case ferlane::PictureHeader::State::kKnown:
        return FERLANE_OK;
    case ferlane::PictureHeader::State::kReading:
        return FERLANE_HEADER_MORE;
    default:
        return FERLANE_FAILED;
    }
}

FERLANE_EXPORT double ferlane_header_fact(int which)
{
    if (header.state() != ferlane::PictureHeader::State::kKnown) {
        return -1;
    }
    switch (which) {
    case FERLANE_HEADER_COLUMNS:
        return static_cast<double>(header.columns());
    case FERLANE_HEADER_ROWS:
        return static_cast<double>(header.rows());
    case FERLANE_HEADER_INKS:
        return header.inks();
    case FERLANE_HEADER_PREVIEWABLE:
        return ferlane::page::PageRun::previewable(header.columns(), header.rows()) ? 1 : 0;
    default:
        return -1;
    }
}

FERLANE_EXPORT int ferlane_check_header(void)
{
    return run->checkHeader(header);
}

FERLANE_EXPORT uint8_t* ferlane_bmp_buffer(size_t length)
{
    return run->bmpBuffer(length);
}

FERLANE_EXPORT int ferlane_take_bmp(void)
{
    return run->takeBmp();
}

FERLANE_EXPORT uint8_t* ferlane_pixel_buffer(int columns, int rows)
{
    return run->pixelBuffer(columns, rows);
}

FERLANE_EXPORT int ferlane_take_pixels(void)
{
    return run->takePixels();
}

FERLANE_EXPORT int ferlane_unread(int why)
{
    return run->unread(why);
}

FERLANE_EXPORT int ferlane_refuse_png(int rule)
{
    return run->refusePng(rule);
}

FERLANE_EXPORT int ferlane_compute(void)
{
    return run->compute();
}

FERLANE_EXPORT int ferlane_file(void)
{
    return run->file();
}

FERLANE_EXPORT const char* ferlane_file_name(void)
{
    return run->fileName().c_str();
}

FERLANE_EXPORT int ferlane_file_offered(void)
{
    return run->fileOffered() ? 1 : 0;
}

FERLANE_EXPORT const uint8_t* ferlane_file_data(void)
{
    return reinterpret_cast<const uint8_t*>(run->fileBytes().data());
}

FERLANE_EXPORT size_t ferlane_file_size(void)
{
    return run->fileBytes().size();
}

FERLANE_EXPORT const char* ferlane_message(void)
{
    return run->message().c_str();
}

FERLANE_EXPORT int ferlane_failed_slot(void)
{
    return run->failedSlot();
}

FERLANE_EXPORT double ferlane_share(int which)
{
    return run->share(which);
}

FERLANE_EXPORT double ferlane_share_in(int which, int part)
{
    return run->shareIn(which, part);
}

}  // extern "C"
