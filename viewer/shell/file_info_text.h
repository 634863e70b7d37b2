// Number and date texts of the file information dialog. Pure code on wide
// strings.
#pragma once

#include <stddef.h>
#include <wchar.h>
#include <windows.h>

// The decimal digits of nValue with a "," before every group of three
// counted from the right (1234567 gives "1,234,567", 999 gives "999").
// Unsigned, so a file of 2 GiB or more never shows a minus sign. Returns 0
// and leaves an empty text when cchOut cannot hold the whole result.
int FormatThousands(unsigned long long nValue, wchar_t* pszOut, size_t cchOut);

// "Taken: " and the date and time in the form of the dialog's own date and
// time lines ("2004-2-29" and "PM 3:4:9"), one space apart.
void FormatTakenLine(const SYSTEMTIME& st, wchar_t* pszOut, size_t cchOut);
