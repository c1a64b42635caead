#pragma once

#include <cstdint>

#include "AnsiString.h"

// A zero-terminated string of UTF-16 code units in one owned buffer, copied by
// value. Count() is the size of the allocation, not the length of the text:
// units after the first zero are spare and are carried over by copies.
//
// Every operation that changes the content allocates a buffer of exactly the
// new size; there is no reserved capacity. Callers that edit through Buffer()
// must stay inside Count() units and leave a zero among them.
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

    char16_t* Buffer() { return buffer; }
    const char16_t* Buffer() const { return buffer; }
    uint32_t Count() const { return count; }

    // An index at or past Count() answers a scratch unit that reads 0; a write
    // to it is lost at the next operation.
    char16_t& operator[](uint32_t index);

    bool IsEmpty() const { return buffer[0] == 0; }

    // Units before the first zero.
    uint32_t Length() const;

    friend bool operator<(const OwnWideString& first, const OwnWideString& second);
    friend bool operator>(const OwnWideString& first, const OwnWideString& second);

private:
    char16_t* buffer;
    char16_t nullUnit;
    uint32_t count;
};

// UTF-8 to UTF-16 with a terminator; each ill-formed sequence becomes U+FFFD.
// The result's size is the converted size n of the narrow text, terminator
// included, so it is at least 1.
std::u16string ConvertNarrowText(const AnsiString& text);

// UTF-16 units to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(const char16_t* units, uint32_t length);
