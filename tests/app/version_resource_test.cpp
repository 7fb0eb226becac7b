// What Windows shows in ferlane.exe's Properties, read through Windows' own calls.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

namespace ferlane {
namespace {

const std::wstring kVersion = L"" FERLANE_VERSION_FOR_TESTS;

class VersionResource : public ::testing::Test {
protected:
    void SetUp() override
    {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path_.c_str(), &ignored);
        ASSERT_GT(size, 0u) << "no version resource";
        data_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path_.c_str(), 0, size, data_.data()));
    }

    std::wstring text(const std::wstring& name)
    {
        void* value = nullptr;
        UINT length = 0;
        const std::wstring query = L"\\StringFileInfo\\040904B0\\" + name;
        if (!VerQueryValueW(data_.data(), query.c_str(), &value, &length) || length == 0) {
            return L"<missing>";
        }
        return std::wstring(static_cast<const wchar_t*>(value), length - 1);
    }

    static std::wstring dotted(DWORD high, DWORD low)
    {
        return std::to_wstring(HIWORD(high)) + L"." + std::to_wstring(LOWORD(high)) + L"." +
               std::to_wstring(HIWORD(low));
    }

    const std::wstring path_ = L"" FERLANE_EXECUTABLE_FOR_TESTS;
    std::vector<unsigned char> data_;
};

TEST_F(VersionResource, NamesTheProductAndItsVersion)
{
    const struct {
        const wchar_t* name;
        std::wstring expected;
    } strings[] = {{L"ProductName", L"Ferlane"},
                   {L"FileDescription", L"Ferlane two-background matting"},
                   {L"FileVersion", kVersion},
                   {L"ProductVersion", kVersion},
                   {L"OriginalFilename", L"ferlane.exe"}};
    for (const auto& s : strings) {
        EXPECT_EQ(text(s.name), s.expected) << s.name;
    }

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data_.data(), L"\\", &value, &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS), kVersion);
    EXPECT_EQ(dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS), kVersion);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

}  // namespace
}  // namespace ferlane
