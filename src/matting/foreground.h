#pragma once

#include "console.h"
#include "image/plane.h"
#include "result_writer.h"

#include <string>

namespace ferlane {

// Recovers the subject's own colour at every pixel from alpha and the four
// photographs. Alpha 255 copies image 0, alpha 0 gives black; any other value,
// negative or above 255 included, solves the compositing model per channel with
// whichever photograph lies closer to its own background (image 1 on a tie).
// Results are not clamped: the BMP writer does that.
void reconstructForeground(const RgbImage& background0, const RgbImage& image0,
                           const RgbImage& background1, const RgbImage& image1,
                           const Plane& alpha, RgbImage& foreground);

// The run's last stage: announces itself, reconstructs the foreground and writes it
// through `results` under the given name, announcing the write. Failures of the
// write propagate.
void runForegroundStage(Console& console, ResultWriter& results, const std::wstring& foregroundPath,
                        const RgbImage& background0, const RgbImage& image0,
                        const RgbImage& background1, const RgbImage& image1, const Plane& alpha);

}  // namespace ferlane
