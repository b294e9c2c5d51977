#include "export/picture_checksum.h"

#include <gtest/gtest.h>

using namespace rl;

// The register takes each byte in before reducing, so the checksum is the
// message itself modulo the polynomial; followed by two zero bytes it is the
// catalogued CRC-16 (polynomial 0x1021, initial 0, no final XOR) of the message.
TEST(PictureChecksum, MatchesTheCatalogueCheckValueAndLongDivision) {
    EXPECT_EQ(PictureChecksum(QByteArray("123456789\0\0", 11)), 0x31C3);
    EXPECT_EQ(PictureChecksum("123456789"), 0xBEEF); // bitwise long division by 0x11021
    EXPECT_EQ(PictureChecksum({}), 0);
    EXPECT_EQ(PictureChecksum(QByteArray(1, '\x01')), 0x0001);
    EXPECT_EQ(PictureChecksum(QByteArray("\x01\0\0", 3)), 0x1021);
}
