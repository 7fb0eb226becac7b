#pragma once

#include "file_identity.h"
#include "image/plane.h"

#include <exception>
#include <string>
#include <vector>

namespace ferlane {

// A result named after one of the run's inputs, by whatever path or link, is
// refused with this, as a file the BMP reader or writer cannot take is refused
// with its BmpRule: a test can tell it from a full disk, and the console reports
// them all alike.
class OverwriteRefusal : public std::exception {
public:
    const char* what() const noexcept override { return "refused to write a result over an input"; }
};

// Where a run's results go: to disk, under names that lead to none of its inputs.
// Opening a file for writing cuts it at once, so a result written over one of the
// photographs would destroy it.
class ResultFiles {
public:
    // Records a file the run has read; it must come through the run unchanged.
    void keep(const std::wstring& input);

    // Writes the picture as writeBmpFile does, or, where the name leads to a kept
    // file, throws OverwriteRefusal before the file is touched.
    void write(const std::wstring& path, const Plane& red, const Plane& green, const Plane& blue);
    void write(const std::wstring& path, const RgbImage& picture);

private:
    std::vector<FileIdentity> inputs_;
};

}  // namespace ferlane
