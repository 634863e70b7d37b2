// The framework stand-in: command maps along a class chain, the one
// application object, and how the entry runs InitInstance, Run and
// ExitInstance.
#include "platform/mfc/afxwin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const UINT kBaseOnly = 0x8001, kOpen = 0x8002, kUnhandled = 0x8003;

// Every handler and step notes its letter in `calls`.
class BaseTestApp : public CWinApp {
public:
    void OnBaseOnly() { calls += 'b'; }
    std::string calls;
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(BaseTestApp, CWinApp)
    ON_COMMAND(kBaseOnly, BaseTestApp::OnBaseOnly)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

// InitInstance fails while quitCode is 0; otherwise it posts WM_QUIT with
// that code and starts the loop.
class TestApp : public BaseTestApp {
public:
    BOOL InitInstance() override
    {
        calls += 'i';
        if (quitCode != 0)
            PostQuitMessage(quitCode);
        return quitCode != 0;
    }
    int Run() override { calls += 'r'; return CWinApp::Run(); }
    int ExitInstance() override { calls += 'e'; return CWinApp::ExitInstance(); }
    void OnOpen() { calls += 'o'; }
    void OnOwnHelp() { calls += 'h'; }
    int quitCode = 0;
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(TestApp, BaseTestApp)
    ON_COMMAND(kOpen, TestApp::OnOpen)
    ON_COMMAND(ID_HELP, TestApp::OnOwnHelp)
END_MESSAGE_MAP()

TestApp theTestApp;

TEST(FrameworkTest, CommandsRunTheNearestHandlerOfTheClassChainOfTheOneApplication)
{
    theTestApp.calls.clear();
    EXPECT_TRUE(theTestApp.OnCmdMsg(kOpen));
    EXPECT_TRUE(theTestApp.OnCmdMsg(kBaseOnly));
    // The derived class's ID_HELP hides the base's, so WinHelp is not started.
    EXPECT_TRUE(theTestApp.OnCmdMsg(ID_HELP));
    EXPECT_FALSE(theTestApp.OnCmdMsg(kUnhandled));
    EXPECT_EQ(theTestApp.calls, "obh");
    {
        CWinApp second; // does not take the entry over
        EXPECT_EQ(AfxGetApp(), &theTestApp);
    }
    EXPECT_EQ(AfxGetApp(), &theTestApp);
}

TEST(FrameworkTest, TheEntryRunsTheLoopOnlyAfterASuccessfulInitInstance)
{
    theTestApp.calls.clear();
    char commandLine[] = "/quiet";
    HINSTANCE instance = GetModuleHandleA(nullptr);
    // A quit message waiting in the queue would end a loop at once; it must
    // not be taken when no loop runs.
    PostQuitMessage(9);
    EXPECT_EQ(AfxWinMain(instance, nullptr, commandLine, SW_HIDE), 0);
    EXPECT_EQ(theTestApp.calls, "ie");
    EXPECT_STREQ(theTestApp.m_lpCmdLine, commandLine);
    ASSERT_NE(theTestApp.m_pszHelpFilePath, nullptr);
    const char* name = strrchr(theTestApp.m_pszHelpFilePath, '\\');
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, "\\mfc_test.HLP");
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));

    // Started, the loop runs until WM_QUIT, and the entry returns its code.
    char empty[] = "";
    theTestApp.quitCode = 7;
    EXPECT_EQ(AfxWinMain(instance, nullptr, empty, SW_SHOW), 7);
    EXPECT_EQ(theTestApp.calls, "ieire");
}

} // namespace
