// Times whole runs of the tool against the I/O floor on generated scenes, with a
// warm page cache, and prints for each program the minimum, median and maximum
// wall time over the runs, peak resident memory, time per megapixel and bytes per
// pixel. Every round runs each program once, in turn, so all of them meet the
// same machine: on a shared virtual machine, timings taken apart do not compare.
// The order rotates from round to round, so that no program always follows the same one.
//
//   ferlane-bench WORK_DIRECTORY SCENE_GENERATOR RUNS LARGE_RUNS NAME=PROGRAM...
//
// The first program is the I/O floor; each further one is a build of the tool.
// The 96-megapixel scene is run LARGE_RUNS times (0 leaves it out); the others RUNS times.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
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

// Before each timed run, a pause as long as a user's between two commands. Some
// virtual machines hand freed memory back to their host a moment after it is
// freed; a run started at once would reuse memory the previous run just left,
// which no user's run does.
constexpr auto kSettle = std::chrono::seconds(3);

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

struct Distribution {
    double min = 0, median = 0, max = 0;
    long peakKilobytes = 0;
};

Distribution distributionOf(std::vector<Measurement> runs)
{
    std::sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) { return a.seconds < b.seconds; });
    Distribution d;
    d.min = runs.front().seconds;
    d.max = runs.back().seconds;
    const std::size_t n = runs.size();
    d.median = n % 2 == 1 ? runs[n / 2].seconds : (runs[n / 2 - 1].seconds + runs[n / 2].seconds) / 2;
    for (const Measurement& run : runs) {
        d.peakKilobytes = std::max(d.peakKilobytes, run.peakKilobytes);
    }
    return d;
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

struct Program {
    std::string name;
    std::string path;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 7) {
        std::cerr
            << "usage: ferlane-bench WORK_DIRECTORY SCENE_GENERATOR RUNS LARGE_RUNS FLOOR=PROGRAM NAME=PROGRAM...\n";
        return 2;
    }
    const fs::path work = fs::absolute(argv[1]);
    const std::string generator = fs::absolute(argv[2]).string();
    const int runs = std::max(1, std::atoi(argv[3]));
    const int largeRuns = std::max(0, std::atoi(argv[4]));
    std::vector<Program> programs;
    for (int n = 5; n < argc; ++n) {
        const std::string argument = argv[n];
        const auto equals = argument.find('=');
        if (equals == std::string::npos) {
            std::cerr << "ferlane-bench: expected NAME=PROGRAM, got " << argument << "\n";
            return 2;
        }
        programs.push_back({argument.substr(0, equals), fs::absolute(argument.substr(equals + 1)).string()});
    }

    struct Scene {
        int width, height;
        int runs;
    };
    std::vector<Scene> scenes = {{1224, 816, runs}, {3000, 2000, runs}, {6000, 4000, runs}};
    if (largeRuns > 0) {
        scenes.push_back({12000, 8000, largeRuns});
    }

    std::printf("%-12s %-10s %5s %9s %9s %9s %9s %9s %8s %9s\n", "scene", "program", "runs", "min_ms", "median_ms",
                "max_ms", "x_floor", "ms_per_MP", "peak_MiB", "B/pixel");
    for (const Scene& scene : scenes) {
        const fs::path directory = work / (std::to_string(scene.width) + "x" + std::to_string(scene.height));
        fs::create_directories(directory);
        if (!fs::exists(directory / "image1.bmp")) {
            runOnce({generator, directory.string(), std::to_string(scene.width), std::to_string(scene.height)}, work);
        }
        warmPageCache(directory);
        std::vector<std::vector<Measurement>> measured(programs.size());
        for (int round = 0; round < scene.runs; ++round) {
            // Each round starts with another program: what runs just before a
            // program (the memory it left, the files it wrote) changes its time.
            for (std::size_t n = 0; n < programs.size(); ++n) {
                const std::size_t p = (n + static_cast<std::size_t>(round)) % programs.size();
                std::this_thread::sleep_for(kSettle);
                if (p == 0) {
                    measured[p].push_back(runOnce({programs[p].path, directory.string()}, directory));
                } else {
                    fs::remove(directory / "alpha.bmp");  // compute alpha every time
                    measured[p].push_back(runOnce({programs[p].path}, directory));
                }
            }
        }
        const double pixels = static_cast<double>(scene.width) * scene.height;
        const Distribution floor = distributionOf(measured[0]);
        for (std::size_t p = 0; p < programs.size(); ++p) {
            const Distribution d = distributionOf(measured[p]);
            std::printf("%5dx%-6d %-10s %5d %9.1f %9.1f %9.1f %9.2f %9.2f %8.1f %9.1f\n", scene.width, scene.height,
                        programs[p].name.c_str(), scene.runs, d.min * 1000, d.median * 1000, d.max * 1000,
                        d.median / floor.median, d.median * 1000 / (pixels / 1e6), d.peakKilobytes / 1024.0,
                        d.peakKilobytes * 1024.0 / pixels);
        }
        std::fflush(stdout);
    }
    return 0;
}
