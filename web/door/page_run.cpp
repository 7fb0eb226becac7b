#include "page_run.h"

#include "image/bmp_reader.h"
#include "image/bmp_refusal.h"
#include "plan/run_plan.h"

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <new>

namespace ferlane::page {
namespace {

// The door's slots are the plan's pictures read, and its files the plan's results.
static_assert(FERLANE_SLOT_BACKGROUND0 == static_cast<int>(plan::Picture::kBackground0) &&
                  FERLANE_SLOT_IMAGE0 == static_cast<int>(plan::Picture::kImage0) &&
                  FERLANE_SLOT_BACKGROUND1 == static_cast<int>(plan::Picture::kBackground1) &&
                  FERLANE_SLOT_IMAGE1 == static_cast<int>(plan::Picture::kImage1) &&
                  FERLANE_SLOT_ALPHA == static_cast<int>(plan::Picture::kAlpha),
              "slots are numbered as the plan's pictures");
constexpr int kFirstResult = static_cast<int>(plan::Picture::kAlpha);
static_assert(FERLANE_FILE_ALPHA + kFirstResult == static_cast<int>(plan::Picture::kAlpha) &&
                  FERLANE_FILE_ERROR + kFirstResult == static_cast<int>(plan::Picture::kError) &&
                  FERLANE_FILE_FOREGROUND + kFirstResult == static_cast<int>(plan::Picture::kForeground),
              "files are numbered as the plan's results");

const plan::Naming& namingOfSlot(int slot)
{
    return plan::namingOf(static_cast<plan::Picture>(slot));
}

// The page names its results as the console tool does when told nothing else.
const char* fileNameOf(int file)
{
    return plan::namingOf(static_cast<plan::Picture>(file + kFirstResult)).defaultName;
}

std::string inQuotes(const std::string& name)
{
    return "\"" + name + "\"";
}

// WebAssembly's 32-bit addresses reach 4 GiB; the runtime, the bands and what the
// allocator cannot reuse need some of it.
constexpr double kModuleBytes = 4.0 * 1024 * 1024 * 1024;
constexpr double kReservedBytes = 256.0 * 1024 * 1024;

// What a failure's message starts with when it says why.
std::string failedBecause()
{
    return std::string(plan::kFailed) + ": ";
}

std::string outOfMemory()
{
    return failedBecause() +
           "out of memory. The pictures are too large for this browser tab; make them smaller, or use the console tool";
}

// Why the reader refused a file, in the words of someone who took the photograph.
const char* reason(BmpRule rule)
{
    switch (rule) {
    case BmpRule::kShorterThanHeaders:
        return "the file ends inside its headers";
    case BmpRule::kNoSignature:
        return "it does not start as a BMP file does";
    case BmpRule::kNegativeWidth:
        return "its header gives a negative width";
    case BmpRule::kHeightOutOfRange:
        return "its header gives a height no picture can have";
    case BmpRule::kUnsupportedBitDepth:
        return "it has neither 24 nor 32 bits per pixel";
    case BmpRule::kPixelsBeyondReach:
    case BmpRule::kShorterThanPixels:
        return "the file ends before its pixels";
    default:
        return "it cannot be read";
    }
}

// Why the page's PNG decoder refused a file, in the same words.
const char* pngReason(int rule)
{
    switch (rule) {
    case FERLANE_PNG_CUT_SHORT:
        return "the file ends before its last chunk";
    case FERLANE_PNG_NO_HEADER:
        return "it does not start with a PNG header";
    case FERLANE_PNG_BAD_SIZE:
        return "its header gives a width or height no picture can have";
    case FERLANE_PNG_BAD_FORMAT:
        return "its header gives a bit depth its colour type cannot have, or a method no PNG has";
    case FERLANE_PNG_BAD_CHECKSUM:
        return "a chunk's checksum does not match its bytes: the file is damaged";
    case FERLANE_PNG_CHUNK_OUT_OF_PLACE:
        return "its chunks are out of order";
    case FERLANE_PNG_UNKNOWN_CRITICAL:
        return "it has a chunk that no PNG reader knows and that is marked as needed";
    case FERLANE_PNG_NO_PALETTE:
        return "it has no valid palette before its pixels";
    case FERLANE_PNG_NO_DATA:
        return "it has no image data";
    case FERLANE_PNG_DATA_DAMAGED:
        return "its compressed data is damaged";
    case FERLANE_PNG_DATA_ENDS_EARLY:
        return "its data ends before its last row";
    case FERLANE_PNG_UNKNOWN_FILTER:
        return "a row is filtered in a way no PNG is";
    case FERLANE_PNG_INDEX_OUTSIDE_PALETTE:
        return "a pixel's colour lies beyond the end of its palette";
    default:
        return "it cannot be read";
    }
}

std::string sizeText(std::int64_t columns, std::int64_t rows)
{
    return std::to_string(columns) + " \u00d7 " + std::to_string(rows);
}

// The formats whose size the page reads from their headers, as a refusal lists them.
constexpr const char* kFormatsRead = "BMP, PNG, JPEG, WebP and GIF";

// Why a picture's header was refused, in the words of someone who chose the file:
// what follows its quoted name.
std::string headerRefusal(const PictureHeader& header)
{
    const PictureFormat format = header.format();
    if (header.rule() == HeaderRule::kFormatNotRead) {
        if (format == PictureFormat::kUnknown) {
            return std::string(" is no picture this page reads: it is none of ") + kFormatsRead;
        }
        const bool vowel = std::string("AEIOS").find(formatName(format)[0]) != std::string::npos;
        return std::string(" is no picture this page reads: it is ") + (vowel ? "an " : "a ") + formatName(format) +
               " file, and the page reads " + kFormatsRead;
    }
    const char* why = "it cannot be read";
    switch (header.rule()) {
    case HeaderRule::kEndsBeforeSize:
        why = format == PictureFormat::kJpeg ? "the file ends before its frame header"
                                             : "the file ends inside its header";
        break;
    case HeaderRule::kNoSize:
        why = "its header gives a width or height of 0";
        break;
    case HeaderRule::kHeightAfterPixels:
        why = "its frame header leaves its height to after its pixels, which browsers do not read";
        break;
    case HeaderRule::kNoComponents:
        why = "its frame header gives no colour components";
        break;
    case HeaderRule::kNoMarker:
        why = "its markers before the frame header are broken";
        break;
    case HeaderRule::kPixelsBeforeFrame:
        why = "its pixels start before its frame header";
        break;
    case HeaderRule::kTooManySegments:
        why = "more markers stand before its frame header than any camera writes";
        break;
    case HeaderRule::kNoImageHeader:
        why = "its first chunk is no IHDR";
        break;
    case HeaderRule::kUnknownWebpChunk:
        why = "its first chunk is none of VP8, VP8L and VP8X";
        break;
    case HeaderRule::kBrokenWebpBitstream:
        why = "its picture data does not start as a WebP picture's does";
        break;
    default:
        break;
    }
    return std::string(" is no ") + formatName(format) + " this page reads: " + why;
}

// What a set of pictures of that size needs here: each picture at three bytes a
// pixel, and two results written at once.
double setBytes(std::int64_t rows, std::int64_t columns, std::size_t pictures)
{
    return static_cast<double>(rows) * static_cast<double>(columns) * (3.0 * static_cast<double>(pictures) + 6.0);
}

}  // namespace

PageRun::~PageRun()
{
    releaseAll();
}

void PageRun::releaseAll()
{
    for (PackedPicture& picture : pictures_) {
        release(picture);
    }
    std::free(handed_);
    handed_ = nullptr;
    for (std::string& file : files_) {
        std::string().swap(file);
    }
    matting_.release();
}

void PageRun::keepBackgrounds(PageRun* previous)
{
    keepsBackgrounds_ = true;
    if (!previous || !previous->keepsBackgrounds_ || previous->failed_ || !previous->current() ||
        previous->current()->kind != FERLANE_STEP_DONE) {
        return;
    }
    for (const int slot : {FERLANE_SLOT_BACKGROUND0, FERLANE_SLOT_BACKGROUND1}) {
        if (!previous->pictures_[slot].rgb) {
            return;
        }
    }
    for (const int slot : {FERLANE_SLOT_BACKGROUND0, FERLANE_SLOT_BACKGROUND1}) {
        pictures_[slot] = previous->pictures_[slot];
        previous->pictures_[slot] = PackedPicture{};
        kept_[slot] = true;
        keptNames_[slot] = previous->names_[slot];
    }
}

void PageRun::choose(int slot, const char* name)
{
    if (slot >= 0 && slot < FERLANE_SLOT_COUNT && !planned_) {
        names_[slot] = name ? name : "";
        chosen_[slot] = name != nullptr;
    }
}

std::string PageRun::quoted(int slot) const
{
    return std::string(namingOfSlot(slot).word) + " " + inQuotes(names_[slot]);
}

// Both backgrounds and both photographs make a run, with an alpha file if one is
// chosen; both backgrounds alone check the backdrops, as the console tool does when
// given the backgrounds as its photographs.
void PageRun::plan()
{
    planned_ = true;
    // Backgrounds chosen under other names are other files: both are read then.
    const bool sameBackgrounds = kept_[FERLANE_SLOT_BACKGROUND0] && chosen_[FERLANE_SLOT_BACKGROUND0] &&
                                 chosen_[FERLANE_SLOT_BACKGROUND1] &&
                                 names_[FERLANE_SLOT_BACKGROUND0] == keptNames_[FERLANE_SLOT_BACKGROUND0] &&
                                 names_[FERLANE_SLOT_BACKGROUND1] == keptNames_[FERLANE_SLOT_BACKGROUND1];
    if (kept_[FERLANE_SLOT_BACKGROUND0] && !sameBackgrounds) {
        for (const int slot : {FERLANE_SLOT_BACKGROUND0, FERLANE_SLOT_BACKGROUND1}) {
            release(pictures_[slot]);
            kept_[slot] = false;
        }
    }
    if (!chosen_[FERLANE_SLOT_BACKGROUND0] || !chosen_[FERLANE_SLOT_BACKGROUND1]) {
        steps_.push_back({FERLANE_STEP_WAITING, -1, -1, false, Work::kNone, "Waiting for the two backgrounds."});
        return;
    }
    const bool whole = chosen_[FERLANE_SLOT_IMAGE0] && chosen_[FERLANE_SLOT_IMAGE1];
    const plan::Set set = !whole                        ? plan::Set::kBackdrops
                          : chosen_[FERLANE_SLOT_ALPHA] ? plan::Set::kPhotographsAndAlphaFile
                                                        : plan::Set::kPhotographs;
    for (const plan::Step& step : plan::stepsOf(set)) {
        const int picture = static_cast<int>(step.picture);
        switch (step.action) {
        case plan::Action::kRead:
            if (kept_[picture]) {
                break;
            }
            steps_.push_back(
                {FERLANE_STEP_PICTURE, picture, -1, false, Work::kNone, step.line() + inQuotes(names_[picture])});
            if (step.picture == plan::Picture::kAlpha) {
                // The page shows the matte it used, so an alpha file is written
                // too, silently and not offered: the console tool writes no alpha then.
                steps_.push_back({FERLANE_STEP_COMPUTE, -1, -1, false, Work::kAlphaFile, ""});
                steps_.push_back({FERLANE_STEP_FILE, -1, FERLANE_FILE_ALPHA, false, Work::kNone, ""});
            }
            break;
        case plan::Action::kReconstruct:
            steps_.push_back({FERLANE_STEP_COMPUTE, -1, -1, false,
                              step.picture == plan::Picture::kAlpha ? Work::kAlpha : Work::kForeground, step.line()});
            break;
        case plan::Action::kWrite: {
            const int file = picture - kFirstResult;
            steps_.push_back(
                {FERLANE_STEP_FILE, -1, file, true, Work::kNone, step.line() + inQuotes(fileNameOf(file))});
            break;
        }
        }
    }
    steps_.push_back({FERLANE_STEP_DONE, -1, -1, false, Work::kNone, ""});
}

const PageRun::Step* PageRun::current() const
{
    return next_ > 0 && next_ <= steps_.size() ? &steps_[next_ - 1] : nullptr;
}

bool PageRun::at(int kind) const
{
    const Step* step = current();
    return !failed_ && step && step->kind == kind;
}

int PageRun::next()
{
    if (!planned_) {
        plan();
    }
    if (const Step* step = current(); step && !failed_) {
        // A picture must be handed over before the run goes on; a file is the
        // page's once it moves on.
        if (step->kind == FERLANE_STEP_PICTURE && !pictures_[step->slot].rgb) {
            fail(failedBecause() + quoted(step->slot) + " was not handed over", step->slot);
        } else if (step->kind == FERLANE_STEP_FILE) {
            std::string().swap(files_[step->file]);
        }
    }
    if (failed_) {
        line_.clear();
        return FERLANE_STEP_FAILED;
    }
    if (next_ < steps_.size()) {
        ++next_;
    }
    line_ = current()->line;
    return current()->kind;
}

int PageRun::slot() const
{
    return at(FERLANE_STEP_PICTURE) ? current()->slot : -1;
}

int PageRun::fail(const std::string& message, int slot)
{
    if (!failed_) {
        failed_ = true;
        message_ = message;
        failedSlot_ = slot;
        releaseAll();
    }
    return FERLANE_FAILED;
}

int PageRun::failFrom(std::exception_ptr failure, int slot)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        return fail(outOfMemory());
    } catch (const BmpRefusal& refusal) {
        if (slot >= 0) {
            return fail(failedBecause() + quoted(slot) + " is no BMP this tool reads: " + reason(refusal.rule()), slot);
        }
        if (refusal.rule() == BmpRule::kTooLargeForFormat) {
            return fail(failedBecause() + "the results are too large for a BMP file");
        }
        return fail(plan::kFailed);
    } catch (...) {
        return fail(plan::kFailed);
    }
}

// Every picture has background 0's size, and background 0's size decides whether
// the whole set fits in the page's memory.
int PageRun::acceptSize(std::int64_t rows, std::int64_t columns)
{
    const int slot = current()->slot;
    if (slot == FERLANE_SLOT_BACKGROUND0) {
        std::size_t pictures = 0;
        for (const Step& step : steps_) {
            pictures += step.kind == FERLANE_STEP_PICTURE ? 1 : 0;
        }
        const double bytes = setBytes(rows, columns, pictures);
        if (bytes > kModuleBytes - kReservedBytes) {
            char needed[32];
            std::snprintf(needed, sizeof needed, "%.1f", bytes / 1e9);
            return fail(failedBecause() + quoted(slot) + " is " + sizeText(columns, rows) +
                            " pixels: a set of that size needs " + needed +
                            " GB here, more than a browser tab gives this page; make the pictures smaller, "
                            "or use the console tool",
                        slot);
        }
        return FERLANE_OK;
    }
    const PackedPicture& first = pictures_[FERLANE_SLOT_BACKGROUND0];
    if (rows != first.rows || columns != first.columns) {
        return fail(std::string(plan::kInputErrorPrefix) + plan::kSameSize + " (" + quoted(slot) + " is " +
                        sizeText(columns, rows) + ", " + quoted(FERLANE_SLOT_BACKGROUND0) + " is " +
                        sizeText(first.columns, first.rows) + ")",
                    slot);
    }
    return FERLANE_OK;
}

int PageRun::checkBmp(const std::uint8_t* head, std::size_t headLength, double fileLength)
{
    if (!at(FERLANE_STEP_PICTURE)) {
        return fail(plan::kFailed);
    }
    const int slot = current()->slot;
    if (!(fileLength >= 0) || fileLength > static_cast<double>(std::numeric_limits<std::size_t>::max())) {
        return fail(outOfMemory());
    }
    try {
        const PictureSize size = readBmpSize(head, headLength, static_cast<std::uint64_t>(fileLength));
        return acceptSize(size.rows, size.columns);
    } catch (...) {
        return failFrom(std::current_exception(), slot);
    }
}

bool PageRun::previewable(std::int64_t columns, std::int64_t rows)
{
    // Four photographs, no alpha file: the set that takes the most memory per pixel.
    return setBytes(rows, columns, 4) <= kModuleBytes - kReservedBytes;
}

int PageRun::checkHeader(const PictureHeader& header)
{
    if (!at(FERLANE_STEP_PICTURE)) {
        return fail(plan::kFailed);
    }
    const int slot = current()->slot;
    if (header.state() == PictureHeader::State::kRefused) {
        return fail(failedBecause() + quoted(slot) + headerRefusal(header), slot);
    }
    if (header.state() != PictureHeader::State::kKnown) {
        return fail(plan::kFailed);
    }
    if (acceptSize(header.rows(), header.columns()) != FERLANE_OK) {
        return FERLANE_FAILED;
    }
    headerStep_ = next_;
    headerRows_ = header.rows();
    headerColumns_ = header.columns();
    return FERLANE_OK;
}

// Room for the picture being handed over, of the kind that will take it.
std::uint8_t* PageRun::hand(Handed kind, double bytes)
{
    std::free(handed_);
    handed_ = bytes <= static_cast<double>(std::numeric_limits<std::size_t>::max())
                  ? static_cast<std::uint8_t*>(std::malloc(bytes > 0 ? static_cast<std::size_t>(bytes) : 1))
                  : nullptr;
    handedKind_ = handed_ ? kind : Handed::kNothing;
    handedLength_ = static_cast<std::size_t>(handed_ ? bytes : 0);
    if (!handed_) {
        fail(outOfMemory());
    }
    return handed_;
}

// The picture handed over, if it is of that kind, now the wanted slot's.
PackedPicture* PageRun::takeHanded(Handed kind)
{
    if (!at(FERLANE_STEP_PICTURE) || !handed_ || handedKind_ != kind) {
        fail(plan::kFailed);
        return nullptr;
    }
    PackedPicture& picture = pictures_[current()->slot];
    release(picture);
    picture.rgb = handed_;
    handed_ = nullptr;
    handedKind_ = Handed::kNothing;
    return &picture;
}

std::uint8_t* PageRun::bmpBuffer(std::size_t length)
{
    if (!at(FERLANE_STEP_PICTURE)) {
        fail(plan::kFailed);
        return nullptr;
    }
    return hand(Handed::kBmp, static_cast<double>(length));
}

int PageRun::takeBmp()
{
    const int slot = this->slot();
    PackedPicture* picture = takeHanded(Handed::kBmp);
    if (!picture) {
        return FERLANE_FAILED;
    }
    try {
        const PictureSize size = packBmp(picture->rgb, handedLength_);
        if (acceptSize(size.rows, size.columns) != FERLANE_OK) {
            return FERLANE_FAILED;
        }
        fit(*picture, size.rows, size.columns);
        return FERLANE_OK;
    } catch (...) {
        return failFrom(std::current_exception(), slot);
    }
}

std::uint8_t* PageRun::pixelBuffer(int columns, int rows)
{
    if (!at(FERLANE_STEP_PICTURE) || columns < 0 || rows < 0) {
        fail(plan::kFailed);
        return nullptr;
    }
    // The browser decodes what the run checked: the header told its size.
    if (headerStep_ == next_ && (rows != headerRows_ || columns != headerColumns_)) {
        const int slot = current()->slot;
        fail(failedBecause() + quoted(slot) + " is " + sizeText(columns, rows) +
                 " pixels as this browser decodes it, but its header says " + sizeText(headerColumns_, headerRows_),
             slot);
        return nullptr;
    }
    if (acceptSize(rows, columns) != FERLANE_OK) {
        return nullptr;
    }
    handedRows_ = rows;
    handedColumns_ = columns;
    return hand(Handed::kPixels, 4.0 * columns * rows);
}

int PageRun::takePixels()
{
    PackedPicture* picture = takeHanded(Handed::kPixels);
    if (!picture) {
        return FERLANE_FAILED;
    }
    std::uint8_t* rgba = picture->rgb;
    const std::size_t count = static_cast<std::size_t>(handedRows_) * static_cast<std::size_t>(handedColumns_);
    // In place: each pixel's three bytes land at or before its four.
    for (std::size_t k = 0; k < count; ++k) {
        rgba[3 * k] = rgba[4 * k];
        rgba[3 * k + 1] = rgba[4 * k + 1];
        rgba[3 * k + 2] = rgba[4 * k + 2];
    }
    fit(*picture, handedRows_, handedColumns_);
    return FERLANE_OK;
}

int PageRun::unread(int why)
{
    if (why == FERLANE_UNREAD_OUT_OF_MEMORY) {
        return fail(outOfMemory());
    }
    if (!at(FERLANE_STEP_PICTURE)) {
        return fail(plan::kFailed);
    }
    const int slot = current()->slot;
    switch (why) {
    case FERLANE_UNREAD_CANNOT_READ:
        return fail(failedBecause() + quoted(slot) +
                        " cannot be read: the file was changed, moved or deleted after it was chosen; "
                        "choose it again",
                    slot);
    case FERLANE_UNREAD_CANNOT_DECODE:
        return fail(failedBecause() + quoted(slot) + " is no picture this browser can decode", slot);
    default:
        return fail(plan::kFailed);
    }
}

int PageRun::refusePng(int rule)
{
    if (!at(FERLANE_STEP_PICTURE)) {
        return fail(plan::kFailed);
    }
    const int slot = current()->slot;
    return fail(failedBecause() + quoted(slot) + " is no PNG this page reads: " + pngReason(rule), slot);
}

int PageRun::compute()
{
    if (!at(FERLANE_STEP_COMPUTE)) {
        return fail(plan::kFailed);
    }
    // Whatever the order the page handed the pictures over in, none is computed
    // with unless all have background 0's size: a smaller one would be read past
    // its end.
    const Step& step = *current();
    const PackedPicture& first = pictures_[FERLANE_SLOT_BACKGROUND0];
    for (const Step& earlier : steps_) {
        if (earlier.kind == FERLANE_STEP_PICTURE &&
            (!pictures_[earlier.slot].rgb || !pictures_[earlier.slot].sameSize(first))) {
            return fail(plan::kFailed);
        }
    }
    const bool backdropOnly = !chosen_[FERLANE_SLOT_IMAGE0] || !chosen_[FERLANE_SLOT_IMAGE1];
    PackedSet set;
    set.background0 = &pictures_[FERLANE_SLOT_BACKGROUND0];
    set.background1 = &pictures_[FERLANE_SLOT_BACKGROUND1];
    // In the backdrop check the backgrounds stand in for the photographs.
    set.image0 = backdropOnly ? set.background0 : &pictures_[FERLANE_SLOT_IMAGE0];
    set.image1 = backdropOnly ? set.background1 : &pictures_[FERLANE_SLOT_IMAGE1];
    try {
        switch (step.work) {
        case Work::kAlpha:
            errors_ = matting_.alphaAndError(set, backdropOnly ? nullptr : &files_[FERLANE_FILE_ALPHA],
                                             files_[FERLANE_FILE_ERROR]);
            hasErrors_ = true;
            break;
        case Work::kAlphaFile:
            set.alphaFile = &pictures_[FERLANE_SLOT_ALPHA];
            matting_.alphaFromFile(set, files_[FERLANE_FILE_ALPHA]);
            break;
        case Work::kForeground:
            if (chosen_[FERLANE_SLOT_ALPHA]) {
                set.alphaFile = &pictures_[FERLANE_SLOT_ALPHA];
            }
            matting_.foreground(set, files_[FERLANE_FILE_FOREGROUND]);
            break;
        case Work::kNone:
            break;
        }
    } catch (...) {
        return failFrom(std::current_exception());
    }
    // Only the files are needed once the last of them is made, and the
    // backgrounds where the next run takes them.
    if (backdropOnly || step.work == Work::kForeground) {
        for (int slot = 0; slot < FERLANE_SLOT_COUNT; ++slot) {
            const bool background = slot == FERLANE_SLOT_BACKGROUND0 || slot == FERLANE_SLOT_BACKGROUND1;
            if (!keepsBackgrounds_ || !background) {
                release(pictures_[slot]);
            }
        }
    }
    return FERLANE_OK;
}

int PageRun::file() const
{
    return at(FERLANE_STEP_FILE) ? current()->file : -1;
}

const std::string& PageRun::fileName() const
{
    static const std::string none;
    if (!at(FERLANE_STEP_FILE)) {
        return none;
    }
    static const std::array<std::string, 3> names = {fileNameOf(FERLANE_FILE_ALPHA), fileNameOf(FERLANE_FILE_ERROR),
                                                     fileNameOf(FERLANE_FILE_FOREGROUND)};
    return names[current()->file];
}

bool PageRun::fileOffered() const
{
    return at(FERLANE_STEP_FILE) && current()->offered;
}

const PackedPicture* PageRun::heldPicture(int slot) const
{
    if (slot < 0 || slot >= FERLANE_SLOT_COUNT || !pictures_[static_cast<std::size_t>(slot)].rgb) {
        return nullptr;
    }
    return &pictures_[static_cast<std::size_t>(slot)];
}

const std::string& PageRun::fileBytes() const
{
    static const std::string none;
    return at(FERLANE_STEP_FILE) ? files_[current()->file] : none;
}

namespace {

static_assert(ErrorCounts::kParts == FERLANE_PART_COUNT, "the error map's parts are the door's");

// The share of one kind of pixel among the pixels counted.
double shareOf(int which, std::int64_t pixels, std::int64_t exact, std::int64_t unresolved)
{
    if (pixels == 0) {
        return 0;
    }
    const std::int64_t count = which == FERLANE_SHARE_EXACT        ? exact
                               : which == FERLANE_SHARE_UNRESOLVED ? unresolved
                                                                   : pixels - exact - unresolved;
    return static_cast<double>(count) / static_cast<double>(pixels);
}

}  // namespace

double PageRun::share(int which) const
{
    if (!hasErrors_ || which < FERLANE_SHARE_EXACT || which > FERLANE_SHARE_UNRESOLVED) {
        return -1;
    }
    std::int64_t pixels = 0;
    std::int64_t exact = 0;
    std::int64_t unresolved = 0;
    for (int part = 0; part < ErrorCounts::kParts; ++part) {
        pixels += errors_.pixels[part];
        exact += errors_.exact[part];
        unresolved += errors_.unresolved[part];
    }
    return shareOf(which, pixels, exact, unresolved);
}

double PageRun::shareIn(int which, int part) const
{
    if (!hasErrors_ || which < FERLANE_SHARE_EXACT || which > FERLANE_SHARE_UNRESOLVED || part < 0 ||
        part >= ErrorCounts::kParts) {
        return -1;
    }
    return shareOf(which, errors_.pixels[part], errors_.exact[part], errors_.unresolved[part]);
}

}  // namespace ferlane::page
