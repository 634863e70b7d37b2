// Folder and file name parts of a path. Pure code on wide strings.
#pragma once

#include <stddef.h>
#include <wchar.h>

// Everything up to and including the last "\"; the whole path when it has
// none. The result is cut to cchOut - 1 units.
void FolderPart(const wchar_t* pszPath, wchar_t* pszOut, size_t cchOut);

// The text after the last "\" (the whole path when it has none). With
// bStripExtension a picture extension (picture_type.h, any letter case)
// goes from its "." on; a name without one loses its last 4 units, and a
// name that short becomes empty.
void FileNamePart(const wchar_t* pszPath, int bStripExtension, wchar_t* pszOut, size_t cchOut);

// Folder, one "\" and name into pszOut. Separators at the end of the folder
// and at the start of the name collapse into that one, so the root "\" and
// an empty folder give "\name". False, with pszOut empty, when the result
// does not fit in cchOut units with its terminator.
bool JoinPath(const wchar_t* pszFolder, const wchar_t* pszName, wchar_t* pszOut, size_t cchOut);

// "." or "..": the desktop reports them in every folder below a drive's
// root, the handheld never; they are never counted or listed.
bool IsDotName(const wchar_t* pszName);
