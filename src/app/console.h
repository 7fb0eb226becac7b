#pragma once

#include <string>
#include <string_view>

namespace ferlane {

// Where a run reports its steps: one whole line at a time, each reaching the
// user before the step it announces runs.
class Console {
public:
    virtual ~Console() = default;

    virtual void printLine(std::wstring_view text) = 0;

    // A line naming a file: the fixed prefix, then the name exactly as resolved
    // between double quotes.
    void printFileLine(std::wstring_view prefix, std::wstring_view fileName)
    {
        std::wstring line;
        line.reserve(prefix.size() + fileName.size() + 2);
        line.append(prefix).append(1, L'"').append(fileName).append(1, L'"');
        printLine(line);
    }
};

}  // namespace ferlane
