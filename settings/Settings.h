#pragma once

#include "AnsiString.h"

// The remembered face name lives in "./Vorn.ini" in the current working
// directory, section "VORN", key "FontName". Both functions are exported from
// the executable under these plain names.

// Sets name to the stored face name, or to "Tirna 0860" when none is stored.
// Never fails.
extern "C" __attribute__((visibility("default"))) void LoadIni(AnsiString& name);

// Leaves the file holding name as its only setting: every section whose name
// fits into the 8,192-byte section listing is erased, then FontName is written.
// Throws ToolkitError("Unable to write to ./Vorn.ini") when the file cannot be
// written; the old file is then kept as it was.
extern "C" __attribute__((visibility("default"))) void SaveIni(const AnsiString& name);
