#pragma once

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace rl {

// Little-endian writer of the spill format, appending to a byte array. Pages
// are serialized into memory first and written to the file in one call.
// While the writer lives the array may hold spare bytes past position(), so
// that each field is a plain copy; they are cut off when the writer is destroyed.
class ByteWriter {
public:
    explicit ByteWriter(QByteArray& out) : out_(out), pos_(out.size()) {}
    ~ByteWriter() { out_.resize(pos_); }
    ByteWriter(const ByteWriter&) = delete;
    ByteWriter& operator=(const ByteWriter&) = delete;

    void byte(std::uint8_t v) { *room(1) = char(v); }
    void int16(std::int16_t v) {
        const auto u = std::uint16_t(v);
        char* b = room(2);
        b[0] = char(u & 0xff);
        b[1] = char(u >> 8);
    }
    void int32(std::int32_t v) { put32(room(4), v); }
    void bytes(const char* data, qsizetype size) {
        if (size > 0) std::memcpy(room(size), data, size_t(size));
    }
    // An int32 byte count, then the bytes.
    void string(const std::string& s) {
        int32(std::int32_t(s.size()));
        bytes(s.data(), qsizetype(s.size()));
    }
    qsizetype position() const { return pos_; }
    // Overwrites an int32 written earlier (object and record sizes).
    void patch32(qsizetype at, std::int32_t v) { put32(out_.data() + at, v); }

private:
    char* room(qsizetype n) {
        if (n > qsizetype(out_.size()) - pos_) grow(n);
        char* at = data_ + pos_;
        pos_ += n;
        return at;
    }
    void grow(qsizetype n) {
        out_.resize(std::max(pos_ + n, 2 * out_.size() + 256));
        data_ = out_.data();
    }
    static void put32(char* b, std::int32_t v) {
        const auto u = std::uint32_t(v);
        b[0] = char(u & 0xff);
        b[1] = char((u >> 8) & 0xff);
        b[2] = char((u >> 16) & 0xff);
        b[3] = char(u >> 24);
    }
    QByteArray& out_;
    qsizetype pos_;
    char* data_ = nullptr; // out_'s bytes, once grown by this writer
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
