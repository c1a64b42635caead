// Mixes typing with the whole-text steps (Open, Restore, Delete, Cut) and
// undo and redo, as the window makes them, and checks after every step that
// the insertion point stays inside the text and the text stays zero-terminated
// inside its allocation; that a whole-text step is one step of its own
// (undone, the text and point are as before it; done again, as after it);
// and at the end, that undoing every step gives the empty text and redoing as
// many gives the text of before.
//
// Input, one operation after another, picked by its first byte modulo 8:
//   0-2  a key-down: 2 bytes virtual-key code (big-endian), 1 byte of flags
//        (bit 0 Shift, bit 1 Alt, bit 2 Ctrl, bit 3 Caps Lock)
//   3    undo
//   4    redo
//   5    Open: 1 byte n, then n units (2 bytes each, little-endian); the
//        insertion point goes to the end, as after Open text
//   6    Restore: as Open, then 2 more bytes (little-endian): the
//        insertion point, kept within the text as a kept text's is
//   7    Delete or Cut: the whole text goes
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <algorithm>
#include <string>

#include "EditHistory.h"
#include "KeybLayout.h"
#include "Keystroke.h"
#include "OwnWideString.h"
#include "TextInvariants.h"

namespace {

struct State {
    std::u16string units;
    int32_t cursor = 0;
    friend bool operator==(const State&, const State&) = default;
};

State Check(const OwnWideString& text, int32_t cursor)
{
    return {CheckText(text, cursor), cursor};
}

const KeybLayout& Layout()
{
    static const KeybLayout layout;
    return layout;
}

// The operations' bytes from the front; zeros once they run out.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) { }
    bool Empty() const { return at_ == size_; }
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint16_t BigEndian()
    {
        const uint8_t high = Byte();
        return static_cast<uint16_t>(high << 8 | Byte());
    }
    uint16_t LittleEndian()
    {
        const uint8_t low = Byte();
        return static_cast<uint16_t>(Byte() << 8 | low);
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

std::u16string TakeUnits(Input& input)
{
    std::u16string units(input.Byte(), u'\0');
    for (char16_t& unit : units) {
        unit = input.LittleEndian();
        // Open and Restore never give a unit 0: a file holding one is refused.
        if (unit == 0)
            unit = u'\u0860';
    }
    return units;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input input(data, size);
    OwnWideString text;
    int32_t cursor = 0;
    EditHistory history;
    bool stepsDropped = false;
    while (!input.Empty()) {
        stepsDropped = stepsDropped || history.UndoCount() >= EditHistory::MaxSteps;
        const uint8_t operation = input.Byte() % 8;
        if (operation <= 2) {
            unsigned key = input.BigEndian();
            const uint8_t flags = input.Byte();
            const KeyModifiers modifiers{(flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0};
            ApplyKeyDown(text, cursor, Layout(), key, modifiers, (flags & 8) != 0, history);
            Check(text, cursor);
            continue;
        }
        if (operation == 3 || operation == 4) {
            if (operation == 3)
                history.Undo(text, cursor);
            else
                history.Redo(text, cursor);
            Check(text, cursor);
            continue;
        }
        std::u16string units;
        int32_t cursorAfter = 0;
        if (operation == 5 || operation == 6) {
            units = TakeUnits(input);
            cursorAfter = static_cast<int32_t>(units.size());
            if (operation == 6)
                cursorAfter = std::min<int32_t>(input.LittleEndian(), cursorAfter);
        }
        const State before = Check(text, cursor);
        const std::size_t stepsBefore = history.UndoCount();
        history.Replace(text, cursor, 0, text.Length(), units, cursorAfter);
        const State after = Check(text, cursor);
        if (after.units != units || after.cursor != cursorAfter)
            Fail();
        // Nothing replaced by nothing is no step at all.
        if (before.units.empty() && units.empty())
            continue;
        // One step more, unless the bound let older ones go.
        if (history.UndoCount() == 0 || history.UndoCount() > stepsBefore + 1)
            Fail();
        if (!history.Undo(text, cursor) || Check(text, cursor) != before)
            Fail();
        if (!history.Redo(text, cursor) || Check(text, cursor) != after)
            Fail();
    }
    if (!stepsDropped && history.UndoCount() < EditHistory::MaxSteps)
        CheckStepsBackAndForth(history, text, cursor);
    return 0;
}
