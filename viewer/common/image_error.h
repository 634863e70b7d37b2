// The process-wide error code shared by the image file library, the decoder
// and the record allocations, and its user-visible texts.
#pragma once

#include <windows.h>

enum ImageErrorCode
{
    IMGERR_NONE = 0,
    IMGERR_NO_MEMORY = 1,
    IMGERR_NULL_OBJECT = 2,
    IMGERR_FILE_NOT_FOUND = 3,
    IMGERR_READ_FILE = 4,
    IMGERR_UNKNOWN_FORMAT = 5,
    IMGERR_WRITE_FILE = 6,
    IMGERR_CREATE_GDI = 7,
    IMGERR_NULL_DC = 8,
    IMGERR_AREA = 9,
    IMGERR_UNKNOWN = 10,
    IMGERR_WORKFORM_OVERFLOW = 11,
    IMGERR_CREATE_WORKFORM = 12,
    IMGERR_CREATE_WINDOW = 13,
    IMGERR_SAVE_FILE = 14,
    IMGERR_CREATE_SELECTION = 15,
    IMGERR_NO_ACTIVE_LAYER = 16,
    IMGERR_BITMAP_COMPRESSION = 17,
    IMGERR_UNDO_MEMORY = 18,
    IMGERR_NO_BACKGROUND = 19,
    IMGERR_ICON_SIZE = 20,
    IMGERR_ICON_COLORS = 21,
    IMGERR_COUNT
};

int GetImageError(void);
void SetImageError(int nCode);
void ClearImageError(void);

// Text of the current code. Codes outside the table read as "Unknown error".
const WCHAR* GetImageErrorText(void);
const WCHAR* ImageErrorTextOf(int nCode);

// When a code is set: an ownerless "ERROR" box with its text, then the code is cleared.
void ShowImageError(void);
