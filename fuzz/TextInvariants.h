#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "EditHistory.h"
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

// With no step dropped for the bound, the steps lead back to the empty start
// and forth again to the same text (the text only: a move of the insertion
// point with no edit after the last step is no step).
inline void CheckStepsBackAndForth(EditHistory& history, OwnWideString& text, int32_t& cursor)
{
    const std::u16string last = CheckText(text, cursor);
    int steps = 0;
    for (; history.Undo(text, cursor); ++steps)
        CheckText(text, cursor);
    if (!text.IsEmpty())
        Fail();
    for (; steps > 0; --steps) {
        if (!history.Redo(text, cursor))
            Fail();
        CheckText(text, cursor);
    }
    if (CheckText(text, cursor) != last)
        Fail();
}
