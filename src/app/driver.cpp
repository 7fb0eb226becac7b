#include "driver.h"

#include "config/settings.h"
#include "configuration_path.h"
#include "image/bmp_reader.h"
#include "matting/alpha.h"
#include "matting/foreground.h"
#include "plan/run_plan.h"
#include "result_files.h"
#include "version.h"

#include <array>
#include <optional>
#include <utility>

namespace ferlane {
namespace {

// A failure the user must mend in the input. Its text follows "error: ".
struct InputError {
    std::wstring text;
};

constexpr const wchar_t* kSection = L"Ferlane";

// The plan's text is ASCII: each character widens as it is.
std::wstring widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

// One name for each of the plan's pictures, by plan::Picture.
using FileNames = std::array<std::wstring, plan::kPictureCount>;

const std::wstring& nameOf(const FileNames& names, plan::Picture picture)
{
    return names[static_cast<std::size_t>(picture)];
}

// Resolved silently, before any picture is opened.
FileNames resolveFileNames(const Settings& settings)
{
    FileNames names;
    for (std::size_t k = 0; k < names.size(); ++k) {
        const plan::Naming& naming = plan::namingOf(static_cast<plan::Picture>(k));
        names[k] = settings.get(kSection, widen(naming.key).c_str(), widen(naming.defaultName).c_str());
    }
    return names;
}

void requireSameSize(const RgbImage& image, const RgbImage& reference)
{
    if (image.columns() != reference.columns() || image.rows() != reference.rows()) {
        throw InputError{widen(plan::kSameSize)};
    }
}

void printBanner(Console& console)
{
    console.printLine(L"");
    console.printLine(L"Ferlane " FERLANE_BANNER_VERSION_WIDE);
    console.printLine(L"two-background matting: alpha, error and foreground from four photographs");
    console.printLine(L"");
}

// What a run holds between its steps: the photographs, by plan::Picture, the
// matte, and the calculation error until it is written.
struct Held {
    std::array<RgbImage, 4> photographs;
    Plane alpha;
    Plane error;
    RgbImage foreground;

    RgbImage& photograph(plan::Picture picture) { return photographs[static_cast<std::size_t>(picture)]; }
};

// One photograph: the picture, and its place among the kept inputs. Every
// photograph after the first must have the first one's size.
void readPhotograph(const std::wstring& name, plan::Picture picture, Held& held, ResultFiles& results)
{
    RgbImage& image = held.photograph(picture);
    readBmpFile(name, image);
    results.keep(name);
    if (picture != plan::Picture::kBackground0) {
        requireSameSize(image, held.photograph(plan::Picture::kBackground0));
    }
}

// The matte of an existing alpha file, already open: its red channel.
void readAlpha(OptionalBmpFile& alphaFile, Held& held)
{
    RgbImage stored;
    alphaFile.read(stored);
    requireSameSize(stored, held.photograph(plan::Picture::kBackground0));
    held.alpha = std::move(stored.red);
}

void reconstruct(plan::Picture picture, Held& held)
{
    using plan::Picture;
    const RgbImage& b0 = held.photograph(Picture::kBackground0);
    const RgbImage& i0 = held.photograph(Picture::kImage0);
    const RgbImage& b1 = held.photograph(Picture::kBackground1);
    const RgbImage& i1 = held.photograph(Picture::kImage1);
    if (picture == Picture::kAlpha) {
        reconstructAlpha(b0, i0, b1, i1, held.alpha, held.error);
    } else {
        reconstructForeground(b0, i0, b1, i1, held.alpha, held.foreground);
    }
}

void write(const std::wstring& name, plan::Picture picture, Held& held, ResultFiles& results)
{
    if (picture == plan::Picture::kAlpha) {
        results.write(name, held.alpha, held.alpha, held.alpha);
    } else if (picture == plan::Picture::kError) {
        results.write(name, held.error, held.error, held.error);
        Plane().swap(held.error);  // not needed again
    } else {
        results.write(name, held.foreground);
    }
}

void run(std::int32_t argumentCount, const wchar_t* const* argumentVector, const std::wstring& executablePath,
         Console& console)
{
    printBanner(console);

    const Settings settings(argumentCount, argumentVector, configurationPathBeside(executablePath));
    const FileNames names = resolveFileNames(settings);

    ResultFiles results;
    Held held;
    // An alpha file is opened once the photographs are read, at the first step that
    // depends on whether there is one, and held open to the end of the run: an open
    // file keeps its identity (no new file can take its inode or file index), so no
    // result can be mistaken for it or written over it, and on Windows no other
    // program can delete it while its matte is in use. An existing one always wins
    // over computing the matte.
    std::optional<OptionalBmpFile> alphaFile;
    for (const plan::Step& step : plan::everyStep()) {
        if (step.matte != plan::Matte::kEither && !alphaFile) {
            alphaFile.emplace(nameOf(names, plan::Picture::kAlpha));
        }
        const bool fromFile = alphaFile && alphaFile->isOpen();
        if (!step.takenIn(fromFile ? plan::Set::kPhotographsAndAlphaFile : plan::Set::kPhotographs)) {
            continue;
        }
        const std::wstring& name = nameOf(names, step.picture);
        if (step.action == plan::Action::kRead && step.picture == plan::Picture::kAlpha) {
            results.keep(name);
        }
        if (step.namesFile()) {
            console.printFileLine(widen(step.line()), name);
        } else {
            console.printLine(widen(step.line()));
        }
        switch (step.action) {
        case plan::Action::kRead:
            if (step.picture == plan::Picture::kAlpha) {
                readAlpha(*alphaFile, held);
            } else {
                readPhotograph(name, step.picture, held, results);
            }
            break;
        case plan::Action::kReconstruct:
            reconstruct(step.picture, held);
            break;
        case plan::Action::kWrite:
            write(name, step.picture, held, results);
            break;
        }
    }
}

}  // namespace

int runFerlane(std::int32_t argumentCount, const wchar_t* const* argumentVector, const std::wstring& executablePath,
               Console& console)
{
    try {
        run(argumentCount, argumentVector, executablePath, console);
        return 0;
    } catch (const InputError& failure) {
        console.printLine(widen(plan::kInputErrorPrefix) + failure.text);
    } catch (...) {
        console.printLine(widen(plan::kFailed));
    }
    return -1;
}

}  // namespace ferlane
