// Parses arbitrary bytes as a settings file, then makes the edits that SaveIni
// makes (list the sections, erase some, write a key) and checks that what
// would be written to disk reads back as written.
//
// Input: a small header drives the edits, the rest is the file.
//   section name, key name, value  (each up to 24 bytes, from the header)
//   the remaining bytes            (the file's content)
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "ProfileFile.h"

// Names the broken promise, so that a finding says what it found.
[[noreturn]] static void Fail(int line)
{
    std::fprintf(stderr, "%s:%d: broken promise\n", __FILE__, line);
    std::abort();
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// What a writer may expect to read back: the value up to its first NUL or
// line break, without surrounding blanks.
std::string ExpectedValue(std::string_view value)
{
    return std::string(Trim(value.substr(0, value.find_first_of(std::string_view("\0\r\n", 3)))));
}

// Names that a profile file can hold unambiguously: printable, no blanks at
// either end, none of the characters that make a line a header, a comment or
// split a key from its value. The settings code only ever writes such names.
bool IsPlainName(std::string_view name)
{
    if (name.empty() || name != Trim(name) || name.front() == ';')
        return false;
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == '=' || c == '[' || c == ']')
            return false;
    return true;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Sections are matched without regard to ASCII case.
size_t CountSections(const ProfileText& text, std::string_view name)
{
    size_t count = 0;
    for (const std::string& listed : text.SectionNames(SIZE_MAX)) {
        if (listed.size() != name.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i)
            same = AsciiLower(listed[i]) == AsciiLower(name[i]);
        count += same;
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(24);
    const std::string key = input.ConsumeRandomLengthString(24);
    const std::string value = input.ConsumeRandomLengthString(24);
    const size_t listBuffer = input.ConsumeIntegralInRange<size_t>(0, 256);
    const std::string file = input.ConsumeRemainingBytesAsString();

    ProfileText text = ProfileText::Parse(file);

    // Writing out and reading back changes nothing.
    const std::string bytes = text.Bytes();
    if (ProfileText::Parse(bytes).Bytes() != bytes)
        Fail(__LINE__);  // The listing never claims more than the buffer holds.
    const std::vector<std::string> listed = text.SectionNames(listBuffer);
    size_t used = 1;
    for (const std::string& name : listed) {
        if (name.empty() || name.find('\0') != std::string::npos)
            Fail(__LINE__);
        used += name.size() + 1;
    }
    if (!listed.empty() && used > listBuffer)
        Fail(__LINE__);  // Erasing one listed section removes exactly one section of that name.
    if (!listed.empty()) {
        const std::string& victim = listed.front();
        const size_t before = CountSections(text, victim);
        ProfileText erased = text;
        if (!erased.EraseSection(victim) || CountSections(erased, victim) + 1 != before)
            Fail(__LINE__);
    }

    // SaveIni's sequence: erase what is listed, then write the key.
    text.EraseSections(listed);
    text.WriteString(section, key, value);
    const ProfileText reread = ProfileText::Parse(text.Bytes());
    if (IsPlainName(section) && IsPlainName(key)) {
        const std::optional<std::string> back = reread.Value(section, key);
        if (!back || *back != ExpectedValue(value))
            Fail(__LINE__);
    }
    // Whatever the names, the written text reads back the same way.
    if (reread.Value(section, key) != text.Value(section, key))
        Fail(__LINE__);
    return 0;
}
