#include "driver.h"

#include "config/settings.h"
#include "configuration_path.h"
#include "image/bmp_reader.h"
#include "matting/alpha.h"
#include "matting/foreground.h"
#include "result_files.h"
#include "version.h"

#include <utility>

namespace ferlane {
namespace {

// A failure the user must mend in the input. Its text follows "error: ".
struct InputError {
    std::wstring text;
};

constexpr const wchar_t* kSection = L"Ferlane";

struct FileNames {
    std::wstring background0;
    std::wstring background1;
    std::wstring image0;
    std::wstring image1;
    std::wstring alpha;
    std::wstring error;
    std::wstring foreground;
};

// Resolved in this order, silently, before any picture is opened.
FileNames resolveFileNames(const Settings& settings)
{
    FileNames names;
    names.background0 = settings.get(kSection, L"Background0", L"bg0.bmp");
    names.background1 = settings.get(kSection, L"Background1", L"bg1.bmp");
    names.image0 = settings.get(kSection, L"Image0", L"image0.bmp");
    names.image1 = settings.get(kSection, L"Image1", L"image1.bmp");
    names.alpha = settings.get(kSection, L"Alpha", L"alpha.bmp");
    names.error = settings.get(kSection, L"Error", L"error.bmp");
    names.foreground = settings.get(kSection, L"Foreground", L"fg.bmp");
    return names;
}

void requireSameSize(const RgbImage& image, const RgbImage& reference)
{
    if (image.columns() != reference.columns() || image.rows() != reference.rows()) {
        throw InputError{L"the images must have same size"};
    }
}

void printBanner(Console& console)
{
    console.printLine(L"");
    console.printLine(L"Ferlane " FERLANE_BANNER_VERSION_WIDE);
    console.printLine(L"two-background matting: alpha, error and foreground from four photographs");
    console.printLine(L"");
}

struct Photographs {
    RgbImage background0;
    RgbImage image0;
    RgbImage background1;
    RgbImage image1;
};

// One photograph: its line, the picture, and its place among the kept inputs. Every
// photograph after the first must have the first one's size.
void readPhotograph(Console& console, const wchar_t* line, const std::wstring& name, RgbImage& image,
                    ResultFiles& results, const RgbImage* first = nullptr)
{
    console.printFileLine(line, name);
    readBmpFile(name, image);
    results.keep(name);
    if (first != nullptr) {
        requireSameSize(image, *first);
    }
}

// The matte: read from an existing alpha file, which always wins over computing
// one, or computed and written with its calculation error. The file, when there
// is one, is already open.
void alphaStage(Console& console, ResultFiles& results, const FileNames& names, const Photographs& photos,
                OptionalBmpFile& alphaFile, Plane& alpha)
{
    if (alphaFile.isOpen()) {
        results.keep(names.alpha);
        console.printFileLine(L"read alpha ", names.alpha);
        RgbImage stored;
        alphaFile.read(stored);
        requireSameSize(stored, photos.background0);
        alpha = std::move(stored.red);  // a stored matte is its red channel
        return;
    }
    console.printLine(L"reconstruct alpha");
    Plane error;
    reconstructAlpha(photos.background0, photos.image0, photos.background1, photos.image1, alpha, error);
    console.printFileLine(L"write alpha ", names.alpha);
    results.write(names.alpha, alpha, alpha, alpha);
    console.printFileLine(L"write calculation error ", names.error);
    results.write(names.error, error, error, error);
}

// The subject's colours, from the matte, written.
void foregroundStage(Console& console, ResultFiles& results, const FileNames& names, const Photographs& photos,
                     const Plane& alpha)
{
    console.printLine(L"reconstruct foreground");
    RgbImage foreground;
    reconstructForeground(photos.background0, photos.image0, photos.background1, photos.image1, alpha, foreground);
    console.printFileLine(L"write foreground ", names.foreground);
    results.write(names.foreground, foreground);
}

void run(std::int32_t argumentCount, const wchar_t* const* argumentVector, const std::wstring& executablePath,
         Console& console)
{
    printBanner(console);

    const Settings settings(argumentCount, argumentVector, configurationPathBeside(executablePath));
    const FileNames names = resolveFileNames(settings);

    ResultFiles results;
    Photographs photos;
    readPhotograph(console, L"read background0 ", names.background0, photos.background0, results);
    readPhotograph(console, L"read image0 ", names.image0, photos.image0, results, &photos.background0);
    readPhotograph(console, L"read background1 ", names.background1, photos.background1, results, &photos.background0);
    readPhotograph(console, L"read image1 ", names.image1, photos.image1, results, &photos.background0);

    // An alpha file is held open to the end of the run: an open file keeps its
    // identity (no new file can take its inode or file index), so no result can be
    // mistaken for it or written over it, and on Windows no other program can
    // delete it while its matte is in use.
    OptionalBmpFile alphaFile(names.alpha);
    Plane alpha;
    alphaStage(console, results, names, photos, alphaFile, alpha);
    foregroundStage(console, results, names, photos, alpha);
}

}  // namespace

int runFerlane(std::int32_t argumentCount, const wchar_t* const* argumentVector, const std::wstring& executablePath,
               Console& console)
{
    try {
        run(argumentCount, argumentVector, executablePath, console);
        return 0;
    } catch (const InputError& failure) {
        console.printLine(L"error: " + failure.text);
    } catch (...) {
        console.printLine(L"failed");
    }
    return -1;
}

}  // namespace ferlane
