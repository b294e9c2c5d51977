#pragma once

#include <QByteArray>

#include <cstdint>
#include <cstring>
#include <string>

namespace rl {

// Little-endian writer of the spill format into a growing buffer. Pages are
// serialized into memory first and written to the file in one call.
class ByteWriter {
public:
    explicit ByteWriter(QByteArray& out) : out_(out) {}

    void byte(std::uint8_t v) { out_.append(char(v)); }
    void int16(std::int16_t v) {
        const auto u = std::uint16_t(v);
        const char b[2] = {char(u & 0xff), char(u >> 8)};
        out_.append(b, 2);
    }
    void int32(std::int32_t v) {
        char b[4];
        put32(b, v);
        out_.append(b, 4);
    }
    void bytes(const char* data, qsizetype size) { out_.append(data, size); }
    // An int32 byte count, then the bytes.
    void string(const std::string& s) {
        int32(std::int32_t(s.size()));
        out_.append(s.data(), qsizetype(s.size()));
    }
    qsizetype position() const { return out_.size(); }
    // Overwrites an int32 written earlier (object and record sizes).
    void patch32(qsizetype at, std::int32_t v) { put32(out_.data() + at, v); }

private:
    static void put32(char* b, std::int32_t v) {
        const auto u = std::uint32_t(v);
        b[0] = char(u & 0xff);
        b[1] = char((u >> 8) & 0xff);
        b[2] = char((u >> 16) & 0xff);
        b[3] = char(u >> 24);
    }
    QByteArray& out_;
};

// Little-endian reader over a byte range. Every read checks the remaining size
// and throws rl::Error when the data ends early, so a damaged or truncated
// record surfaces as a read failure and never as an overrun or a huge allocation.
class ByteReader {
public:
    ByteReader(const char* data, qsizetype size) : data_(data), size_(size) {}

    std::uint8_t byte();
    std::int16_t int16();
    std::int32_t int32();
    std::string string();
    // A count of items each at least minItemSize bytes long: fails when the rest
    // of the data cannot hold that many.
    std::int32_t count(qsizetype minItemSize);
    void skip(qsizetype n);
    qsizetype position() const { return pos_; }
    qsizetype remaining() const { return size_ - pos_; }
    bool atEnd() const { return pos_ >= size_; }

private:
    void need(qsizetype n);
    const char* data_;
    qsizetype size_;
    qsizetype pos_ = 0;
};

} // namespace rl
