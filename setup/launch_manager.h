// Starts the desktop's application manager with the viewer's installation
// description, which lies next to this program.
#pragma once

#include <windows.h>

// Starts the manager twice, first with /register and then without, from this
// program's folder. TRUE when both commands were started; the second is not
// tried when the first fails. Does not wait for the manager.
BOOL LaunchApplicationManager();
