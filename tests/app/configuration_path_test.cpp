#include "app/configuration_path.h"
#include "app/executable_path.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace ferlane {
namespace {

#ifdef _WIN32
TEST(ConfigurationPath, ReplacesTheExecutableNameWithTheFileName)
{
    EXPECT_EQ(configurationPathBeside(L"D:\\tools\\matte.exe"), L"D:\\tools\\Ferlane.ini");
    EXPECT_EQ(configurationPathBeside(L"C:\\ferlane.exe"), L"C:\\Ferlane.ini");
    EXPECT_EQ(configurationPathBeside(L"ferlane.exe"), L"ferlane.exe\\Ferlane.ini");
    EXPECT_EQ(configurationPathBeside(L""), L"");
}

TEST(ConfigurationPath, ExecutablePathIsThisProgram)
{
    const std::filesystem::path self(executablePath());
    EXPECT_TRUE(self.is_absolute());
    EXPECT_EQ(self.filename(), "app_tests.exe");
    EXPECT_TRUE(std::filesystem::exists(self));
}
#else
TEST(ConfigurationPath, ReplacesTheExecutableNameWithTheFileName)
{
    EXPECT_EQ(configurationPathBeside(L"/opt/tools/ferlane"), L"/opt/tools/Ferlane.ini");
    EXPECT_EQ(configurationPathBeside(L"/ferlane"), L"/Ferlane.ini");
    EXPECT_EQ(configurationPathBeside(L"/a b/\u00E9t\u00E9/matte"), L"/a b/\u00E9t\u00E9/Ferlane.ini");
    // Without any separator the whole path is kept, as the Windows build does.
    EXPECT_EQ(configurationPathBeside(L"ferlane"), L"ferlane/Ferlane.ini");
    // A path that could not be found names no file at all.
    EXPECT_EQ(configurationPathBeside(L""), L"");
}

TEST(ConfigurationPath, ExecutablePathIsThisProgram)
{
    const std::filesystem::path self(executablePath());
    EXPECT_TRUE(self.is_absolute());
    EXPECT_TRUE(std::filesystem::equivalent(self, "/proc/self/exe"));
}
#endif

}  // namespace
}  // namespace ferlane
