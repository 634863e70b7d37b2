// The wait cursor. Not nested: a second show overwrites the saved cursor.
#pragma once

void ShowWaitCursor(void);
void RestoreCursor(void);
