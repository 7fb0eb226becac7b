// The page's door into the matting code: plain C functions over one session that
// holds the pictures, the planes computed from them and the last file written.
//
// Only bytes and numbers cross it. Every failure is caught here and answered as a
// status, so the page never has to see a C++ exception, and the order of the steps
// stays the page's to announce, as the console tool's driver announces its own.

#include "image/bmp_reader.h"
#include "image/bmp_writer.h"
#include "matting/alpha.h"
#include "matting/foreground.h"
#include "memory_streams.h"

#include <emscripten/emscripten.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <istream>
#include <new>
#include <ostream>
#include <string>
#include <utility>

namespace {

using ferlane::Plane;
using ferlane::RgbImage;

enum Status : int { kDone = 0, kRefused = 1, kOutOfMemory = 2 };

// The pictures in the order the page's slots hold them.
enum Slot : int { kBackground0, kImage0, kBackground1, kImage1, kAlphaFile, kSlotCount };

struct Session {
    std::array<RgbImage, kSlotCount> pictures;
    Plane alpha;
    Plane error;
    RgbImage foreground;
    std::string written;
};

Session session;

bool validSlot(int slot)
{
    return slot >= 0 && slot < kSlotCount;
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

int write(const Plane& red, const Plane& green, const Plane& blue)
{
    std::string().swap(session.written);
    return attempt([&] {
        // Room for three bytes a pixel, each row's padding and the header, taken at
        // once: growing by doubling would make the module touch twice the memory.
        const auto bytes = static_cast<std::size_t>(red.rows()) * (3 * red.cols() + 4) + 64;
        std::string buffer;
        buffer.reserve(bytes);
        ferlane::StringOutput file(buffer);
        std::ostream out(&file);
        ferlane::writeBmp(out, red, green, blue);
        session.written = std::move(buffer);
    });
}

}  // namespace

extern "C" {

// Reads a BMP file's bytes into a slot, as the console tool reads the file.
EMSCRIPTEN_KEEPALIVE int ferlane_read_bmp(int slot, const char* bytes, std::size_t length)
{
    if (!validSlot(slot)) {
        return kRefused;
    }
    release(session.pictures[slot]);
    return attempt([&] {
        ferlane::MemoryStream file(bytes, length);
        std::istream input(&file);
        ferlane::readBmp(input, session.pictures[slot]);
    });
}

// Takes a picture the browser decoded: four bytes per pixel, red, green, blue and
// an opacity that the matting has no use for and drops.
EMSCRIPTEN_KEEPALIVE int ferlane_take_pixels(int slot, const std::uint8_t* rgba, int columns, int rows)
{
    if (!validSlot(slot) || columns <= 0 || rows <= 0) {
        return kRefused;
    }
    RgbImage& picture = session.pictures[slot];
    release(picture);
    return attempt([&] {
        picture.resize(rows, columns);
        const std::size_t count = static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns);
        std::int32_t* red = picture.red.data();
        std::int32_t* green = picture.green.data();
        std::int32_t* blue = picture.blue.data();
        for (std::size_t k = 0; k < count; ++k) {
            red[k] = rgba[4 * k];
            green[k] = rgba[4 * k + 1];
            blue[k] = rgba[4 * k + 2];
        }
    });
}

EMSCRIPTEN_KEEPALIVE int ferlane_rows(int slot)
{
    return validSlot(slot) ? static_cast<int>(session.pictures[slot].rows()) : 0;
}

EMSCRIPTEN_KEEPALIVE int ferlane_columns(int slot)
{
    return validSlot(slot) ? static_cast<int>(session.pictures[slot].columns()) : 0;
}

// Computes alpha and the error map. For the backdrop check the backgrounds stand
// in for the photographs of the subject, as when the console tool is given the
// background files as its images.
EMSCRIPTEN_KEEPALIVE int ferlane_reconstruct_alpha(int backdropOnly)
{
    const auto& p = session.pictures;
    const RgbImage& image0 = backdropOnly ? p[kBackground0] : p[kImage0];
    const RgbImage& image1 = backdropOnly ? p[kBackground1] : p[kImage1];
    return attempt([&] {
        ferlane::reconstructAlpha(p[kBackground0], image0, p[kBackground1], image1, session.alpha,
                                  session.error);
    });
}

// An existing alpha file's red plane becomes alpha, as in the console tool.
EMSCRIPTEN_KEEPALIVE int ferlane_take_alpha_file()
{
    RgbImage& file = session.pictures[kAlphaFile];
    session.alpha.swap(file.red);
    release(file);
    release(session.error);
    return kDone;
}

EMSCRIPTEN_KEEPALIVE int ferlane_reconstruct_foreground()
{
    auto& p = session.pictures;
    release(session.error);
    const int status = attempt([&] {
        ferlane::reconstructForeground(p[kBackground0], p[kImage0], p[kBackground1], p[kImage1],
                                       session.alpha, session.foreground);
    });
    // Only the foreground is written from here on.
    for (RgbImage& picture : p) {
        release(picture);
    }
    release(session.alpha);
    return status;
}

EMSCRIPTEN_KEEPALIVE int ferlane_write_alpha()
{
    return write(session.alpha, session.alpha, session.alpha);
}

EMSCRIPTEN_KEEPALIVE int ferlane_write_error()
{
    return write(session.error, session.error, session.error);
}

EMSCRIPTEN_KEEPALIVE int ferlane_write_foreground()
{
    return write(session.foreground.red, session.foreground.green, session.foreground.blue);
}

// The file last written, valid until the next write or ferlane_release_written.
EMSCRIPTEN_KEEPALIVE const char* ferlane_written_data()
{
    return session.written.data();
}

EMSCRIPTEN_KEEPALIVE std::size_t ferlane_written_size()
{
    return session.written.size();
}

EMSCRIPTEN_KEEPALIVE void ferlane_release_written()
{
    std::string().swap(session.written);
}

}  // extern "C"
