#pragma once

#include "support/files.h"

#include <string>

namespace ferlane::support {

// A Ferlane.ini holding these bytes, in a scratch folder of its own.
class ScratchConfiguration {
public:
    explicit ScratchConfiguration(const std::string& bytes) { writeFile(folder_ / "Ferlane.ini", bytes); }
    std::wstring path() const { return (folder_ / "Ferlane.ini").wstring(); }

private:
    ScratchFolder folder_;
};

}  // namespace ferlane::support
