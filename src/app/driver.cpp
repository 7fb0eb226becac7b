#include "driver.h"

#include "configuration_path.h"
#include "config/settings.h"
#include "image/bmp_reader.h"
#include "image/bmp_writer.h"
#include "image/file_identity.h"
#include "image/file_streams.h"
#include "matting/alpha.h"
#include "matting/foreground.h"
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
    console.printLine(L"Ferlane " FERLANE_VERSION_WIDE);
    console.printLine(L"two-background matting: alpha, error and foreground from four photographs");
    console.printLine(L"");
}

void run(std::int32_t argumentCount, const wchar_t* const* argumentVector,
         const std::wstring& executablePath, Console& console)
{
    printBanner(console);

    const Settings settings(argumentCount, argumentVector, configurationPathBeside(executablePath));
    const FileNames names = resolveFileNames(settings);

    RgbImage background0;
    RgbImage image0;
    RgbImage background1;
    RgbImage image1;
    // Every file read here must come through the run unchanged, whatever the results are named.
    KeptFiles inputs;

    console.printFileLine(L"read background0 ", names.background0);
    readBmpFile(names.background0, background0);
    inputs.add(names.background0);
    console.printFileLine(L"read image0 ", names.image0);
    readBmpFile(names.image0, image0);
    inputs.add(names.image0);
    requireSameSize(image0, background0);
    console.printFileLine(L"read background1 ", names.background1);
    readBmpFile(names.background1, background1);
    inputs.add(names.background1);
    requireSameSize(background1, background0);
    console.printFileLine(L"read image1 ", names.image1);
    readBmpFile(names.image1, image1);
    inputs.add(names.image1);
    requireSameSize(image1, background0);

    // An existing alpha file always wins over computing one; it stays open to the end.
    RgbImage alphaFile;
    Plane computedAlpha;
    const Plane* alpha = &computedAlpha;
    std::ifstream alphaInput = openInputFile(names.alpha);
    if (alphaInput.is_open()) {
        inputs.add(names.alpha);
        console.printFileLine(L"read alpha ", names.alpha);
        readBmp(alphaInput, alphaFile);
        requireSameSize(alphaFile, background0);
        alpha = &alphaFile.red;
    } else {
        console.printLine(L"reconstruct alpha");
        Plane error;
        reconstructAlpha(background0, image0, background1, image1, computedAlpha, error);
        console.printFileLine(L"write alpha ", names.alpha);
        writeBmpFile(names.alpha, computedAlpha, computedAlpha, computedAlpha, inputs);
        console.printFileLine(L"write calculation error ", names.error);
        writeBmpFile(names.error, error, error, error, inputs);
    }

    runForegroundStage(console, names.foreground, background0, image0, background1, image1, *alpha, inputs);
}

}  // namespace

int runFerlane(std::int32_t argumentCount, const wchar_t* const* argumentVector,
               const std::wstring& executablePath, Console& console)
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
