// The framework stand-in: command maps along a class chain, the single
// application object, and how the entry runs InitInstance, Run and
// ExitInstance.
#include "platform/mfc/afxwin.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const UINT kBaseOnly = 0x8001;
const UINT kOpen = 0x8002;
const UINT kUnhandled = 0x8003;

class BaseTestApp : public CWinApp {
public:
    void OnBaseOnly() { ++baseOnlyCalls; }
    int baseOnlyCalls = 0;

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BaseTestApp, CWinApp)
    ON_COMMAND(kBaseOnly, BaseTestApp::OnBaseOnly)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

class TestApp : public BaseTestApp {
public:
    BOOL InitInstance() override
    {
        ++initCalls;
        if (postQuit)
            PostQuitMessage(quitCode);
        return startLoop;
    }
    int Run() override
    {
        ++runCalls;
        return CWinApp::Run();
    }
    int ExitInstance() override
    {
        ++exitCalls;
        return CWinApp::ExitInstance();
    }
    void OnOpen() { ++openCalls; }
    void OnOwnHelp() { ++helpCalls; }

    void Reset()
    {
        initCalls = runCalls = exitCalls = openCalls = helpCalls = baseOnlyCalls = 0;
        startLoop = FALSE;
        postQuit = false;
        quitCode = 0;
    }

    int initCalls = 0, runCalls = 0, exitCalls = 0, openCalls = 0, helpCalls = 0;
    BOOL startLoop = FALSE;
    bool postQuit = false;
    int quitCode = 0;

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestApp, BaseTestApp)
    ON_COMMAND(kOpen, TestApp::OnOpen)
    ON_COMMAND(ID_HELP, TestApp::OnOwnHelp)
END_MESSAGE_MAP()

TestApp theTestApp;

class FrameworkTest : public testing::Test {
protected:
    void SetUp() override { theTestApp.Reset(); }
};

TEST_F(FrameworkTest, CommandsRunTheNearestHandlerInTheClassChain)
{
    EXPECT_TRUE(theTestApp.OnCmdMsg(kOpen));
    EXPECT_TRUE(theTestApp.OnCmdMsg(kBaseOnly));
    // The derived class's ID_HELP hides the base's, so WinHelp is not started.
    EXPECT_TRUE(theTestApp.OnCmdMsg(ID_HELP));
    EXPECT_FALSE(theTestApp.OnCmdMsg(kUnhandled));

    EXPECT_EQ(theTestApp.openCalls, 1);
    EXPECT_EQ(theTestApp.baseOnlyCalls, 1);
    EXPECT_EQ(theTestApp.helpCalls, 1);
}

TEST_F(FrameworkTest, TheFirstApplicationObjectStaysTheApplication)
{
    EXPECT_EQ(AfxGetApp(), &theTestApp);
    {
        CWinApp second;
        EXPECT_EQ(AfxGetApp(), &theTestApp);
    }
    EXPECT_EQ(AfxGetApp(), &theTestApp);
}

TEST_F(FrameworkTest, FailedInitInstanceEndsWithoutAMessageLoop)
{
    char commandLine[] = "/quiet";
    HINSTANCE instance = GetModuleHandleA(nullptr);
    // A quit message waiting in the queue would end a loop at once; it must
    // not be taken when no loop runs.
    PostQuitMessage(9);

    EXPECT_EQ(AfxWinMain(instance, nullptr, commandLine, SW_HIDE), 0);
    EXPECT_EQ(theTestApp.initCalls, 1);
    EXPECT_EQ(theTestApp.runCalls, 0);
    EXPECT_EQ(theTestApp.exitCalls, 1);
    EXPECT_EQ(theTestApp.m_hInstance, instance);
    EXPECT_STREQ(theTestApp.m_lpCmdLine, commandLine);
    EXPECT_EQ(theTestApp.m_nCmdShow, SW_HIDE);
    ASSERT_NE(theTestApp.m_pszHelpFilePath, nullptr);
    const char* name = strrchr(theTestApp.m_pszHelpFilePath, '\\');
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, "\\mfc_test.HLP");

    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(FrameworkTest, StartedLoopRunsUntilQuitAndReturnsItsCode)
{
    char commandLine[] = "";
    theTestApp.startLoop = TRUE;
    theTestApp.postQuit = true;
    theTestApp.quitCode = 7;

    EXPECT_EQ(AfxWinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOW), 7);
    EXPECT_EQ(theTestApp.runCalls, 1);
    EXPECT_EQ(theTestApp.exitCalls, 1);
}

} // namespace
