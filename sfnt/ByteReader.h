#pragma once

#include <cstddef>
#include <cstdint>

// Big-endian reads over borrowed bytes. Every read names its offset and says
// whether it fitted; nothing is ever read outside [data, data + size). The
// checks are written as `n > size - pos` so that no sum can overflow.
class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}

    size_t size() const { return size_; }
    const uint8_t* data() const { return data_; }

    // True when the n bytes starting at pos all lie inside the bytes.
    bool fits(size_t pos, size_t n) const { return pos <= size_ && n <= size_ - pos; }

    bool u8(size_t pos, uint8_t& value) const
    {
        if (!fits(pos, 1))
            return false;
        value = data_[pos];
        return true;
    }

    bool u16(size_t pos, uint16_t& value) const
    {
        if (!fits(pos, 2))
            return false;
        value = static_cast<uint16_t>((data_[pos] << 8) | data_[pos + 1]);
        return true;
    }

    bool u32(size_t pos, uint32_t& value) const
    {
        if (!fits(pos, 4))
            return false;
        value = (uint32_t(data_[pos]) << 24) | (uint32_t(data_[pos + 1]) << 16)
            | (uint32_t(data_[pos + 2]) << 8) | uint32_t(data_[pos + 3]);
        return true;
    }

    bool u64(size_t pos, uint64_t& value) const
    {
        uint32_t high = 0, low = 0;
        if (!u32(pos, high) || !u32(pos + 4, low))
            return false;
        value = (uint64_t(high) << 32) | low;
        return true;
    }

    // The n bytes at pos as a reader of their own, or an empty one when they
    // do not fit.
    ByteReader sub(size_t pos, size_t n) const
    {
        if (!fits(pos, n))
            return ByteReader();
        return ByteReader(data_ + pos, n);
    }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};
