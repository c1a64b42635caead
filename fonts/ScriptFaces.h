#pragma once

#include <vector>

#include "AnsiString.h"
#include "UnicodeList.h"

// The script's range, both ends included.
constexpr uint16_t kScriptFirst = 0x0860;
constexpr uint16_t kScriptLast = 0x089F;

// The faces that the font selector offers: those of the catalogue, in its key
// order, that cover at least one code point of the script's range.
std::vector<AnsiString> ListScriptFaces(const UnicodeList& catalogue);
