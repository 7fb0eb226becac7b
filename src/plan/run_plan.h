#pragma once

// What a run does, for the console tool and the browser page alike: the pictures it
// names, the steps it takes in their order, the line that announces each step, and
// the failures both report. Each door carries the steps out its own way (whole
// planes against bands, files on disk against files handed to the page), but the
// lines and names a user sees come from here, so the two cannot drift apart.
//
// Lines and names are plain ASCII; the console widens them, the page shows them as
// UTF-8.

#include <array>
#include <string>
#include <vector>

namespace ferlane::plan {

// The pictures a run reads and the results it writes, in this order: the first
// five are the pictures read (an alpha file's matte last), the last three the
// results. Alpha is both: the matte read from an existing file, or the one written.
enum class Picture { kBackground0, kImage0, kBackground1, kImage1, kAlpha, kError, kForeground };
constexpr int kPictureCount = 7;

// How a picture's file is named: the key the command line and the configuration
// file give it under, the name it has otherwise, and the words the lines call it by.
struct Naming {
    const char* key;
    const char* defaultName;
    const char* word;
};

const Naming& namingOf(Picture picture);

// Which matte a step belongs to: the one computed from the photographs, the one read
// from an existing alpha file (which always wins), or either.
enum class Matte { kEither, kComputed, kFromFile };

// What a run is given: both backgrounds alone check the backdrops (the backgrounds
// stand in for the photographs, and only the error map is written); all four
// photographs make the matte and the foreground.
enum class Set { kBackdrops, kPhotographs, kPhotographsAndAlphaFile };

enum class Action { kRead, kReconstruct, kWrite };

struct Step {
    Action action;
    Picture picture;
    Matte matte;
    bool inBackdropCheck;

    // The line announcing the step. A step that reads or writes a file is announced
    // with that file's name after this text, between double quotes.
    std::string line() const;
    bool namesFile() const { return action != Action::kReconstruct; }
    bool takenIn(Set set) const;
};

// Every step a run can take, in the order it takes them.
const std::vector<Step>& everyStep();

// The steps a run over the set takes, in order.
std::vector<Step> stepsOf(Set set);

// What both report when a picture's size differs from the first background's.
constexpr const char* kSameSize = "the images must have same size";

// What a failure's line starts with: "error: " and what to mend in the input, or
// "failed" alone or with the reason after a colon.
constexpr const char* kInputErrorPrefix = "error: ";
constexpr const char* kFailed = "failed";

}  // namespace ferlane::plan
