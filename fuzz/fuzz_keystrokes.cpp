// Applies a random stream of key-downs, undos and redos to a text, as the
// window does, and checks after every step that the insertion point stays
// inside the text and that the text stays zero-terminated inside its
// allocation; at the end, that undoing every step gives the empty text and
// redoing as many gives the text of before.
//
// Input: 3 bytes per keystroke:
//   bytes 0-1  virtual-key code, big-endian (codes of 256 and more included)
//   byte 2     bit 0 Shift, bit 1 Alt, bit 2 Ctrl, bit 3 Caps Lock;
//              bit 4 undo, bit 5 redo, instead of the key
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <string>

#include "EditHistory.h"
#include "KeybLayout.h"
#include "Keystroke.h"
#include "OwnWideString.h"
#include "TextInvariants.h"

namespace {

const KeybLayout& Layout()
{
    static const KeybLayout layout;
    return layout;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    OwnWideString text;
    int32_t cursor = 0;
    EditHistory history;
    bool stepsDropped = false;
    for (size_t at = 0; at + 3 <= size; at += 3) {
        unsigned key = unsigned(data[at]) << 8 | data[at + 1];
        const uint8_t flags = data[at + 2];
        const KeyModifiers modifiers{(flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0};
        const bool capsLockOn = (flags & 8) != 0;
        const uint32_t before = text.Length();
        stepsDropped = stepsDropped || history.UndoCount() >= EditHistory::MaxSteps;
        if (flags & 0x30) {
            if (flags & 0x10)
                history.Undo(text, cursor);
            else
                history.Redo(text, cursor);
            CheckText(text, cursor);
            continue;
        }

        ApplyKeyDown(text, cursor, Layout(), key, modifiers, capsLockOn, history);

        if (key != 0)
            Fail();  // every key is swallowed
        CheckText(text, cursor);
        const uint32_t after = text.Length();
        if (after > before + 2 || after + 1 < before)
            Fail();  // one keystroke adds at most two units and removes at most one
    }
    if (!stepsDropped && history.UndoCount() < EditHistory::MaxSteps)
        CheckStepsBackAndForth(history, text, cursor);
    return 0;
}
