// Micro-benchmarks of the four stages that scale with the picture: reading,
// writing, alpha and foreground. Each reports megapixels per second ("MP/s")
// on a synthetic scene of the size given in megapixels.

#include "image/bmp_reader.h"
#include "image/bmp_writer.h"
#include "matting/alpha.h"
#include "matting/foreground.h"

#include <benchmark/benchmark.h>

#include <sstream>
#include <streambuf>

namespace {

using ferlane::Plane;
using ferlane::RgbImage;

constexpr Eigen::Index kColumns = 1000;

// A deterministic scene: two backgrounds and a subject blending over both.
struct Scene {
    RgbImage background0, image0, background1, image1;

    explicit Scene(Eigen::Index megapixels)
    {
        const Eigen::Index rows = megapixels * 1000;
        for (RgbImage* image : {&background0, &image0, &background1, &image1}) {
            image->resize(rows, kColumns);
        }
        for (Eigen::Index r = 0; r < rows; ++r) {
            for (Eigen::Index c = 0; c < kColumns; ++c) {
                const int alpha = static_cast<int>((r * 7 + c * 3) % 256);
                const int f[3] = {static_cast<int>(c % 256), static_cast<int>(r % 256), 128};
                const int b0[3] = {30, 180, 60};
                const int b1[3] = {210, 50, 200};
                Plane* p0[3] = {&background0.red, &background0.green, &background0.blue};
                Plane* p1[3] = {&background1.red, &background1.green, &background1.blue};
                Plane* q0[3] = {&image0.red, &image0.green, &image0.blue};
                Plane* q1[3] = {&image1.red, &image1.green, &image1.blue};
                for (int k = 0; k < 3; ++k) {
                    (*p0[k])(r, c) = b0[k];
                    (*p1[k])(r, c) = b1[k];
                    (*q0[k])(r, c) = (alpha * f[k] + (255 - alpha) * b0[k]) / 255;
                    (*q1[k])(r, c) = (alpha * f[k] + (255 - alpha) * b1[k]) / 255;
                }
            }
        }
    }
    double pixels() const { return static_cast<double>(background0.red.size()); }
};

void reportPixels(benchmark::State& state, double pixels)
{
    state.counters["MP/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

class DiscardingBuffer : public std::streambuf {
protected:
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
};

void BM_ReadBmp(benchmark::State& state)
{
    const Scene scene(state.range(0));
    std::ostringstream file;
    ferlane::writeBmp(file, scene.image0.red, scene.image0.green, scene.image0.blue);
    const std::string bytes = file.str();
    RgbImage image;
    for (auto _ : state) {
        std::istringstream input(bytes);
        ferlane::readBmp(input, image);
        benchmark::DoNotOptimize(image.red.data());
    }
    reportPixels(state, scene.pixels());
}

void BM_WriteBmp(benchmark::State& state)
{
    const Scene scene(state.range(0));
    DiscardingBuffer discard;
    std::ostream output(&discard);
    for (auto _ : state) {
        ferlane::writeBmp(output, scene.image0.red, scene.image0.green, scene.image0.blue);
    }
    reportPixels(state, scene.pixels());
}

void BM_Alpha(benchmark::State& state)
{
    const Scene scene(state.range(0));
    Plane alpha, error;
    for (auto _ : state) {
        ferlane::reconstructAlpha(scene.background0, scene.image0, scene.background1, scene.image1, alpha, error);
        benchmark::DoNotOptimize(alpha.data());
    }
    reportPixels(state, scene.pixels());
}

void BM_Foreground(benchmark::State& state)
{
    const Scene scene(state.range(0));
    Plane alpha, error;
    ferlane::reconstructAlpha(scene.background0, scene.image0, scene.background1, scene.image1, alpha, error);
    RgbImage foreground;
    for (auto _ : state) {
        ferlane::reconstructForeground(scene.background0, scene.image0, scene.background1, scene.image1, alpha,
                                       foreground);
        benchmark::DoNotOptimize(foreground.red.data());
    }
    reportPixels(state, scene.pixels());
}

BENCHMARK(BM_ReadBmp)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBmp)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Alpha)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Foreground)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
