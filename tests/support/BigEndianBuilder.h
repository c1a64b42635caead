#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

// Font table bytes for tests, written field by field, most significant byte
// first, so that each field of a fixture sits on its own commented line.
class BigEndianBuilder {
public:
    BigEndianBuilder& u8(uint8_t value)
    {
        bytes.push_back(value);
        return *this;
    }
    BigEndianBuilder& u16(uint16_t value)
    {
        bytes.push_back(uint8_t(value >> 8));
        bytes.push_back(uint8_t(value));
        return *this;
    }
    BigEndianBuilder& u32(uint32_t value)
    {
        u16(uint16_t(value >> 16));
        return u16(uint16_t(value));
    }
    BigEndianBuilder& u16s(std::initializer_list<uint16_t> values)
    {
        for (uint16_t value : values)
            u16(value);
        return *this;
    }
    BigEndianBuilder& zeros(size_t count)
    {
        bytes.insert(bytes.end(), count, 0);
        return *this;
    }
    BigEndianBuilder& append(const std::vector<uint8_t>& more)
    {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    size_t size() const { return bytes.size(); }

    std::vector<uint8_t> bytes;
};
