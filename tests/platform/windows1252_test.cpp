#include "platform/windows1252.h"

#include <gtest/gtest.h>

#include <string>

using rl::fromWindows1252;
using rl::toWindows1252;
using rl::windows1252Byte;

TEST(Windows1252, EveryByteSurvivesARoundTrip) {
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all.append(char(byte));
    const QString text = fromWindows1252(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(toWindows1252(text), all);
}

TEST(Windows1252, HighControlRangeFollowsTheCodePageNotLatin1) {
    EXPECT_EQ(fromWindows1252(QByteArray("\x80")), QString(QChar(0x20AC)));
    EXPECT_EQ(fromWindows1252(QByteArray("\x9F")), QString(QChar(0x0178)));
    EXPECT_EQ(fromWindows1252(QByteArray("\x8A\x93\x94\x96")), QString::fromUtf8("Š“”–"));
    EXPECT_EQ(toWindows1252(QString::fromUtf8("€ Ÿ Š … ™")), QByteArray("\x80 \x9F \x8A \x85 \x99"));
}

TEST(Windows1252, AccentedLettersAreLatin1Bytes) {
    EXPECT_EQ(fromWindows1252(QByteArray("Relat\xF3rio p\xE1gina \xC7\xE3")),
              QString::fromUtf8("Relatório página Çã"));
    EXPECT_EQ(toWindows1252(QString::fromUtf8("Relatório Ação ÿ")),
              QByteArray("Relat\xF3rio A\xE7\xE3o \xFF"));
}

TEST(Windows1252, UnassignedBytesBecomeTheC1ControlOfTheSameValue) {
    for (const unsigned char byte : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        const QString text = fromWindows1252(std::string_view(reinterpret_cast<const char*>(&byte), 1));
        ASSERT_EQ(text.size(), 1);
        EXPECT_EQ(text[0].unicode(), byte);
        EXPECT_EQ(windows1252Byte(char16_t(byte)), byte);
    }
}

TEST(Windows1252, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    // U+0080 is a C1 control that the code page does not hold (0x80 is the euro).
    EXPECT_EQ(toWindows1252(QString(QChar(0x0080))), QByteArray("?"));
    EXPECT_EQ(toWindows1252(QString::fromUtf8("a中b")), QByteArray("a?b"));
    EXPECT_EQ(windows1252Byte(u'\u0100'), -1);
    EXPECT_EQ(windows1252Byte(u'\u20AC'), 0x80);
    EXPECT_EQ(windows1252Byte(u'A'), 'A');
}

TEST(Windows1252, OneQuestionMarkPerCharacterOutsideTheBasicPlane) {
    EXPECT_EQ(toWindows1252(QString::fromUtf8("x😀y")), QByteArray("x?y"));
    // Lone surrogates are not characters either.
    QString lone;
    lone.append(QChar(0xD800)).append(u'z').append(QChar(0xDC00));
    EXPECT_EQ(toWindows1252(lone), QByteArray("?z?"));
}

TEST(Windows1252, EmbeddedZerosAndEmptyInput) {
    const std::string bytes("a\0b", 3);
    EXPECT_EQ(fromWindows1252(bytes).size(), 3);
    EXPECT_EQ(toWindows1252(fromWindows1252(bytes)), QByteArray(bytes.data(), 3));
    EXPECT_TRUE(fromWindows1252(std::string_view()).isEmpty());
    EXPECT_TRUE(toWindows1252(QString()).isEmpty());
}
