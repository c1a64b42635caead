#include "OwnWideString.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t TextLength(const char16_t* units, uint32_t count)
{
    uint32_t length = 0;
    while (length < count && units[length] != 0)
        ++length;
    return length;
}

} // namespace

char32_t DecodeUtf8Sequence(const unsigned char* bytes, size_t size, size_t& pos)
{
    const unsigned char lead = bytes[pos++];
    if (lead < 0x80)
        return lead;

    int trailing = 0;
    char32_t value = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trailing = 1;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trailing = 2;
        value = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F; // no encoded surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trailing = 3;
        value = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return IllFormedUtf8;
    }

    for (int i = 0; i < trailing; ++i) {
        if (pos >= size)
            return IllFormedUtf8;
        const unsigned char next = bytes[pos];
        if (next < low || next > high)
            return IllFormedUtf8;
        low = 0x80;
        high = 0xBF;
        value = (value << 6) | (next & 0x3F);
        ++pos;
    }
    return value;
}


std::u16string ConvertNarrowText(const AnsiString& text)
{
    // The narrow text ends at its first zero byte, as a C string would.
    const size_t size = std::strlen(text.c_str());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::u16string converted;
    converted.reserve(size + 1);
    size_t pos = 0;
    while (pos < size) {
        char32_t codePoint = DecodeUtf8Sequence(bytes, size, pos);
        if (codePoint == IllFormedUtf8)
            codePoint = 0xFFFD;
        if (codePoint >= 0x10000) {
            const char32_t offset = codePoint - 0x10000;
            converted.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
            converted.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
        } else {
            converted.push_back(static_cast<char16_t>(codePoint));
        }
    }
    converted.push_back(0);
    return converted;
}

std::string ToUtf8(const char16_t* units, uint32_t length)
{
    std::string out;
    out.reserve(length * 3);
    for (uint32_t i = 0; i < length; ++i) {
        char32_t codePoint = units[i];
        if (codePoint >= 0xD800 && codePoint <= 0xDBFF && i + 1 < length
            && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (codePoint >= 0xD800 && codePoint <= 0xDFFF) {
            codePoint = 0xFFFD;
        }
        if (codePoint < 0x80) {
            out.push_back(static_cast<char>(codePoint));
        } else if (codePoint < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
            out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
        } else if (codePoint < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
        }
    }
    return out;
}

OwnWideString::OwnWideString()
    : buffer(new char16_t[1]{0}), nullUnit(0), count(1), capacity(1)
{
}

OwnWideString::OwnWideString(const OwnWideString& source)
    : buffer(new char16_t[source.count]), nullUnit(0), count(source.count), capacity(source.count),
      knownLength(source.Length())
{
    std::copy(source.buffer, source.buffer + count, buffer);
}

OwnWideString::OwnWideString(const AnsiString& text)
    : buffer(nullptr), nullUnit(0), count(0), capacity(0)
{
    const std::u16string converted = ConvertNarrowText(text);
    count = capacity = static_cast<uint32_t>(converted.size());
    buffer = new char16_t[count];
    std::copy(converted.begin(), converted.end(), buffer);
    knownLength = TextLength(buffer, count);
}

OwnWideString::~OwnWideString()
{
    delete[] buffer;
}

OwnWideString& OwnWideString::operator=(const OwnWideString& source)
{
    // Copy first, release second: this is what makes self-assignment safe.
    char16_t* fresh = new char16_t[source.count];
    std::copy(source.buffer, source.buffer + source.count, fresh);
    const uint32_t length = source.Length();
    count = capacity = source.count;
    delete[] buffer;
    knownLength = length;
    handedOut = false;
    buffer = fresh;
    nullUnit = 0;
    return *this;
}

OwnWideString& OwnWideString::operator=(const AnsiString& text)
{
    const std::u16string converted = ConvertNarrowText(text);
    char16_t* fresh = new char16_t[converted.size()];
    std::copy(converted.begin(), converted.end(), fresh);
    delete[] buffer;
    buffer = fresh;
    count = capacity = static_cast<uint32_t>(converted.size());
    knownLength = TextLength(buffer, count);
    handedOut = false;
    nullUnit = 0;
    return *this;
}

void OwnWideString::Grow(uint32_t newCount, uint32_t keep)
{
    if (newCount <= capacity)
        return;
    // Half as much again: appending n units one at a time then costs O(n)
    // copying in all and at most about 1.5 times the text in memory.
    uint64_t wanted = static_cast<uint64_t>(capacity) + capacity / 2 + 16;
    if (wanted < newCount)
        wanted = newCount;
    if (wanted > UINT32_MAX)
        wanted = UINT32_MAX;
    // Spare units are not carried over; zero them rather than leave garbage.
    char16_t* fresh = new char16_t[wanted]();
    std::copy(buffer, buffer + keep, fresh);
    delete[] buffer;
    buffer = fresh;
    capacity = static_cast<uint32_t>(wanted);
}

OwnWideString& OwnWideString::Append(char16_t unit)
{
    const uint32_t length = Length();
    Grow(count + 1, length);
    buffer[length] = unit;
    buffer[length + 1] = 0;
    ++count;
    knownLength = unit == 0 ? length : length + 1;
    // Append replaces the buffer as far as callers know, so any pointer they
    // held is void now, even where the allocation had room.
    handedOut = false;
    nullUnit = 0;
    return *this;
}

OwnWideString& OwnWideString::Append(const AnsiString& text)
{
    const std::u16string converted = ConvertNarrowText(text);
    const uint32_t appended = static_cast<uint32_t>(converted.size());
    const uint32_t length = Length();
    const uint32_t convertedLength = TextLength(converted.data(), appended);

    Grow(count + appended, length);
    std::copy(converted.data(), converted.data() + convertedLength, buffer + length);
    buffer[length + convertedLength] = 0;
    count += appended;
    knownLength = length + convertedLength;
    handedOut = false;
    nullUnit = 0;
    return *this;
}

void OwnWideString::InsertAt(uint32_t index, char16_t unit)
{
    const uint32_t length = Length();
    if (index > length)
        index = length;
    Append(char16_t{0x0020});
    // The placeholder is the last unit displaced and drops out of the text.
    std::memmove(buffer + index + 1, buffer + index, (length - index) * sizeof(char16_t));
    buffer[index] = unit;
    knownLength = unit == 0 ? index : length + 1;
    nullUnit = 0;
}

void OwnWideString::EraseAt(uint32_t index)
{
    const uint32_t length = Length();
    if (index >= length)
        return;
    std::memmove(buffer + index, buffer + index + 1, (length - index) * sizeof(char16_t));
    knownLength = length - 1;
    nullUnit = 0;
}

char16_t& OwnWideString::operator[](uint32_t index)
{
    nullUnit = 0;
    handedOut = true;
    if (index < count)
        return buffer[index];
    return nullUnit;
}

uint32_t OwnWideString::Length() const
{
    // While a caller may still write through what it was handed, every answer
    // is scanned afresh; remembering it here is what once went stale.
    return handedOut ? TextLength(buffer, count) : knownLength;
}

bool operator<(const OwnWideString& first, const OwnWideString& second)
{
    uint32_t i = 0;
    while (i < first.count && i < second.count && first.buffer[i] != 0
           && first.buffer[i] == second.buffer[i])
        ++i;
    const char16_t a = i < first.count ? first.buffer[i] : 0;
    const char16_t b = i < second.count ? second.buffer[i] : 0;
    return a < b;
}

bool operator>(const OwnWideString& first, const OwnWideString& second)
{
    return second < first;
}
