// The command lines that start the application manager with the viewer's
// installation description. Plain text handling, no Windows headers.
#pragma once

#include <cstddef>

// Copies the manager's registered path without one pair of surrounding
// quotation marks, so that it can be quoted exactly once. False when the
// result is empty, does not fit, or still holds a quotation mark.
bool UnquoteManagerPath(const char* stored, char* path, size_t capacity);

// Fills out with the manager's path and the description's path, each in
// quotation marks, with " /register" between them when registering. Quoting
// the manager's path keeps a path with spaces from starting another program.
// False, with out empty, when a path holds a quotation mark or the line does
// not fit.
bool FormatManagerCommand(char* out, size_t capacity, const char* managerPath,
                          const char* descriptionPath, bool registering);
