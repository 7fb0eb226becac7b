#pragma once

#include "console.h"

namespace ferlane {

// The process's standard output as the tool's console. Each line is written whole
// and flushed at once, so the steps show as they happen, in a terminal or a pipe.
// A character the console cannot show never stops the lines after it.
class StandardConsole final : public Console {
public:
    void printLine(std::wstring_view text) override;
};

// Sets the process up for the user's locale, falling back to the classic locale
// when the environment names one that cannot be set up: a misconfigured
// environment must not make the tool unusable.
void useUserLocale();

// The platform's own part of that set-up, done first.
void useUserSystemLocale();

}  // namespace ferlane
