#include "TextFile.h"

#include <cstring>

#include "OwnWideString.h"

namespace {

constexpr char16_t CarriageReturn = 0x000D;
constexpr char32_t ByteOrderMark = 0xFEFF;
constexpr char32_t RightToLeftMark = 0x200F;

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
        const char32_t code =
            DecodeUtf8Sequence(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), pos);
        if (code == IllFormedUtf8) {
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
