// The tool looks for Ferlane.ini beside its own executable, wherever it is run
// from, while every name it resolves stays relative to the working directory.

#include "config/profile_string.h"
#include "scene_files.h"
#include "support/tool_run.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace ferlane {
namespace {

using namespace ferlane::support;
namespace fs = std::filesystem;

const std::string kReadLeft = "read background0 \"shots/left.bmp\"";

class ConfigurationFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(bin);
        fs::create_directories(work / "shots");
        fs::copy_file(toolExecutable(), bin / executableName);
        writeScene(work);
        fs::rename(work / "bg0.bmp", work / "shots" / "left.bmp");
    }

    ToolRun run(const std::string& executable, std::vector<std::string> arguments = {},
                std::map<std::string, std::string> environment = {{"LANG", "C.UTF-8"}})
    {
        return runTool({executable, std::move(arguments), work, std::move(environment)});
    }

    // The console line naming background 0's file, in a run that must succeed.
    static std::string background0Read(const ToolRun& result)
    {
        EXPECT_EQ(result.status, 0) << result.output;
        const std::vector<std::string> lines = linesOf(result.output);
        return lines.size() > 4 ? lines[4] : "no such line in:\n" + result.output;
    }

    ScratchFolder scratch;
    const std::string executableName = fs::path(toolExecutable()).filename().string();
    const fs::path bin = scratch / "bin";
    const fs::path work = scratch / "work";
};

TEST_F(ConfigurationFile, BesideTheExecutableNamesFilesRelativeToTheWorkingDirectory)
{
    writeFile(bin / "Ferlane.ini",
              "[Ferlane]\r\nBackground0=shots/left.bmp\r\nAlpha=DEFAULT\r\nError=out-error.bmp\r\n");
    const ToolRun result = run((bin / executableName).string());
    const std::vector<std::string> lines = linesOf(result.output);
    EXPECT_EQ(result.status, 0) << result.output;
    ASSERT_EQ(lines.size(), 4u + 9u);
    EXPECT_EQ(lines[4], kReadLeft);
    EXPECT_EQ(lines[9], "write alpha \"alpha.bmp\"");
    EXPECT_EQ(lines[10], "write calculation error \"out-error.bmp\"");
    EXPECT_EQ(readFile(work / "out-error.bmp"), bmpBytes(kErrorWritten));
    EXPECT_EQ(readFile(work / "fg.bmp"), bmpBytes(kForegroundComputed));
}

TEST_F(ConfigurationFile, IsFoundThroughPathAndThroughARelativeExecutablePath)
{
    writeFile(bin / "Ferlane.ini", "[Ferlane]\nBackground0=shots/left.bmp\n");
    const std::string path = bin.string() + ":" + std::getenv("PATH");
    std::vector<std::string> executables{"../bin/" + executableName};
    if (!toolIsEmulated()) {
        executables.push_back(executableName);  // found through PATH
    }
    for (const std::string& executable : executables) {
        SCOPED_TRACE(executable);
        fs::remove(work / "alpha.bmp");
        EXPECT_EQ(background0Read(run(executable, {}, {{"LANG", "C.UTF-8"}, {"PATH", path}})), kReadLeft);
    }
}

TEST_F(ConfigurationFile, IsFoundBesideAnExecutableWithAVeryLongPath)
{
    if (toolIsEmulated()) {
        GTEST_SKIP() << "Windows' profile functions do not reach past MAX_PATH";
    }
    fs::path deep = bin;
    for (int level = 0; level < 12; ++level) {
        deep /= "a-directory-whose-name-is-long-enough-to-matter-" + std::to_string(level);
    }
    ASSERT_GT(deep.string().size(), 600u);
    fs::create_directories(deep);
    fs::copy_file(bin / executableName, deep / executableName);
    writeFile(deep / "Ferlane.ini", "[Ferlane]\nBackground0=shots/left.bmp\n");
    EXPECT_EQ(background0Read(run((deep / executableName).string())), kReadLeft);
}

TEST_F(ConfigurationFile, InTheWorkingDirectoryIsNotRead)
{
    writeFile(work / "Ferlane.ini", "[Ferlane]\nBackground0=shots/left.bmp\n");
    const ToolRun result = run((bin / executableName).string());
    EXPECT_EQ(lastLinesOf(result.output, 2), (std::vector<std::string>{"read background0 \"bg0.bmp\"", "failed"}));
    EXPECT_EQ(result.status, 255);
}

TEST_F(ConfigurationFile, InUtf16WithNonAsciiNamesReachesTheFileSystem)
{
    const std::string name = "shots/\xC3\xA9t\xC3\xA9.bmp";
    fs::rename(work / "shots" / "left.bmp", work / name);
    writeFile(bin / "Ferlane.ini", utf16le(u"\uFEFF[Ferlane]\r\nBackground0 = \"shots/\u00E9t\u00E9.bmp\"\r\n"));
    std::vector<const char*> locales{"C.UTF-8"};
    if (!toolIsEmulated()) {
        locales.push_back("C");
    }
    for (const char* lang : locales) {
        SCOPED_TRACE(lang);
        fs::remove(work / "alpha.bmp");
        EXPECT_EQ(background0Read(run((bin / executableName).string(), {}, {{"LANG", lang}})),
                  "read background0 \"" + name + "\"");
    }
}

struct Unreadable {
    const char* name;
    void (*make)(const fs::path& file);
    // Linux only, where not 0: the run's environment is padded to this many bytes
    // and holds a configuration that names shots/left.bmp, for /proc/self/environ.
    std::uint64_t environmentBytes = 0;
    friend std::ostream& operator<<(std::ostream& out, const Unreadable& c) { return out << c.name; }
};

class UnreadableConfigurations : public ConfigurationFile, public ::testing::WithParamInterface<Unreadable> {};

// Whatever stands under the configuration file's name, a run that cannot read it
// as a file goes on with the defaults: it never fails and never waits.
TEST_P(UnreadableConfigurations, AreNoConfigurationAndNeverStopTheRun)
{
    std::map<std::string, std::string> environment{{"LANG", "C.UTF-8"}};
    if (const std::uint64_t bytes = GetParam().environmentBytes) {
        if (toolIsEmulated()) {
            GTEST_SKIP() << "/proc/self/environ is Linux's";
        }
        environment["FERLANE_TEST_INI"] = "\n[Ferlane]\nBackground0=shots/left.bmp\n";
        // One entry may hold at most 128 KiB.
        for (std::uint64_t padded = 0, n = 0; padded < bytes; padded += 100000, ++n) {
            environment["FERLANE_TEST_PADDING" + std::to_string(n)] = std::string(100000, 'x');
        }
    }
    GetParam().make(bin / "Ferlane.ini");
    fs::copy_file(work / "shots" / "left.bmp", work / "bg0.bmp");
    const ToolRun result = run((bin / executableName).string(), {}, environment);
    EXPECT_EQ(background0Read(result), "read background0 \"bg0.bmp\"");
    EXPECT_EQ(linesOf(result.output).back(), "write foreground \"fg.bmp\"");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, UnreadableConfigurations,
    ::testing::Values(Unreadable{"folder", [](const fs::path& file) { fs::create_directory(file); }},
                      Unreadable{"fifo", [](const fs::path& file) { ASSERT_EQ(mkfifo(file.c_str(), 0600), 0); }},
                      Unreadable{"link_to_an_endless_device",
                                 [](const fs::path& file) { fs::create_symlink("/dev/zero", file); }},
                      Unreadable{"larger_than_the_limit",
                                 [](const fs::path& file) {
                                     std::string text = "[Ferlane]\nBackground0=shots/left.bmp\n";
                                     text.resize(static_cast<std::size_t>(kProfileFileSizeLimit) + 1, ' ');
                                     writeFile(file, text);
                                 }},
                      // Its size reads as 0 until it is read: only the read can find it too long.
                      Unreadable{"link_to_a_file_that_grows_past_the_limit",
                                 [](const fs::path& file) { fs::create_symlink("/proc/self/environ", file); },
                                 kProfileFileSizeLimit + 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ferlane
