#pragma once

#include <functional>
#include <string>
#include <vector>

#include "KeybLayout.h"

// The keyboard chart's model: the keys of the layout where they sit on a US
// (ANSI) keyboard, and what each types. The codes are read from the
// KeybLayout it is given, never kept here.

// One key's place on the keyboard, in key widths from the keyboard's left
// edge, and rows from its top (0: digits, 1 to 3: letters, 4: space bar).
struct ChartKey {
    // The virtual-key code of the key on a US keyboard; it names the place.
    unsigned position = 0;
    // What a US keyboard prints on the key (ASCII).
    const char* label = "";
    int row = 0;
    double left = 0;
    double width = 1;
};

// The keyboard is this many key widths wide and rows high. Keys that no
// layout gives a character (Tab, Caps Lock, Shift) are left out; their
// places stay empty so that the other keys sit where they do on a keyboard.
constexpr double ChartColumns = 15;
constexpr int ChartRows = 5;

// The digit row with the key left of 1 and Backspace, the three letter rows
// with their punctuation keys and Enter, and the space bar, row by row from
// the left.
const std::vector<ChartKey>& ChartKeys();

// A key as the chart shows it for the user's keyboard.
struct ChartEntry {
    ChartKey key;
    // The virtual-key code that pressing the key sends: for letter keys the
    // letter of the user's keyboard layout at that place.
    unsigned virtualKey = 0;
    // The letter for letter keys, else what a US keyboard prints for the key
    // with that code.
    std::string label;
    // The layout's codes for that virtual-key code: alone and with Ctrl+Alt
    // (0: nothing).
    char16_t plain = 0;
    char16_t ctrlAlt = 0;

    // Neither layer types anything and the key does nothing else: drawn
    // empty and dimmed.
    bool Empty() const;
};

// Whether the chart draws a code as a glyph of the face: not line breaks and
// control codes, and not the space, which has no ink and gets a mark.
bool DrawnAsGlyph(char16_t code);

// The chart for a keyboard on which the key at a US place sends
// virtualKeyAt(place); the identity gives the US keyboard.
std::vector<ChartEntry> BuildChart(const KeybLayout& Layout,
                                   const std::function<unsigned(unsigned)>& virtualKeyAt);

// The units that the keystroke handling types for the key in an empty text,
// alone or with Ctrl+Alt: the space bar types U+0020 U+0892.
std::u16string TypedBy(const KeybLayout& Layout, unsigned virtualKey, bool ctrlAlt);

// Gives a tooltip's words (English, UTF-8) in the user's language, in UTF-8.
// The words are marked for Qt's lupdate in the context "TKeyboardChart".
using TipWords = std::function<std::string(const char* english)>;

// The key's tooltip, in UTF-8: the codes that each layer types, as
// "U+0862 · Ctrl+Alt U+0863"; a layer that types nothing is left out. The
// words come through words when it is given, else in English.
std::string KeyTip(const KeybLayout& Layout, const ChartEntry& entry, const TipWords& words = {});
