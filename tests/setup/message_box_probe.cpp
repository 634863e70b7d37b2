// Finds the launcher's failure box, checks what it shows, and closes it with
// its OK button. Prints what it found; exits 0 only when the box is an
// unowned dialog captioned <caption> with an icon, no text and one button.
// Usage: message_box_probe <caption> <seconds to wait>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

struct BoxContents {
    int buttons = 0;
    int icons = 0;
    int textChars = 0;
    char buttonText[64] = {};
};

BOOL CALLBACK CountChild(HWND child, LPARAM param)
{
    auto* contents = reinterpret_cast<BoxContents*>(param);
    char className[32] = {};
    GetClassNameA(child, className, sizeof(className));
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (!(style & WS_VISIBLE))
        return TRUE;
    if (lstrcmpiA(className, "Button") == 0) {
        ++contents->buttons;
        GetWindowTextA(child, contents->buttonText, sizeof(contents->buttonText));
    } else if (lstrcmpiA(className, "Static") == 0) {
        if ((style & SS_TYPEMASK) == SS_ICON) {
            if (SendMessageA(child, STM_GETICON, 0, 0) != 0)
                ++contents->icons;
        } else {
            contents->textChars += GetWindowTextLengthA(child);
        }
    }
    return TRUE;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: message_box_probe <caption> <seconds>\n");
        return 2;
    }
    const char* caption = argv[1];
    DWORD limit = static_cast<DWORD>(atoi(argv[2])) * 1000;

    // Message boxes are dialogs of class "#32770".
    HWND box = nullptr;
    for (DWORD waited = 0; box == nullptr && waited < limit; waited += 100) {
        box = FindWindowA("#32770", caption);
        if (box == nullptr)
            Sleep(100);
    }
    if (box == nullptr) {
        printf("no box captioned '%s'\n", caption);
        return 1;
    }
    Sleep(200); // let the box finish laying out its controls

    BoxContents contents;
    EnumChildWindows(box, CountChild, reinterpret_cast<LPARAM>(&contents));
    HWND owner = GetWindow(box, GW_OWNER);
    printf("box '%s': owner %p, buttons %d ('%s'), icons %d, text chars %d\n", caption,
           static_cast<void*>(owner), contents.buttons, contents.buttonText, contents.icons,
           contents.textChars);

    HWND ok = GetDlgItem(box, IDOK);
    if (ok != nullptr)
        SendMessageA(ok, BM_CLICK, 0, 0);
    else
        PostMessageA(box, WM_CLOSE, 0, 0);

    bool expected = owner == nullptr && contents.buttons == 1 && ok != nullptr &&
                    contents.icons == 1 && contents.textChars == 0;
    return expected ? 0 : 1;
}
