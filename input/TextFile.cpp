#include "TextFile.h"

#include <cstring>

#include "OwnWideString.h"

namespace {

constexpr char16_t CarriageReturn = 0x000D;
constexpr char32_t ByteOrderMark = 0xFEFF;
constexpr char32_t RightToLeftMark = 0x200F;
// What a decoded sequence stands for when the bytes are not UTF-8.
constexpr char32_t Malformed = 0xFFFFFFFF;

// One well-formed UTF-8 sequence at bytes[pos], advancing pos past it;
// Malformed for anything else.
char32_t DecodeSequence(std::string_view bytes, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(bytes[pos++]);
    if (lead < 0x80)
        return lead;
    int trailing = 0;
    char32_t value = 0;
    // The range of the first trailing byte, which rules out overlong forms,
    // surrogates and code points beyond U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trailing = 1;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trailing = 2;
        value = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trailing = 3;
        value = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return Malformed;
    }
    for (int i = 0; i < trailing; ++i, low = 0x80, high = 0xBF) {
        if (pos >= bytes.size())
            return Malformed;
        const auto next = static_cast<unsigned char>(bytes[pos]);
        if (next < low || next > high)
            return Malformed;
        value = (value << 6) | (next & 0x3F);
        ++pos;
    }
    return value;
}

}  // namespace

DecodedTextFile DecodeTextFile(std::string_view bytes)
{
    DecodedTextFile decoded;
    if (bytes.size() > MaxTextFileBytes) {
        decoded.fault = TextFileFault::TooLarge;
        return decoded;
    }
    if (std::memchr(bytes.data(), 0, bytes.size())) {
        decoded.fault = TextFileFault::HoldsNul;
        return decoded;
    }
    decoded.units.reserve(bytes.size());
    std::size_t pos = 0;
    bool atStart = true, markDropped = false;
    while (pos < bytes.size()) {
        const char32_t code = DecodeSequence(bytes, pos);
        if (code == Malformed) {
            decoded.units.clear();
            decoded.fault = TextFileFault::NotUtf8;
            return decoded;
        }
        if (atStart && code == ByteOrderMark && pos == 3)
            continue;
        if (atStart && code == RightToLeftMark && !markDropped) {
            markDropped = true;
            continue;
        }
        atStart = false;
        if (code == '\r') {
            if (pos < bytes.size() && bytes[pos] == '\n')
                ++pos;
            decoded.units.push_back(CarriageReturn);
        } else if (code == '\n') {
            decoded.units.push_back(CarriageReturn);
        } else if (code >= 0x10000) {
            decoded.units.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            decoded.units.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            decoded.units.push_back(static_cast<char16_t>(code));
        }
    }
    return decoded;
}

std::string EncodeTextFile(const char16_t* units, uint32_t length)
{
    std::string bytes = ToUtf8(units, length);
    for (char& byte : bytes)
        if (byte == '\r')
            byte = '\n';
    return bytes;
}
