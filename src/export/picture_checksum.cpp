#include "export/picture_checksum.h"

#include <array>

namespace rl {

namespace {

constexpr std::uint16_t kPolynomial = 0x1021;

// table[i]: the reduction of the byte i shifted out of the top of the register.
constexpr std::array<std::uint16_t, 256> makeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned c = i << 8;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 0x8000) ? (c << 1) ^ kPolynomial : c << 1;
        table[i] = std::uint16_t(c);
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kTable = makeTable();

} // namespace

std::uint16_t PictureChecksum(const QByteArray& bytes) {
    std::uint16_t c = 0;
    for (const char ch : bytes)
        c = std::uint16_t(((c << 8) | std::uint8_t(ch)) ^ kTable[c >> 8]);
    return c;
}

} // namespace rl
