// The framework's entry as setup.exe uses it: InitInstance, the message loop
// only when that succeeded, then ExitInstance.
#include "platform/mfc/afxwin.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// Notes each step's letter; InitInstance fails while quitCode is 0, otherwise
// it posts WM_QUIT with that code.
class TestApp : public CWinApp {
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
    std::string calls;
    int quitCode = 0;
} theTestApp;

TEST(FrameworkTest, TheEntryRunsTheLoopOnlyAfterASuccessfulInitInstance)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    MSG msg;
    char commandLine[] = "/quiet", empty[] = "";
    // A waiting quit message would end a loop at once; with no loop it stays queued.
    PostQuitMessage(9);
    EXPECT_EQ(AfxWinMain(instance, nullptr, commandLine, SW_HIDE), 0);
    EXPECT_EQ(theTestApp.calls, "ie");
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));

    theTestApp.quitCode = 7;
    EXPECT_EQ(AfxWinMain(instance, nullptr, empty, SW_SHOW), 7);
    EXPECT_EQ(theTestApp.calls, "ieire");
}

} // namespace
