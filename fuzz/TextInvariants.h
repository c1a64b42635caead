#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "OwnWideString.h"

// Names the broken promise, so that a finding says what it found.
[[noreturn]] inline void BrokenPromise(const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: broken promise\n", file, line);
    std::abort();
}
#define Fail() BrokenPromise(__FILE__, __LINE__)

// The invariants the renderer and the next keystroke rely on; gives the text's
// units.
inline std::u16string CheckText(const OwnWideString& text, int32_t cursor)
{
    const char16_t* units = text.Buffer();
    uint32_t length = 0;
    while (length < text.Count() && units[length] != 0)
        ++length;
    if (length == text.Count())
        Fail(); // no zero unit inside the allocation
    if (text.Length() != length)
        Fail();
    if (cursor < 0 || static_cast<uint32_t>(cursor) > length)
        Fail();
    return std::u16string(units, length);
}
