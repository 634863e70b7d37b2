#include "platform/aygshell/shell_module.h"

HINSTANCE ShellModule()
{
    // The module of this very function: classes registered with it stay
    // apart from the program's own, whichever module that is.
    HMODULE hModule = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ShellModule), &hModule);
    return hModule;
}
