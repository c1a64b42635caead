#include "TextEdit.h"

#include <algorithm>

namespace {

int32_t WithinText(int32_t cursor, const OwnWideString& text)
{
    return std::clamp<int32_t>(cursor, 0, static_cast<int32_t>(text.Length()));
}

}  // namespace

void ReplaceUnits(OwnWideString& text, uint32_t at, uint32_t count, std::u16string_view units)
{
    const uint32_t length = text.Length();
    at = std::min(at, length);
    count = std::min(count, length - at);
    // A few units in or out, as keys make them, move the rest in place: a
    // move of the whole text per unit is cheaper than building it anew.
    if (count + units.size() <= 64) {
        for (uint32_t i = 0; i < count; ++i)
            text.EraseAt(at);
        for (std::size_t i = 0; i < units.size(); ++i)
            text.InsertAt(at + static_cast<uint32_t>(i), units[i]);
        return;
    }
    const std::u16string_view old = text.View();
    OwnWideString result;
    for (const char16_t unit : old.substr(0, at))
        result.Append(unit);
    for (const char16_t unit : units)
        result.Append(unit);
    for (const char16_t unit : old.substr(at + count))
        result.Append(unit);
    text = result;
}

TextEdit TextEdit::Replacing(const OwnWideString& text, int32_t cursor, uint32_t at, uint32_t count,
                             std::u16string_view inserted, int32_t cursorAfter)
{
    const std::u16string_view units = text.View();
    at = std::min(at, static_cast<uint32_t>(units.size()));
    TextEdit edit;
    edit.at = at;
    edit.removed = units.substr(at, count);
    edit.inserted = inserted;
    edit.cursorBefore = cursor;
    edit.cursorAfter = std::clamp<int32_t>(
        cursorAfter, 0, static_cast<int32_t>(units.size() - edit.removed.size() + edit.inserted.size()));
    return edit;
}

void TextEdit::Apply(OwnWideString& text, int32_t& cursor) const
{
    ReplaceUnits(text, at, static_cast<uint32_t>(removed.size()), inserted);
    cursor = WithinText(cursorAfter, text);
}

void TextEdit::Revert(OwnWideString& text, int32_t& cursor) const
{
    ReplaceUnits(text, at, static_cast<uint32_t>(inserted.size()), removed);
    cursor = WithinText(cursorBefore, text);
}

bool TextEdit::Absorb(const TextEdit& next)
{
    if (next.kind != kind || next.cursorBefore != cursorAfter)
        return false;
    if (kind == Kind::Typing && removed.empty() && next.removed.empty() && next.at == at + inserted.size()) {
        inserted += next.inserted;
        cursorAfter = next.cursorAfter;
        return true;
    }
    if (kind == Kind::Erasing && inserted.empty() && next.inserted.empty() && next.at + next.removed.size() == at) {
        removed.insert(0, next.removed);
        at = next.at;
        cursorAfter = next.cursorAfter;
        return true;
    }
    return false;
}
