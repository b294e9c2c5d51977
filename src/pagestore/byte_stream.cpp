#include "pagestore/byte_stream.h"

#include "platform/error.h"

namespace rl {

void ByteReader::need(qsizetype n) {
    if (n < 0 || n > size_ - pos_) throw Error("Page data ends too early");
}

std::uint8_t ByteReader::byte() {
    need(1);
    return std::uint8_t(data_[pos_++]);
}

std::int16_t ByteReader::int16() {
    need(2);
    const auto* b = reinterpret_cast<const unsigned char*>(data_ + pos_);
    pos_ += 2;
    return std::int16_t(std::uint16_t(b[0] | (b[1] << 8)));
}

std::int32_t ByteReader::int32() {
    need(4);
    const auto* b = reinterpret_cast<const unsigned char*>(data_ + pos_);
    pos_ += 4;
    return std::int32_t(std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) | (std::uint32_t(b[2]) << 16) |
                        (std::uint32_t(b[3]) << 24));
}

std::string ByteReader::string() {
    const std::int32_t length = int32();
    if (length < 0) throw Error("Negative string length in page data");
    need(length);
    std::string s(data_ + pos_, size_t(length));
    pos_ += length;
    return s;
}

std::int32_t ByteReader::count(qsizetype minItemSize) {
    const std::int32_t n = int32();
    if (n < 0 || (minItemSize > 0 && qsizetype(n) > remaining() / minItemSize))
        throw Error("Impossible item count in page data");
    return n;
}

void ByteReader::skip(qsizetype n) {
    need(n);
    pos_ += n;
}

} // namespace rl
