// The main window's side of the slideshow: the engine's handlers, stepping
// through the folder, the start and stop commands and the timer re-arm.
#pragma once

#include <windows.h>

struct MainWindowData;

// Gets the engine into the record and installs the handlers; false when the
// engine cannot be made.
bool CreateSlideShow(HWND hwndMain, MainWindowData* pData);
// Ends a running show while the window's parts still exist.
void EndSlideShow(MainWindowData* pData);

void StartSlideshow(MainWindowData* pData);
void StopSlideshow(MainWindowData* pData);
LRESULT OnSlideShowRearm(MainWindowData* pData, WPARAM nGeneration);

// The next (direction 0) or previous picture that loads, wrapping with the
// loop flag; at the end without loop the show is stopped through its command.
void StepSlideshow(MainWindowData* pData);
