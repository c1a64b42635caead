// Decodes arbitrary bytes as a text file, as Open text does, and checks that
// an accepted file gives units the window can hold (no unit 0, every
// surrogate in a pair) and that Save text writes them so that Open gives the
// same units again; a refused file gives no units.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "TextFile.h"

// Names the broken promise, so that a finding says what it found.
[[noreturn]] static void Fail(int line)
{
    std::fprintf(stderr, "%s:%d: broken promise\n", __FILE__, line);
    std::abort();
}

namespace {

bool IsHigh(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLow(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const DecodedTextFile text = DecodeTextFile(bytes);
    if (text.fault != TextFileFault::None) {
        if (!text.units.empty())
            Fail(__LINE__);
        return 0;
    }
    const std::u16string& units = text.units;
    // At most one unit per byte: UTF-8 never takes fewer bytes than UTF-16 units.
    if (units.size() > size)
        Fail(__LINE__);
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (units[i] == 0 || units[i] == u'\n')
            Fail(__LINE__);  // NUL is refused, every line end is one U+000D
        if (IsHigh(units[i]) && (i + 1 == units.size() || !IsLow(units[i + 1])))
            Fail(__LINE__);
        if (IsLow(units[i]) && (i == 0 || !IsHigh(units[i - 1])))
            Fail(__LINE__);
    }
    // A byte-order mark or a right-to-left mark that is left at the start
    // would be dropped as a leading mark when read back: only the rest must
    // come back.
    if (!units.empty() && (units.front() == 0xFEFF || units.front() == 0x200F))
        return 0;
    const std::string saved = EncodeTextFile(units.data(), static_cast<uint32_t>(units.size()));
    const DecodedTextFile again = DecodeTextFile(saved);
    if (again.fault != TextFileFault::None || again.units != units)
        Fail(__LINE__);
    return 0;
}
