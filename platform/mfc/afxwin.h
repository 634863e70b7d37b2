// The few pieces of the desktop application framework that setup.exe uses:
// an application object with InitInstance, a command map, and the entry that
// runs the application. ANSI only, like the program it serves.
#pragma once

#include <windows.h>

#ifdef UNICODE
#error "The application framework stand-in is ANSI only; remove UNICODE for this target."
#endif

#define AFXAPI __stdcall

// Standard command numbers of the framework.
#define ID_HELP 0xE146

class CCmdTarget;
typedef void (CCmdTarget::*AFX_PMSG)();

struct AFX_MSGMAP_ENTRY {
    UINT nID;     // command number; 0 ends the table
    AFX_PMSG pfn; // handler, called with no arguments
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* pBaseMap; // the base class's map; null at the root
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Receives commands through its class's command map and those of its bases.
class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Runs the handler of nID; FALSE when no map in the chain handles it.
    virtual BOOL OnCmdMsg(UINT nID);

    // The entry of nID, looked up in the class's map first, then its bases'.
    const AFX_MSGMAP_ENTRY* FindCommandEntry(UINT nID) const;

protected:
    static const AFX_MSGMAP messageMap;
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

#define DECLARE_MESSAGE_MAP()                          \
protected:                                             \
    static const AFX_MSGMAP_ENTRY _messageEntries[];   \
    static const AFX_MSGMAP messageMap;                \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                               \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return &theClass::messageMap; }     \
    const AFX_MSGMAP theClass::messageMap = {&baseClass::messageMap,                        \
                                             &theClass::_messageEntries[0]};                \
    const AFX_MSGMAP_ENTRY theClass::_messageEntries[] = {

#define ON_COMMAND(id, memberFxn) {(id), static_cast<AFX_PMSG>(&memberFxn)},

#define END_MESSAGE_MAP() \
    {0, nullptr}          \
    }                     \
    ;

// The application: one static instance per program, made before the entry runs.
class CWinApp : public CCmdTarget {
public:
    CWinApp();
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Sets the application up; FALSE ends the program without a message loop.
    virtual BOOL InitInstance();
    // The message loop; returns ExitInstance's code once WM_QUIT arrives.
    virtual int Run();
    // The program's exit code: the WM_QUIT code, 0 when no loop ran.
    virtual int ExitInstance();

    // Opens the application's help file (the program's name with ".HLP").
    void OnHelp();

    HINSTANCE m_hInstance = nullptr;
    LPSTR m_lpCmdLine = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;
    LPCSTR m_pszHelpFilePath = nullptr;

protected:
    MSG m_msgCur = {};

private:
    friend int AFXAPI AfxWinMain(HINSTANCE, HINSTANCE, LPSTR, int);
    char m_helpPath[MAX_PATH] = {};
};

// The application object, or null before it is constructed and after it is destroyed.
CWinApp* AfxGetApp();

// Runs the application object: InitInstance, then the loop or ExitInstance.
int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
