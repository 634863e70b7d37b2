// The module that holds the stand-in's window classes.
#pragma once

#include <windows.h>

// The exe or DLL this library is linked into.
HINSTANCE ShellModule();
