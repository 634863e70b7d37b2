// The launcher: its command lines, and the built setup.exe against a fake
// application manager (fake_app_manager.exe, beside this test) registered in
// the test prefix.
#include "setup/manager_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

namespace {

const char kManager[] = "C:\\Program Files\\Sync Tools\\CEAPPMGR.EXE";
const char kDescription[] = "E:\\Dist\\Ombrix Viewer.ini";
const char kAppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";

TEST(ManagerCommandTest, ACommandThatDoesNotFitOrHoldsAQuoteIsRefusedNotCut)
{
    char command[600];
    ASSERT_TRUE(FormatManagerCommand(command, sizeof(command), kManager, kDescription, true));
    size_t needed = strlen(command) + 1;
    memset(command, 'x', sizeof(command));
    EXPECT_FALSE(FormatManagerCommand(command, needed - 1, kManager, kDescription, true));
    EXPECT_STREQ(command, "");
    EXPECT_TRUE(FormatManagerCommand(command, needed, kManager, kDescription, true));
    // Two paths of the longest length still fit the launcher's buffer size.
    std::string longPath = "C:\\" + std::string(255, 'a');
    char large[2 * 260 + 32];
    EXPECT_TRUE(FormatManagerCommand(large, sizeof(large), longPath.c_str(), longPath.c_str(), true));

    // A quotation mark would close the quoting early and pass the rest as arguments.
    EXPECT_FALSE(FormatManagerCommand(command, sizeof(command), "C:\\a\" /x \"b.exe", kDescription, false));
    EXPECT_STREQ(command, "");
    EXPECT_FALSE(FormatManagerCommand(command, sizeof(command), kManager, "E:\\x\".ini", true));
}

TEST(ManagerCommandTest, RegisteredPathsAreUnquotedOnceAndMustFit)
{
    char path[260];
    EXPECT_FALSE(UnquoteManagerPath("", path, sizeof(path)));
    EXPECT_FALSE(UnquoteManagerPath("\"\"", path, sizeof(path)));
    EXPECT_FALSE(UnquoteManagerPath("\"C:\\Sync Tools\\CEAPPMGR.EXE", path, sizeof(path)));
    EXPECT_FALSE(UnquoteManagerPath("C:\\a\" \"b.exe", path, sizeof(path)));
    EXPECT_STREQ(path, "");
    char small[9];
    EXPECT_TRUE(UnquoteManagerPath("\"C:\\a.exe\"", small, sizeof(small)));
    EXPECT_FALSE(UnquoteManagerPath("C:\\ab.exe", small, sizeof(small)));
}

// The fake manager in "App Manager", and a copy as "App.exe" beside that
// folder: the program an unquoted command line starts instead. setup.exe
// lies in "Dist Folder" and runs from the work folder.
class LauncherTest : public testing::Test {
protected:
    void SetUp() override
    {
        GetModuleFileNameA(nullptr, here_, MAX_PATH);
        strrchr(here_, '\\')[1] = '\0';
        work_ = std::string(here_) + "launcher-work";
        manager_ = work_ + "\\App Manager\\CEAPPMGR.EXE";
        log_ = work_ + "\\manager.log";
        dist_ = work_ + "\\Dist Folder";
        CreateDirectoryA(work_.c_str(), nullptr);
        CreateDirectoryA((work_ + "\\App Manager").c_str(), nullptr);
        std::string fake = std::string(here_) + "fake_app_manager.exe";
        ASSERT_TRUE(CopyFileA(fake.c_str(), manager_.c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(fake.c_str(), (work_ + "\\App.exe").c_str(), FALSE));
        CreateDirectoryA(dist_.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA((std::string(here_) + "..\\..\\setup\\setup.exe").c_str(),
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
    DWORD RunSetupExe()
    {
        std::string command = "\"" + dist_ + "\\setup.exe\"";
        STARTUPINFOA startup = {sizeof(startup)};
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process))
            return GetLastError();
        if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0)
            TerminateProcess(process.hProcess, 1);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return code;
    }
    // The manager's log lines in the order the processes started: waits for
    // `count` lines, and a moment longer for an unexpected one.
    std::vector<std::string> ManagerLines(size_t count)
    {
        std::vector<std::string> lines;
        auto read = [&] {
            lines.clear();
            std::ifstream in(log_);
            for (std::string line; std::getline(in, line);)
                lines.push_back(line.substr(0, line.find_last_not_of('\r') + 1));
            return lines.size();
        };
        for (int i = 0; i < 100 && read() < count; ++i)
            Sleep(100);
        Sleep(300);
        read();
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    char here_[MAX_PATH] = {};
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
        EXPECT_EQ(RunSetupExe(), 0u);
        std::vector<std::string> lines = ManagerLines(2);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].substr(lines[0].find('\t') + 1), started + "/register " + description);
        EXPECT_EQ(lines[1].substr(lines[1].find('\t') + 1), started + description);
    }
}

// Presses OK on setup.exe's failure box; false when no "Error" box with an OK
// button comes.
bool CloseErrorBox()
{
    HWND box = nullptr;
    for (int i = 0; i < 100 && box == nullptr; ++i, Sleep(100))
        box = FindWindowA("#32770", "Error");
    HWND ok = box != nullptr ? GetDlgItem(box, IDOK) : nullptr;
    if (ok != nullptr)
        SendMessageA(ok, BM_CLICK, 0, 0);
    return ok != nullptr;
}

TEST_F(LauncherTest, AManagerThatIsMissingOrCannotStartGivesTheErrorBox)
{
    for (const char* value : {"", "C:\\Gone Manager\\CEAPPMGR.EXE"}) {
        SCOPED_TRACE(value);
        if (value[0] != '\0')
            Register(value, REG_SZ);
        bool box = false;
        std::thread closer([&box] { box = CloseErrorBox(); });
        EXPECT_EQ(RunSetupExe(), 0u);
        closer.join();
        EXPECT_TRUE(box);
        EXPECT_TRUE(ManagerLines(0).empty()) << "the manager ran";
    }
}

} // namespace
