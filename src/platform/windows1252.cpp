#include "platform/windows1252.h"

#include <array>

namespace rl {

namespace {

// Unicode of bytes 0x80-0x9F. The five holes of the code page (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) keep the C1 control of the same value, so any byte string survives
// a round trip.
constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

// One entry per byte, so decoding is a single look-up per character.
constexpr std::array<char16_t, 256> makeDecodeTable() {
    std::array<char16_t, 256> table{};
    for (int byte = 0; byte < 256; ++byte)
        table[size_t(byte)] = char16_t(byte);
    for (int i = 0; i < 32; ++i)
        table[size_t(0x80 + i)] = HighControls[size_t(i)];
    return table;
}

constexpr std::array<char16_t, 256> DecodeTable = makeDecodeTable();

} // namespace

QString fromWindows1252(std::string_view bytes) {
    QString text(qsizetype(bytes.size()), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (const char byte : bytes)
        *out++ = DecodeTable[static_cast<unsigned char>(byte)];
    return text;
}

int windows1252Byte(char16_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return ch;
    switch (ch) {
    case 0x0081:
    case 0x008D:
    case 0x008F:
    case 0x0090:
    case 0x009D:
        return ch;
    case 0x20AC:
        return 0x80;
    case 0x201A:
        return 0x82;
    case 0x0192:
        return 0x83;
    case 0x201E:
        return 0x84;
    case 0x2026:
        return 0x85;
    case 0x2020:
        return 0x86;
    case 0x2021:
        return 0x87;
    case 0x02C6:
        return 0x88;
    case 0x2030:
        return 0x89;
    case 0x0160:
        return 0x8A;
    case 0x2039:
        return 0x8B;
    case 0x0152:
        return 0x8C;
    case 0x017D:
        return 0x8E;
    case 0x2018:
        return 0x91;
    case 0x2019:
        return 0x92;
    case 0x201C:
        return 0x93;
    case 0x201D:
        return 0x94;
    case 0x2022:
        return 0x95;
    case 0x2013:
        return 0x96;
    case 0x2014:
        return 0x97;
    case 0x02DC:
        return 0x98;
    case 0x2122:
        return 0x99;
    case 0x0161:
        return 0x9A;
    case 0x203A:
        return 0x9B;
    case 0x0153:
        return 0x9C;
    case 0x017E:
        return 0x9E;
    case 0x0178:
        return 0x9F;
    default:
        return -1;
    }
}

QByteArray toWindows1252(const QString& text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* const end = in + text.size();
    while (in < end) {
        const char16_t ch = *in++;
        if (ch < 0x80) {
            *out++ = char(ch);
            continue;
        }
        // A character outside the Basic Multilingual Plane is one '?', not two.
        if (QChar::isHighSurrogate(ch) && in < end && QChar::isLowSurrogate(*in)) ++in;
        const int byte = windows1252Byte(ch);
        *out++ = byte < 0 ? '?' : char(byte);
    }
    bytes.truncate(out - bytes.constData());
    return bytes;
}

} // namespace rl
