#pragma once

#include <QByteArray>

#include <cstdint>

namespace rl {

// The 16-bit checksum by which the exporters recognise a picture they have
// already written: a CRC over the polynomial 0x1021, most significant bit
// first, starting from 0, without a final XOR. Each byte is shifted into the
// register before the table reduces the byte shifted out, so the result is
// the message itself taken modulo the polynomial; an empty input gives 0.
std::uint16_t PictureChecksum(const QByteArray& bytes);

} // namespace rl
