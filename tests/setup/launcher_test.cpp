// The launcher's command lines, and the built setup.exe against a fake
// application manager registered in the test prefix.
#include "setup/manager_command.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <process.h>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

const char kManager[] = "C:\\Program Files\\Sync Tools\\CEAPPMGR.EXE";
const char kDescription[] = "E:\\Dist\\Ombrix Viewer.ini";
const char kAppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";

TEST(ManagerCommandTest, CommandsAndPathsThatDoNotFitOrHoldAQuoteAreRefusedNotCut)
{
    char command[600], path[9];
    ASSERT_TRUE(FormatManagerCommand(command, sizeof(command), kManager, kDescription, true));
    EXPECT_FALSE(FormatManagerCommand(command, strlen(command), kManager, kDescription, true));
    EXPECT_STREQ(command, "");
    // A quotation mark would end the quoting early and pass the rest as arguments.
    EXPECT_FALSE(FormatManagerCommand(command, sizeof(command), "C:\\a\" /x \"b.exe", kDescription, false));
    EXPECT_FALSE(UnquoteManagerPath("a\"b", path, sizeof(path)));
    EXPECT_TRUE(UnquoteManagerPath("\"C:\\a.exe\"", path, sizeof(path)));
    EXPECT_STREQ(path, "C:\\a.exe");
    EXPECT_FALSE(UnquoteManagerPath("C:\\ab.exe", path, sizeof(path)));
    EXPECT_STREQ(path, "");
}

// The fake manager in "App Manager", and a decoy "App.exe" beside it that an
// unquoted command line would start; setup.exe in "Dist Folder".
class LauncherTest : public testing::Test {
protected:
    void SetUp() override
    {
        char here[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, here, MAX_PATH);
        strrchr(here, '\\')[1] = '\0';
        work_ = std::string(here) + "launcher-work", manager_ = work_ + "\\App Manager\\CEAPPMGR.EXE";
        log_ = work_ + "\\manager.log", dist_ = work_ + "\\Dist Folder";
        for (const std::string& folder : {work_, work_ + "\\App Manager", dist_})
            CreateDirectoryA(folder.c_str(), nullptr);
        for (const std::string& copy : {manager_, work_ + "\\App.exe"})
            ASSERT_TRUE(CopyFileA((std::string(here) + "fake_app_manager.exe").c_str(), copy.c_str(), FALSE));
        ASSERT_TRUE(CopyFileA((std::string(here) + "..\\..\\setup\\setup.exe").c_str(),
                              (dist_ + "\\setup.exe").c_str(), FALSE));
        DeleteFileA(log_.c_str());
        SetEnvironmentVariableA("OMBRIX_FAKE_MANAGER_LOG", log_.c_str());
        SetCurrentDirectoryA(work_.c_str());
    }
    void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAppPaths); }

    void Register(const std::string& value, DWORD type)
    {
        ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, kAppPaths, nullptr, type, value.c_str(),
                                  static_cast<DWORD>(value.size() + 1)), ERROR_SUCCESS);
    }
    intptr_t RunSetupExe() { return _spawnl(_P_WAIT, (dist_ + "\\setup.exe").c_str(), "setup.exe", nullptr); }
    // The manager's log lines in start order, once `count` came and a moment
    // longer for an unexpected one.
    std::vector<std::string> ManagerLines(size_t count)
    {
        std::vector<std::string> lines;
        for (int i = 0; i < 100 && (lines.size() < count || i < 4); ++i, Sleep(100)) {
            lines.clear();
            std::ifstream in(log_);
            for (std::string line; std::getline(in, line);)
                lines.push_back(line.substr(0, line.find_last_not_of('\r') + 1));
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    std::string work_, manager_, log_, dist_;
};

TEST_F(LauncherTest, StartsTheManagerTwiceQuotedFromItsOwnFolder)
{
    // Some installers register the path quoted and with a variable in it.
    SetEnvironmentVariableA("OMBRIX_TEST_MANAGER_DIR", (work_ + "\\App Manager").c_str());
    const std::pair<std::string, DWORD> registrations[] = {
        {manager_, REG_SZ}, {"\"%OMBRIX_TEST_MANAGER_DIR%\\CEAPPMGR.EXE\"", REG_EXPAND_SZ}};
    // Each log line: creation time, program, current directory, command line.
    std::string started = manager_ + "\t" + dist_ + "\t\"" + manager_ + "\" ";
    std::string description = "\"" + dist_ + "\\Ombrix Viewer.ini\"";
    for (const auto& [value, type] : registrations) {
        SCOPED_TRACE(value);
        DeleteFileA(log_.c_str());
        Register(value, type);
        EXPECT_EQ(RunSetupExe(), 0);
        std::vector<std::string> lines = ManagerLines(2);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].substr(lines[0].find('\t') + 1), started + "/register " + description);
        EXPECT_EQ(lines[1].substr(lines[1].find('\t') + 1), started + description);
    }
}

TEST_F(LauncherTest, AManagerThatIsMissingOrCannotStartGivesTheErrorBox)
{
    for (const char* value : {"", "C:\\Gone Manager\\CEAPPMGR.EXE"}) {
        SCOPED_TRACE(value);
        if (value[0] != '\0')
            Register(value, REG_SZ);
        bool box = false;
        std::thread closer([&box] {
            HWND ok = nullptr;
            for (int i = 0; i < 100 && ok == nullptr; ++i, Sleep(100))
                ok = GetDlgItem(FindWindowA("#32770", "Error"), IDOK);
            if ((box = ok != nullptr))
                SendMessageA(ok, BM_CLICK, 0, 0);
        });
        EXPECT_EQ(RunSetupExe(), 0);
        closer.join();
        EXPECT_TRUE(box) << "no Error box with an OK button";
        EXPECT_TRUE(ManagerLines(0).empty()) << "the manager ran";
    }
}

} // namespace
