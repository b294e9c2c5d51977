#pragma once

#include <QByteArray>
#include <QString>

#include <bit>
#include <cstdint>
#include <cstring>

namespace rl {

// Bytes of a binary record built field by field, every number little-endian.
class LittleEndianBuffer {
public:
    LittleEndianBuffer& u8(unsigned value) {
        bytes_.append(char(value & 0xFF));
        return *this;
    }
    LittleEndianBuffer& u16(unsigned value) { return u8(value).u8(value >> 8); }
    LittleEndianBuffer& u32(std::uint32_t value) { return u16(value & 0xFFFF).u16(value >> 16); }
    LittleEndianBuffer& f64(double value) {
        const auto bits = std::bit_cast<std::uint64_t>(value);
        return u32(std::uint32_t(bits)).u32(std::uint32_t(bits >> 32));
    }
    // The characters as UTF-16LE code units, without length or terminator.
    LittleEndianBuffer& utf16(const QString& text) {
        for (const QChar ch : text)
            u16(ch.unicode());
        return *this;
    }
    LittleEndianBuffer& fill(unsigned byte, qsizetype count) {
        bytes_.append(count, char(byte));
        return *this;
    }
    LittleEndianBuffer& raw(const QByteArray& bytes) {
        bytes_.append(bytes);
        return *this;
    }

    qsizetype size() const { return bytes_.size(); }
    const QByteArray& bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

} // namespace rl
