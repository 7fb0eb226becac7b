// The page's door into the matting code: plain C functions over one session that
// holds the pictures and the files written from them.
//
// Only bytes and numbers cross it. Every failure is caught here and answered as a
// status, so the page never has to see a C++ exception, and the order of the steps
// stays the page's to announce, as the console tool's driver announces its own.
//
// A browser tab hands the module fresh memory one page at a time, which on many
// machines costs more than the matting itself. So the session holds each picture
// in three bytes a pixel, in the very memory the page handed its file or pixels
// over in, and computes and writes its results in bands of rows, through the same
// functions the console tool runs on whole planes: the memory of one band is
// reused for the next.

#include "image/bmp_reader.h"
#include "image/bmp_writer.h"
#include "matting/alpha.h"
#include "matting/foreground.h"
#include "memory_streams.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <istream>
#include <new>
#include <ostream>
#include <stdexcept>
#include <string>

namespace {

using ferlane::Plane;
using ferlane::RgbImage;

enum Status : int { kDone = 0, kRefused = 1, kOutOfMemory = 2 };

// The pictures in the order the page's slots hold them.
enum Slot : int { kBackground0, kImage0, kBackground1, kImage1, kAlphaFile, kSlotCount };

// The files the session writes, as the page asks for them.
enum Written : int { kAlphaBmp, kErrorBmp, kForegroundBmp, kWrittenCount };

// Pixels a band holds: planes of a megabyte, so that the bands of all pictures and
// results together stay small beside one whole plane of a large picture.
constexpr Eigen::Index kBandPixels = Eigen::Index{1} << 18;

// A picture's red, green and blue values as bytes, row after row from the top, in
// a buffer the page allocated with malloc and handed over.
struct Compact {
    std::uint8_t* rgb = nullptr;
    Eigen::Index rows = 0;
    Eigen::Index columns = 0;
};

struct Session {
    std::array<Compact, kSlotCount> pictures;
    std::array<std::string, kWrittenCount> written;
    // A BMP file's planes as the reader gives them, kept from one file to the next:
    // pictures of one size reuse their memory.
    RgbImage decoded;
    // A band of each picture and of the results, kept from band to band.
    std::array<RgbImage, kSlotCount> bands;
    Plane alpha;
    Plane error;
    RgbImage foreground;
};

Session session;

bool validSlot(int slot)
{
    return slot >= 0 && slot < kSlotCount;
}

bool validWritten(int which)
{
    return which >= 0 && which < kWrittenCount;
}

template <typename Work>
int attempt(Work work)
{
    try {
        work();
        return kDone;
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    } catch (const std::exception&) {
        return kRefused;
    }
}

void release(Plane& plane)
{
    Plane().swap(plane);
}

void release(RgbImage& image)
{
    release(image.red);
    release(image.green);
    release(image.blue);
}

void release(Compact& picture)
{
    std::free(picture.rgb);
    picture = Compact();
}

void release(std::string& file)
{
    std::string().swap(file);
}

// The picture's buffer cut to its three bytes a pixel, once they are in place.
void fit(Compact& picture, Eigen::Index rows, Eigen::Index columns)
{
    picture.rows = rows;
    picture.columns = columns;
    const std::size_t bytes = 3 * static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns);
    if (bytes > 0) {
        if (void* cut = std::realloc(picture.rgb, bytes)) {
            picture.rgb = static_cast<std::uint8_t*>(cut);
        }
    }
}

// The rows [begin, end) of a picture, as planes of one band.
void expand(const Compact& picture, Eigen::Index begin, Eigen::Index end, RgbImage& band)
{
    band.resize(end - begin, picture.columns);
    const std::size_t columns = static_cast<std::size_t>(picture.columns);
    const std::uint8_t* rgb = picture.rgb + 3 * static_cast<std::size_t>(begin) * columns;
    std::int32_t* red = band.red.data();
    std::int32_t* green = band.green.data();
    std::int32_t* blue = band.blue.data();
    for (Eigen::Index k = 0; k < band.red.size(); ++k, rgb += 3) {
        red[k] = rgb[0];
        green[k] = rgb[1];
        blue[k] = rgb[2];
    }
}

// Starts a file for the whole picture, its room taken at once: growing by doubling
// would make the module touch twice the memory.
void start(Written which, Eigen::Index rows, Eigen::Index columns)
{
    std::string& file = session.written[which];
    release(file);
    const ferlane::BmpLayout layout = ferlane::bmpLayout(rows, columns);
    file.reserve(layout.fileSize);
    ferlane::StringOutput buffer(file);
    std::ostream out(&buffer);
    ferlane::writeBmpHeader(out, layout);
}

void append(Written which, const Plane& red, const Plane& green, const Plane& blue)
{
    ferlane::StringOutput buffer(session.written[which]);
    std::ostream out(&buffer);
    ferlane::writeBmpRows(out, red, green, blue);
}

// Calls work(begin, end) for bands of rows from the bottom of the picture up, the
// order in which a BMP file stores them.
template <typename Work>
void everyBand(const Compact& picture, Work work)
{
    const Eigen::Index columns = std::max<Eigen::Index>(1, picture.columns);
    const Eigen::Index bandRows = std::max<Eigen::Index>(1, kBandPixels / columns);
    for (Eigen::Index end = picture.rows; end > 0; end -= bandRows) {
        work(std::max<Eigen::Index>(0, end - bandRows), end);
    }
}

// The band's alpha: computed from the four photographs (in the backdrop check the
// backgrounds stand in for the photographs of the subject, as when the console
// tool is given the background files as its images), or an alpha file's red.
void alphaOfBand(Eigen::Index begin, Eigen::Index end, bool backdropOnly)
{
    auto& p = session.pictures;
    auto& b = session.bands;
    if (p[kAlphaFile].rgb) {
        expand(p[kAlphaFile], begin, end, b[kAlphaFile]);
        session.alpha.swap(b[kAlphaFile].red);
        return;
    }
    const Slot image0 = backdropOnly ? kBackground0 : kImage0;
    const Slot image1 = backdropOnly ? kBackground1 : kImage1;
    for (const Slot slot : {kBackground0, image0, kBackground1, image1}) {
        expand(p[slot], begin, end, b[slot]);
    }
    ferlane::reconstructAlpha(b[kBackground0], b[image0], b[kBackground1], b[image1], session.alpha,
                              session.error);
}

void releaseBands()
{
    release(session.decoded);
    for (RgbImage& band : session.bands) {
        release(band);
    }
    release(session.alpha);
    release(session.error);
    release(session.foreground);
}

}  // namespace

extern "C" {

// Reads a BMP file's bytes into a slot, as the console tool reads the file. The
// slot takes over the buffer, allocated with malloc, and keeps the picture in it.
EMSCRIPTEN_KEEPALIVE int ferlane_read_bmp(int slot, std::uint8_t* bytes, std::size_t length)
{
    if (!validSlot(slot)) {
        std::free(bytes);
        return kRefused;
    }
    Compact& picture = session.pictures[slot];
    release(picture);
    picture.rgb = bytes;
    const int status = attempt([&] {
        ferlane::MemoryStream file(reinterpret_cast<const char*>(bytes), length);
        std::istream input(&file);
        RgbImage& planes = session.decoded;
        ferlane::readBmp(input, planes);
        const std::size_t count = static_cast<std::size_t>(planes.red.size());
        // Never so: a file the reader took holds at least three bytes a pixel.
        if (length < 3 * count) {
            throw std::length_error("short file");
        }
        const std::int32_t* red = planes.red.data();
        const std::int32_t* green = planes.green.data();
        const std::int32_t* blue = planes.blue.data();
        std::uint8_t* rgb = bytes;
        for (std::size_t k = 0; k < count; ++k, rgb += 3) {
            // The reader gives values 0..255 only.
            rgb[0] = static_cast<std::uint8_t>(red[k]);
            rgb[1] = static_cast<std::uint8_t>(green[k]);
            rgb[2] = static_cast<std::uint8_t>(blue[k]);
        }
        fit(picture, planes.rows(), planes.columns());
    });
    if (status != kDone) {
        release(picture);
    }
    return status;
}

// Takes a picture the browser decoded, in a buffer allocated with malloc that the
// slot takes over: four bytes per pixel, red, green, blue and an opacity that the
// matting has no use for and drops.
EMSCRIPTEN_KEEPALIVE int ferlane_take_pixels(int slot, std::uint8_t* rgba, int columns, int rows)
{
    if (!validSlot(slot) || columns <= 0 || rows <= 0) {
        std::free(rgba);
        return kRefused;
    }
    Compact& picture = session.pictures[slot];
    release(picture);
    picture.rgb = rgba;
    const std::size_t count = static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns);
    // In place: each pixel's three bytes land at or before its four.
    for (std::size_t k = 0; k < count; ++k) {
        rgba[3 * k] = rgba[4 * k];
        rgba[3 * k + 1] = rgba[4 * k + 1];
        rgba[3 * k + 2] = rgba[4 * k + 2];
    }
    fit(picture, rows, columns);
    return kDone;
}

EMSCRIPTEN_KEEPALIVE int ferlane_rows(int slot)
{
    return validSlot(slot) ? static_cast<int>(session.pictures[slot].rows) : 0;
}

EMSCRIPTEN_KEEPALIVE int ferlane_columns(int slot)
{
    return validSlot(slot) ? static_cast<int>(session.pictures[slot].columns) : 0;
}

// Computes alpha and the error map and writes them, band by band; the backdrop
// check writes the error map alone.
EMSCRIPTEN_KEEPALIVE int ferlane_reconstruct_alpha(int backdropOnly)
{
    const Compact& shape = session.pictures[kBackground0];
    release(session.decoded);
    const int status = attempt([&] {
        if (!backdropOnly) {
            start(kAlphaBmp, shape.rows, shape.columns);
        }
        start(kErrorBmp, shape.rows, shape.columns);
        everyBand(shape, [&](Eigen::Index begin, Eigen::Index end) {
            alphaOfBand(begin, end, backdropOnly != 0);
            if (!backdropOnly) {
                append(kAlphaBmp, session.alpha, session.alpha, session.alpha);
            }
            append(kErrorBmp, session.error, session.error, session.error);
        });
    });
    releaseBands();
    return status;
}

// An existing alpha file's red channel becomes alpha, as in the console tool; it
// is written as alpha.bmp for the page to show.
EMSCRIPTEN_KEEPALIVE int ferlane_take_alpha_file()
{
    const Compact& file = session.pictures[kAlphaFile];
    release(session.decoded);
    const int status = attempt([&] {
        start(kAlphaBmp, file.rows, file.columns);
        everyBand(file, [&](Eigen::Index begin, Eigen::Index end) {
            alphaOfBand(begin, end, false);
            append(kAlphaBmp, session.alpha, session.alpha, session.alpha);
        });
    });
    releaseBands();
    return status;
}

// Alpha is made again band by band, as the alpha step made it: holding it whole
// between the steps would cost more fresh memory than computing it twice costs time.
EMSCRIPTEN_KEEPALIVE int ferlane_reconstruct_foreground()
{
    auto& b = session.bands;
    const Compact& shape = session.pictures[kBackground0];
    const int status = attempt([&] {
        start(kForegroundBmp, shape.rows, shape.columns);
        everyBand(shape, [&](Eigen::Index begin, Eigen::Index end) {
            alphaOfBand(begin, end, false);
            if (session.pictures[kAlphaFile].rgb) {
                for (const Slot slot : {kBackground0, kImage0, kBackground1, kImage1}) {
                    expand(session.pictures[slot], begin, end, b[slot]);
                }
            }
            ferlane::reconstructForeground(b[kBackground0], b[kImage0], b[kBackground1], b[kImage1],
                                           session.alpha, session.foreground);
            append(kForegroundBmp, session.foreground.red, session.foreground.green, session.foreground.blue);
        });
    });
    // Only the files are needed from here on.
    releaseBands();
    for (Compact& picture : session.pictures) {
        release(picture);
    }
    return status;
}

// A file written, valid until it is written again or released.
EMSCRIPTEN_KEEPALIVE const char* ferlane_written_data(int which)
{
    return validWritten(which) ? session.written[which].data() : nullptr;
}

EMSCRIPTEN_KEEPALIVE std::size_t ferlane_written_size(int which)
{
    return validWritten(which) ? session.written[which].size() : 0;
}

EMSCRIPTEN_KEEPALIVE void ferlane_release_written(int which)
{
    if (validWritten(which)) {
        release(session.written[which]);
    }
}

}  // extern "C"
