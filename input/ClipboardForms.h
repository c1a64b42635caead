#pragma once

#include <string>

#include "OwnWideString.h"

// The export string: U+200F followed by the text, built unit by unit so that
// its Count() is the text's length plus 2.
OwnWideString BuildExportString(const OwnWideString& TypedText);

// The three clipboard forms of an export string, as raw bytes.
struct ClipboardForms {
    std::string utf8;      // text/plain: the export text as UTF-8, no terminator
    std::string utf16le;   // Count() x 2 bytes, terminator included
    std::string eightBit;  // Count() bytes, 0x7F for each unit from 0x100 up, terminator included
};

ClipboardForms MakeClipboardForms(const OwnWideString& exportString);
