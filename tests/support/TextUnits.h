#pragma once

// Texts of the program's wide string built from, and read as, UTF-16 units.
#include <cstdint>
#include <string>
#include <vector>

#include "OwnWideString.h"

inline OwnWideString TextOfUnits(const std::u16string& units)
{
    OwnWideString text;
    for (char16_t unit : units)
        text.Append(unit);
    return text;
}

// The text's units up to its length.
inline std::u16string UnitsOf(const OwnWideString& text)
{
    return std::u16string(text.Buffer(), text.Length());
}

// Every unit of the buffer, terminator and spare units included.
inline std::vector<char16_t> AllUnits(const OwnWideString& text)
{
    return std::vector<char16_t>(text.Buffer(), text.Buffer() + text.Count());
}

// A text and its insertion point, as the tests' tables of rows state them.
struct TextAtCursor {
    std::u16string text;
    int32_t cursor = 0;
    friend bool operator==(const TextAtCursor&, const TextAtCursor&) = default;
};
