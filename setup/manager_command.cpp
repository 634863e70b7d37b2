// Quoting and formatting of the application manager's command lines.
#include "setup/manager_command.h"

#include <cstdio>
#include <cstring>

bool UnquoteManagerPath(const char* stored, char* path, size_t capacity)
{
    if (capacity == 0)
        return false;
    path[0] = '\0';
    size_t length = strlen(stored);
    // Some registrations store the path already quoted.
    if (length >= 2 && stored[0] == '"' && stored[length - 1] == '"') {
        ++stored;
        length -= 2;
    }
    if (length == 0 || length >= capacity || memchr(stored, '"', length) != nullptr)
        return false;
    memcpy(path, stored, length);
    path[length] = '\0';
    return true;
}

bool FormatManagerCommand(char* out, size_t capacity, const char* managerPath,
                          const char* descriptionPath, bool registering)
{
    if (capacity == 0)
        return false;
    out[0] = '\0';
    // A quotation mark inside either path would end its quoting early and
    // turn the rest into arguments.
    if (strchr(managerPath, '"') != nullptr || strchr(descriptionPath, '"') != nullptr)
        return false;
    const char* format = registering ? "\"%s\" /register \"%s\"" : "\"%s\" \"%s\"";
    int written = snprintf(out, capacity, format, managerPath, descriptionPath);
    if (written < 0 || static_cast<size_t>(written) >= capacity) {
        out[0] = '\0';
        return false;
    }
    return true;
}
