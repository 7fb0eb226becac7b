#include "result_files.h"

#include "image/bmp_writer.h"

#include <algorithm>

namespace ferlane {

void ResultFiles::keep(const std::wstring& input)
{
    if (const auto identity = identifyFile(input)) {
        inputs_.push_back(*identity);
    }
}

void ResultFiles::write(const std::wstring& path, const Plane& red, const Plane& green, const Plane& blue)
{
    const auto identity = identifyFile(path);
    if (identity && std::find(inputs_.begin(), inputs_.end(), *identity) != inputs_.end()) {
        throw OverwriteRefusal();
    }
    writeBmpFile(path, red, green, blue);
}

void ResultFiles::write(const std::wstring& path, const RgbImage& picture)
{
    write(path, picture.red, picture.green, picture.blue);
}

}  // namespace ferlane
