#pragma once

#include <cstdint>

#include "AnsiString.h"

// The built-in keyboard layout: for each virtual-key code 0..255 the code unit
// produced without modifiers, with Shift, with Ctrl+Alt and with Ctrl+Alt+Shift,
// and two flags that let Caps Lock act as Shift. Readers index the arrays
// directly; nothing changes it after construction.
class KeybLayout {
public:
    static constexpr int Size = 256;

    KeybLayout();

    AnsiString Name;
    bool CapsBase[Size];
    uint16_t Base[Size];
    uint16_t BaseShift[Size];
    bool CapsCtrlAlt[Size];
    uint16_t CtrlAlt[Size];
    uint16_t CtrlAltShift[Size];

private:
    void Store(unsigned key, uint16_t base, uint16_t ctrlAlt);
};

// The space bar's code: typed as a space followed by this unit.
constexpr char16_t SpacedCode = 0x0892;
