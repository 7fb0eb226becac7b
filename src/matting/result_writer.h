#pragma once

#include "image/plane.h"

#include <string>

namespace ferlane {

// Where a stage's result picture goes. The driver hands one to the stages, as it
// hands them its console, and decides under which names a result may be written:
// never over one of the run's own inputs. Failures are thrown.
class ResultWriter {
public:
    virtual ~ResultWriter() = default;

    virtual void write(const std::wstring& path, const RgbImage& picture) = 0;
};

}  // namespace ferlane
