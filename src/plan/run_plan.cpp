#include "run_plan.h"

namespace ferlane::plan {
namespace {

constexpr std::array<Naming, kPictureCount> kNamings = {{
    {"Background0", "bg0.bmp", "background0"},
    {"Image0", "image0.bmp", "image0"},
    {"Background1", "bg1.bmp", "background1"},
    {"Image1", "image1.bmp", "image1"},
    {"Alpha", "alpha.bmp", "alpha"},
    {"Error", "error.bmp", "calculation error"},
    {"Foreground", "fg.bmp", "foreground"},
}};

const char* verbOf(Action action)
{
    switch (action) {
    case Action::kRead:
        return "read";
    case Action::kReconstruct:
        return "reconstruct";
    case Action::kWrite:
        break;
    }
    return "write";
}

}  // namespace

const Naming& namingOf(Picture picture)
{
    return kNamings[static_cast<std::size_t>(picture)];
}

std::string Step::line() const
{
    std::string text = std::string(verbOf(action)) + " " + namingOf(picture).word;
    return namesFile() ? text + " " : text;
}

bool Step::takenIn(Set set) const
{
    switch (set) {
    case Set::kBackdrops:
        return inBackdropCheck;
    case Set::kPhotographs:
        return matte != Matte::kFromFile;
    case Set::kPhotographsAndAlphaFile:
        break;
    }
    return matte != Matte::kComputed;
}

const std::vector<Step>& everyStep()
{
    static const std::vector<Step> steps = {
        {Action::kRead, Picture::kBackground0, Matte::kEither, true},
        {Action::kRead, Picture::kImage0, Matte::kEither, false},
        {Action::kRead, Picture::kBackground1, Matte::kEither, true},
        {Action::kRead, Picture::kImage1, Matte::kEither, false},
        {Action::kRead, Picture::kAlpha, Matte::kFromFile, false},
        {Action::kReconstruct, Picture::kAlpha, Matte::kComputed, true},
        {Action::kWrite, Picture::kAlpha, Matte::kComputed, false},
        {Action::kWrite, Picture::kError, Matte::kComputed, true},
        {Action::kReconstruct, Picture::kForeground, Matte::kEither, false},
        {Action::kWrite, Picture::kForeground, Matte::kEither, false},
    };
    return steps;
}

std::vector<Step> stepsOf(Set set)
{
    std::vector<Step> steps;
    for (const Step& step : everyStep()) {
        if (step.takenIn(set)) {
            steps.push_back(step);
        }
    }
    return steps;
}

}  // namespace ferlane::plan
