#include "TextDocument.h"

bool TextDocument::KeyDown(const KeybLayout& Layout, unsigned& Key, KeyModifiers modifiers, bool capsLockOn)
{
    KeyEffect effect = EffectOfKey(typedText, cursorPos, Layout, Key, modifiers, capsLockOn);
    Key = 0;
    const bool redraw = effect.redraw;
    if (history.Take(typedText, cursorPos, std::move(effect)))
        ++edits;
    return redraw;
}

void TextDocument::ReplaceAll(std::u16string_view units, int32_t cursorAfter)
{
    TextEdit edit = TextEdit::Replacing(typedText, cursorPos, 0, typedText.Length(), units, cursorAfter);
    edits += !edit.ChangesNothing();
    history.Do(typedText, cursorPos, std::move(edit));
}

bool TextDocument::Undo()
{
    const bool changed = history.Undo(typedText, cursorPos);
    edits += changed;
    return changed;
}

bool TextDocument::Redo()
{
    const bool changed = history.Redo(typedText, cursorPos);
    edits += changed;
    return changed;
}
