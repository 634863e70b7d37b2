// The real main window on an empty settings key, started on a temporary
// folder that is also the current one (the tree's "\" is its drive's root).
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>
#include <windows.h>
#include "tests/support/pictures.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/window_helpers.h"
#include "viewer/common/main_window_data.h"
#include "viewer/common/picture_entry.h"

// The path without its drive.
std::wstring NoDrive(const std::wstring& path);

class ViewerTest : public SettingsTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Stores the start mode, folder ("": m_folder) and file name; creates the window.
    void Start(DWORD dwMode = 0, const wchar_t* pszName = L"", const std::wstring& folder = L"");
    void Command(WORD wId) const { SendMessageW(m_hwnd, WM_COMMAND, wId, 0); }
    std::wstring Title() const { return WindowText(m_hwnd); }

    // The current picture's name; "" for none.
    std::wstring CurrentName() const {
        return m_pData && m_pData->pCurrentEntry ? m_pData->pCurrentEntry->szName : L"";
    }

    // The file list: a column's texts, a name's row, a selection of names, a
    // notification from it (a column tap is LVN_COLUMNCLICK on item -1).
    std::vector<std::wstring> Column(int nColumn) const;
    int RowOf(const wchar_t* pszName) const;
    void Select(std::initializer_list<const wchar_t*> names) const;
    void Notify(UINT nCode, int nItem, int nSubItem = 0) const;

    // "Delete" with its box answered by nButton; whether the box came up.
    bool AnswerDelete(int nButton) const;
    // "&Option" with during() run from another thread once the tab control
    // fills the sheet, which then closes through the shell's "ok".
    void RunOptionsSheet(const std::function<void(HWND hwndSheet)>& during) const;

    TempFolder m_folder;
    MainWindowData* m_pData = nullptr;
    HWND m_hwnd = NULL;
    HWND m_hwndList = NULL;

private:
    WCHAR m_szOldDir[MAX_PATH] = L"";
};
