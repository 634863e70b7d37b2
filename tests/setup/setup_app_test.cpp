// setup.exe as built: its application object and command map, and the
// resources the launcher and the desktop read from the file.
#include "setup/setup_app.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(SetupAppTest, TheOneApplicationRoutesOnlyHelpToTheFrameworksHandler)
{
    CWinApp* app = AfxGetApp();
    ASSERT_NE(dynamic_cast<CSetupApp*>(app), nullptr);

    const AFX_MSGMAP_ENTRY* help = app->FindCommandEntry(ID_HELP);
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->pfn == static_cast<AFX_PMSG>(&CWinApp::OnHelp));
    EXPECT_EQ(app->FindCommandEntry(IDOK), nullptr);
}

// The test runs in the folder of the built setup.exe.
class SetupResourcesTest : public testing::Test {
protected:
    void SetUp() override
    {
        module_ = LoadLibraryExA("setup.exe", nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << "setup.exe not found beside the test's folder";
    }
    void TearDown() override
    {
        if (module_ != nullptr)
            FreeLibrary(module_);
    }
    HMODULE module_ = nullptr;
};

TEST_F(SetupResourcesTest, DescriptionNameAndIconGroup)
{
    char name[260] = {};
    ASSERT_GT(LoadStringA(module_, 104, name, sizeof(name)), 0);
    EXPECT_STREQ(name, "Ombrix Viewer.ini");

    HRSRC group = FindResourceA(module_, MAKEINTRESOURCEA(128), reinterpret_cast<LPCSTR>(RT_GROUP_ICON));
    ASSERT_NE(group, nullptr);
    // An icon directory: reserved 0, type 1, then the number of images.
    const WORD* header = static_cast<const WORD*>(LockResource(LoadResource(module_, group)));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header[1], 1);
    EXPECT_GE(header[2], 2);
}

TEST_F(SetupResourcesTest, VersionInformation)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA("setup.exe", &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA("setup.exe", 0, size, info.data()));

    // The desktop reads the fixed version and the strings of the table the
    // translation names.
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 0x04b0);
    const struct {
        const char* field;
        const char* value;
    } strings[] = {{"FileDescription", "Ombrix Viewer Installer"}, {"OriginalFilename", "Setup.exe"}};
    for (const auto& s : strings) {
        char query[80];
        _snprintf_s(query, sizeof(query), _TRUNCATE, "\\StringFileInfo\\040904b0\\%s", s.field);
        char* value = nullptr;
        ASSERT_TRUE(VerQueryValueA(info.data(), query, reinterpret_cast<void**>(&value), &length))
            << s.field;
        EXPECT_STREQ(value, s.value) << s.field;
    }
}

} // namespace
