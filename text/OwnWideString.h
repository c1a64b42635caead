#pragma once

#include <cstdint>
#include <string_view>

#include "AnsiString.h"

// A zero-terminated string of UTF-16 code units in one owned buffer, copied by
// value. Count() is the size of the allocation, not the length of the text:
// units after the first zero are spare and are carried over by copies.
//
// Count() grows by exactly what each operation adds (one unit per Append of a
// unit, the converted size with its terminator per Append of narrow text).
// Behind Count() the allocation grows geometrically, and the text's length is
// remembered, so that typing at the end of a long text costs constant time
// rather than a copy of the whole text. The length is trusted only while no
// pointer from Buffer() or reference from the index operator is out: such a
// pointer stays usable until the next Append, assignment or InsertAt, and the
// text is scanned again until then.
// Callers that edit through Buffer() must stay inside Count() units and leave a
// zero among them.
class OwnWideString {
public:
    OwnWideString();
    OwnWideString(const OwnWideString& source);
    explicit OwnWideString(const AnsiString& text);
    ~OwnWideString();

    OwnWideString& operator=(const OwnWideString& source);
    OwnWideString& operator=(const AnsiString& text);

    OwnWideString& Append(char16_t unit);
    OwnWideString& Append(const AnsiString& text);

    // The writable buffer: the caller may move the terminator through it.
    char16_t* Buffer()
    {
        handedOut = true;
        return buffer;
    }
    const char16_t* Buffer() const { return buffer; }
    // The text's units up to its length, read-only: unlike the writable
    // buffer it leaves the remembered length trusted.
    std::u16string_view View() const { return {buffer, Length()}; }
    uint32_t Count() const { return count; }

    // An index at or past Count() answers a scratch unit that reads 0; a write
    // to it is lost at the next operation.
    char16_t& operator[](uint32_t index);
    // Reading needs no reference, so the remembered length stays trusted.
    char16_t operator[](uint32_t index) const { return index < count ? buffer[index] : char16_t{0}; }

    bool IsEmpty() const { return buffer[0] == 0; }

    // Units before the first zero.
    uint32_t Length() const;

    // Inserts a unit at index (0..Length()): one unit of room is appended,
    // then the units from index on move up by one.
    void InsertAt(uint32_t index, char16_t unit);
    // Removes the unit at index (below Length()); the units after it, the
    // terminator included, move down by one. Count() is unchanged.
    void EraseAt(uint32_t index);

    friend bool operator<(const OwnWideString& first, const OwnWideString& second);
    friend bool operator>(const OwnWideString& first, const OwnWideString& second);

private:
    // Makes room for newCount units, keeping the first keep units.
    void Grow(uint32_t newCount, uint32_t keep);

    char16_t* buffer;
    char16_t nullUnit;
    uint32_t count;
    uint32_t capacity;
    // The text's length, right whenever handedOut is false.
    uint32_t knownLength = 0;
    // A writable pointer or reference into buffer is out.
    bool handedOut = false;
};

// What DecodeUtf8Sequence returns for bytes that are not UTF-8.
constexpr char32_t IllFormedUtf8 = 0xFFFFFFFF;

// Decodes one UTF-8 sequence starting at bytes[pos] (pos < size) and advances
// pos past what it consumed. An ill-formed sequence (overlong, a surrogate,
// beyond U+10FFFF, cut short) consumes its maximal valid prefix, at least one
// byte, and gives IllFormedUtf8, so that each bad sequence counts once.
char32_t DecodeUtf8Sequence(const unsigned char* bytes, size_t size, size_t& pos);

// UTF-8 to UTF-16 with a terminator; each ill-formed sequence becomes U+FFFD.
// The result's size is the converted size n of the narrow text, terminator
// included, so it is at least 1.
std::u16string ConvertNarrowText(const AnsiString& text);

// UTF-16 units to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(const char16_t* units, uint32_t length);
