#include "warm_up.h"

#include "image/bmp_writer.h"
#include "image/plane.h"
#include "page_run.h"
#include "plan/run_plan.h"

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>

namespace ferlane::page {
namespace {

// A picture of noise, different for each seed.
std::string noiseBmp(int seed, Eigen::Index side)
{
    RgbImage picture;
    picture.resize(side, side);
    std::uint32_t x = 2463534242u + static_cast<std::uint32_t>(seed);
    for (Plane* plane : {&picture.red, &picture.green, &picture.blue}) {
        for (Eigen::Index k = 0; k < plane->size(); ++k) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            plane->data()[k] = static_cast<std::int32_t>(x & 0xFF);
        }
    }
    std::ostringstream file;
    writeBmp(file, picture.red, picture.green, picture.blue);
    return file.str();
}

}  // namespace

void warmUp()
{
    // Large enough that every loop of a run counts as hot, small enough to take
    // a few milliseconds.
    constexpr Eigen::Index kSide = 384;
    PageRun run;
    for (int slot = FERLANE_SLOT_BACKGROUND0; slot <= FERLANE_SLOT_IMAGE1; ++slot) {
        run.choose(slot, plan::namingOf(static_cast<plan::Picture>(slot)).defaultName);
    }
    for (int step = run.next(); step != FERLANE_STEP_DONE && step != FERLANE_STEP_FAILED; step = run.next()) {
        if (step == FERLANE_STEP_PICTURE) {
            const std::string file = noiseBmp(run.slot(), kSide);
            if (std::uint8_t* buffer = run.bmpBuffer(file.size())) {
                std::copy(file.begin(), file.end(), buffer);
                run.takeBmp();
            }
        } else if (step == FERLANE_STEP_COMPUTE) {
            run.compute();
        }
    }
}

}  // namespace ferlane::page
