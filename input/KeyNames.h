#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Keystroke.h"

struct KeyStroke {
    unsigned Key = 0;
    KeyModifiers modifiers;
};

// Parses a comma-separated key sequence written with virtual-key names, for
// example "A,SPACE,CTRL+ALT+C,SHIFT+OEM_1,BACK,LEFT,RETURN,NUMPAD5,0x41".
// Names are those of vk:: without the prefix (letters and digits stand for
// themselves), case-insensitive; modifiers SHIFT+, CTRL+, ALT+ prefix a key.
// On a bad name returns nothing and sets error to a message naming it.
std::optional<std::vector<KeyStroke>> ParseKeySequence(const std::string& text, std::string& error);

// The name that ParseKeySequence reads back as this code: "A", "0", "SPACE",
// "OEM_3", "F1", "NUMPAD5", or "0x41" style for a code with no name.
std::string KeyName(unsigned code);
