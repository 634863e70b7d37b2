// Finds the application manager through its registered application path and
// starts it with the installation description.
#include "setup/launch_manager.h"

#include <cstring>
#include <strsafe.h>

#include "setup/manager_command.h"
#include "setup/resource.h"

namespace {

const char kAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";

// Two quoted paths, " /register" and the spaces between them.
const size_t kCommandChars = 2 * MAX_PATH + 32;

// Reads the key's default value: the manager's full path. A value that is not
// text, or does not fit with its terminator, is refused rather than cut.
bool ReadManagerPath(char* path, size_t capacity)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppPathsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;

    char stored[MAX_PATH] = {};
    DWORD type = 0;
    DWORD size = sizeof(stored);
    LONG status = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(stored),
                                   &size);
    RegCloseKey(key);

    bool ok = status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0;
    if (ok && stored[size - 1] != '\0') {
        // Stored without its terminator: add one when there is room.
        ok = size < sizeof(stored);
        if (ok)
            stored[size] = '\0';
    }
    char expanded[MAX_PATH] = {};
    const char* value = stored;
    if (ok && type == REG_EXPAND_SZ) {
        DWORD needed = ExpandEnvironmentStringsA(stored, expanded, MAX_PATH);
        ok = needed > 0 && needed <= MAX_PATH;
        value = expanded;
    }
    return ok && UnquoteManagerPath(value, path, capacity);
}

// This program's folder, ending with its backslash.
bool GetProgramFolder(char* folder, size_t capacity)
{
    DWORD length = GetModuleFileNameA(nullptr, folder, static_cast<DWORD>(capacity));
    if (length == 0 || length >= capacity)
        return false; // failed, or cut to the buffer
    char* slash = strrchr(folder, '\\');
    if (slash == nullptr)
        return false;
    slash[1] = '\0';
    return true;
}

bool StartCommand(const char* managerPath, const char* descriptionPath, bool registering)
{
    char command[kCommandChars];
    if (!FormatManagerCommand(command, sizeof(command), managerPath, descriptionPath, registering))
        return false;
    // 31 and below are WinExec's error codes.
    return WinExec(command, SW_SHOW) > 31;
}

} // namespace

BOOL LaunchApplicationManager()
{
    char descriptionName[MAX_PATH] = {};
    char managerPath[MAX_PATH] = {};
    char folder[MAX_PATH] = {};
    char descriptionPath[MAX_PATH] = {};

    bool ok = LoadStringA(GetModuleHandleA(nullptr), IDS_DESCRIPTION_FILE, descriptionName,
                          MAX_PATH) > 0;
    ok = ok && ReadManagerPath(managerPath, sizeof(managerPath));
    ok = ok && GetProgramFolder(folder, sizeof(folder));
    ok = ok && SUCCEEDED(StringCchCopyA(descriptionPath, MAX_PATH, folder)) &&
         SUCCEEDED(StringCchCatA(descriptionPath, MAX_PATH, descriptionName));
    // The manager resolves the package's files against the current directory.
    ok = ok && SetCurrentDirectoryA(folder);
    ok = ok && StartCommand(managerPath, descriptionPath, true);
    ok = ok && StartCommand(managerPath, descriptionPath, false);
    return ok ? TRUE : FALSE;
}
