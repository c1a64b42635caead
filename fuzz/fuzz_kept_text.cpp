// Decodes arbitrary bytes as a kept text file, as a later window does with
// whatever it finds in the state folder (a crash mid-write, a disk error, a
// file copied in from elsewhere), and checks that what it accepts is a text
// the window can take: no unit 0, the insertion point inside the text, and
// the same text and point again once written and read back.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "KeptTexts.h"

// Names the broken promise, so that a finding says what it found.
[[noreturn]] static void Fail(int line)
{
    std::fprintf(stderr, "%s:%d: broken promise\n", __FILE__, line);
    std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto text = DecodeKeptText(bytes);
    if (!text)
        return 0;
    if (text->units.find(u'\0') != std::u16string::npos)
        Fail(__LINE__);
    if (text->cursor < 0 || static_cast<std::size_t>(text->cursor) > text->units.size())
        Fail(__LINE__);
    // Two bytes a unit after the header line: nothing is dropped or made up.
    if (text->units.size() * 2 != size - (bytes.find('\n') + 1))
        Fail(__LINE__);
    const auto again = DecodeKeptText(EncodeKeptText(text->units, text->cursor));
    if (!again || again->units != text->units || again->cursor != text->cursor)
        Fail(__LINE__);
    return 0;
}
