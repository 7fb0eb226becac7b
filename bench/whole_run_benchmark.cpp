// Times whole runs of the tool against the I/O floor on generated scenes of about
// 1, 6 and 24 megapixels, with a warm page cache, and prints median wall times,
// peak resident memory, time per megapixel and bytes per pixel.
//
//   ferlane-bench FERLANE IO_FLOOR SCENE_GENERATOR WORK_DIRECTORY [RUNS]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Measurement {
    double seconds = 0;
    long peakKilobytes = 0;
};

Measurement runOnce(const std::vector<std::string>& command, const fs::path& directory)
{
    std::vector<char*> argv;
    std::vector<std::string> copy = command;
    for (std::string& argument : copy) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    const fs::path previous = fs::current_path();
    fs::current_path(directory);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 01 /* O_WRONLY */, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    fs::current_path(previous);
    if (spawned != 0) {
        std::cerr << "ferlane-bench: cannot start " << command[0] << "\n";
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::cerr << "ferlane-bench: " << command[0] << " failed\n";
        std::exit(1);
    }
    return {std::chrono::duration<double>(end - start).count(), usage.ru_maxrss};
}

Measurement median(std::vector<Measurement> runs)
{
    std::sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) { return a.seconds < b.seconds; });
    Measurement m = runs[runs.size() / 2];
    for (const Measurement& run : runs) {
        m.peakKilobytes = std::max(m.peakKilobytes, run.peakKilobytes);
    }
    return m;
}

void warmPageCache(const fs::path& directory)
{
    std::vector<char> buffer(1 << 20);
    for (const char* name : {"bg0.bmp", "image0.bmp", "bg1.bmp", "image1.bmp"}) {
        std::ifstream input(directory / name, std::ios::binary);
        while (input.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || input.gcount() > 0) {
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5 && argc != 6) {
        std::cerr << "usage: ferlane-bench FERLANE IO_FLOOR SCENE_GENERATOR WORK_DIRECTORY [RUNS]\n";
        return 2;
    }
    const std::string ferlane = fs::absolute(argv[1]).string();
    const std::string floor = fs::absolute(argv[2]).string();
    const std::string generator = fs::absolute(argv[3]).string();
    const fs::path work = fs::absolute(argv[4]);
    const int runs = argc == 6 ? std::max(1, std::atoi(argv[5])) : 5;

    struct Scene {
        int width, height;
    };
    const Scene scenes[] = {{1224, 816}, {3000, 2000}, {6000, 4000}};

    std::printf("%-12s %9s %10s %8s %11s %10s %8s\n", "scene", "pixels", "floor_ms", "run_ms", "ms_per_MP",
                "peak_MiB", "B/pixel");
    double ratio = 0, msPerMegapixel = 0, bytesPerPixel = 0;
    for (const Scene& scene : scenes) {
        const fs::path directory = work / (std::to_string(scene.width) + "x" + std::to_string(scene.height));
        fs::create_directories(directory);
        if (!fs::exists(directory / "image1.bmp")) {
            runOnce({generator, directory.string(), std::to_string(scene.width), std::to_string(scene.height)}, work);
        }
        warmPageCache(directory);
        std::vector<Measurement> floorRuns, toolRuns;
        for (int n = 0; n < runs; ++n) {
            floorRuns.push_back(runOnce({floor, directory.string()}, directory));
            fs::remove(directory / "alpha.bmp");
            toolRuns.push_back(runOnce({ferlane}, directory));
        }
        const Measurement f = median(floorRuns);
        const Measurement t = median(toolRuns);
        const double pixels = static_cast<double>(scene.width) * scene.height;
        ratio = t.seconds / f.seconds;
        msPerMegapixel = t.seconds * 1000 / (pixels / 1e6);
        bytesPerPixel = t.peakKilobytes * 1024.0 / pixels;
        std::printf("%5dx%-6d %9.0f %10.1f %8.1f %11.2f %10.1f %8.1f\n", scene.width, scene.height, pixels,
                    f.seconds * 1000, t.seconds * 1000, msPerMegapixel, t.peakKilobytes / 1024.0, bytesPerPixel);
    }
    std::printf("ratio_vs_io_floor=%.2f ms_per_megapixel=%.1f bytes_per_pixel=%.1f\n", ratio, msPerMegapixel,
                bytesPerPixel);
    return 0;
}
