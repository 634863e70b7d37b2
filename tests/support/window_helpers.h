// Message pumping, waits on conditions, modal boxes, real input and logging
// windows: the window tests' helpers.
#pragma once

#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>
#include <windows.h>

// Serves this thread's messages for ms milliseconds.
void PumpFor(DWORD ms);
// Serves messages until done() or the time runs out; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD msTimeout = 2000);
// Polls a condition from any thread (no messages served); false on timeout.
bool PollUntil(const std::function<bool()>& done, DWORD dwMs = 5000);
// Runs send() while another thread waits up to dwMs for find() to give a
// visible window (a modal box) and hands it to act(); whether it came.
bool WhileWindowShows(const std::function<HWND()>& find, const std::function<void(HWND)>& act,
                      const std::function<void()>& send, DWORD dwMs = 5000);

// A window's text (up to 511 units).
std::wstring WindowText(HWND hwnd);
// The first visible dialog of a thread; given an item, only one that holds it.
HWND VisibleDialog(DWORD dwThread, int nItem = 0);

// Keyboard and mouse input through the system's input queue, as a user's.
void SendKey(WORD vk, bool bUp);
void PressKey(WORD vk);
void MouseMoveTo(int x, int y);  // screen pixels
void MouseButton(bool bRight, bool bUp);
void ClickAt(int x, int y, bool bRight = false);

// A top-level or child window that logs what it is sent, and lets a test
// handle a message itself (return true to claim it).
struct LoggedMessage
{
    UINT uMsg;
    WPARAM wParam;
    LPARAM lParam;
};

struct LoggingWindow
{
    HWND hwnd = nullptr;
    std::vector<LoggedMessage> log;
    std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> onMessage;

    // Top-level popup when hwndParent is null, else a child.
    bool Create(const wchar_t* pszTitle, int x, int y, int cx, int cy, HWND hwndParent = nullptr, int nId = 0);
    ~LoggingWindow();
    int Count(UINT uMsg) const;
    const LoggedMessage* Find(UINT uMsg) const;
};

// Makes hwnd the foreground window and waits until it is.
bool BringToFront(HWND hwnd);

// A test with a window the size of the viewer's in front, its log empty.
class FrontWindowTest : public ::testing::Test
{
protected:
    explicit FrontWindowTest(const wchar_t* pszTitle) : m_pszTitle(pszTitle) {}
    void SetUp() override
    {
        ASSERT_TRUE(main.Create(m_pszTitle, 0, 26, 240, 268));
        ASSERT_TRUE(BringToFront(main.hwnd));
        PumpFor(50);
        main.log.clear();
    }
    LoggingWindow main;

private:
    const wchar_t* m_pszTitle;
};
