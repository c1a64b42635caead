#include "ClipboardForms.h"

OwnWideString BuildExportString(const OwnWideString& TypedText)
{
    // Built one Append per unit on purpose: the byte forms take their sizes
    // from Count(), which must come out as the text's length plus 2.
    OwnWideString exportString;
    exportString.Append(char16_t{0x200F});
    const uint32_t length = TypedText.Length();
    const char16_t* units = TypedText.Buffer();
    for (uint32_t i = 0; i < length; ++i)
        exportString.Append(units[i]);
    return exportString;
}

ClipboardForms MakeClipboardForms(const OwnWideString& exportString)
{
    ClipboardForms forms;
    const uint32_t count = exportString.Count();
    const char16_t* units = exportString.Buffer();

    const uint32_t length = exportString.Length();
    forms.utf8 = ToUtf8(units, length);

    // Both blocks are Count() units long, but only the text and its terminator
    // are copied; spare units after it (none for a BuildExportString result)
    // read as zeros rather than whatever the buffer held.
    forms.utf16le.assign(static_cast<size_t>(count) * 2, '\0');
    for (uint32_t i = 0; i < length; ++i) {
        forms.utf16le[2 * static_cast<size_t>(i)] = static_cast<char>(units[i] & 0xFF);
        forms.utf16le[2 * static_cast<size_t>(i) + 1] = static_cast<char>(units[i] >> 8);
    }

    forms.eightBit.assign(count, '\0');
    for (uint32_t i = 0; i < length; ++i)
        forms.eightBit[i] = static_cast<char>(units[i] < 0x100 ? units[i] : 0x7F);
    return forms;
}
