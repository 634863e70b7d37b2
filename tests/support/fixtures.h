// The pictures tests/imaging/make_fixtures.sh writes at build time; targets
// that read them link ombrix_test_fixtures, which names their folder.
#pragma once

#include "tests/support/pictures.h"

inline Bytes ReadFixture(const wchar_t* pszName)
{
    const std::string data = ReadWholeFile(std::wstring(OMBRIX_FIXTURE_DIR) + pszName);
    return Bytes(data.begin(), data.end());
}
