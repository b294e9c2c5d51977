#include "platform/line_decoder.h"

#include "platform/error.h"
#include "platform/windows1252.h"

#include <QStringDecoder>

#include <iconv.h>

#include <algorithm>
#include <span>

namespace rl {

namespace {

// The names each library knows the single-byte code pages by.
struct CodePageNames {
    ReportEncoding encoding;
    const char* qt;    // ICU's, through QStringDecoder
    const char* iconv; // glibc's
};

constexpr CodePageNames kCodePages[] = {
    {ReportEncoding::Cp850, "IBM850", "CP850"},
    {ReportEncoding::Cp437, "IBM437", "CP437"},
    {ReportEncoding::Iso8859_15, "ISO-8859-15", "ISO-8859-15"},
};

const CodePageNames* namesOf(ReportEncoding encoding) {
    for (const CodePageNames& names : kCodePages)
        if (names.encoding == encoding) return &names;
    return nullptr;
}

std::optional<std::u32string> highHalfThroughQt(const char* name) {
    QStringDecoder decoder(name);
    if (!decoder.isValid()) return std::nullopt;
    std::u32string result;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const char c = char(byte);
        const QString text = decoder.decode(QByteArrayView(&c, 1));
        // Every byte of these pages is one character of the Basic Multilingual Plane.
        result.push_back(text.size() == 1 ? char32_t(text[0].unicode()) : char32_t(0xFFFD));
    }
    return result;
}

std::optional<std::u32string> highHalfThroughIconv(const char* name) {
    const iconv_t converter = iconv_open("UTF-32LE", name);
    if (converter == iconv_t(-1)) return std::nullopt;
    std::u32string result;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        char in = char(byte);
        unsigned char out[4] = {};
        char* inPointer = &in;
        char* outPointer = reinterpret_cast<char*>(out);
        size_t inLeft = 1, outLeft = sizeof out;
        iconv(converter, nullptr, nullptr, nullptr, nullptr); // a fresh state for each byte
        const bool converted =
            iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) != size_t(-1) && outLeft == 0;
        result.push_back(converted ? char32_t(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24)
                                   : char32_t(0xFFFD));
    }
    iconv_close(converter);
    return result;
}

// Box-drawing lines of every weight and dash, whole or half.
constexpr char32_t kHorizontalLines[] = {0x2500, 0x2501, 0x2504, 0x2505, 0x2508, 0x2509, 0x254C,
                                         0x254D, 0x2574, 0x2576, 0x2578, 0x257A, 0x257C, 0x257E};
constexpr char32_t kVerticalLines[] = {0x2502, 0x2503, 0x2506, 0x2507, 0x250A, 0x250B, 0x254E, 0x254F,
                                       0x2551, 0x2575, 0x2577, 0x2579, 0x257B, 0x257D, 0x257F};

bool isOneOf(char32_t c, std::span<const char32_t> set) {
    return std::find(set.begin(), set.end(), c) != set.end();
}

// The cell of a box-drawing character (U+2500 to U+257F), 0 for any other.
char boxDrawingCell(char32_t c) {
    if (c < 0x2500 || c > 0x257F) return 0;
    if (c == 0x2550) return '='; // the double horizontal line
    if (isOneOf(c, kHorizontalLines)) return '-';
    if (isOneOf(c, kVerticalLines)) return '|'; // the double vertical line too: "||" would take two cells
    if (c == 0x2571) return '/';
    if (c == 0x2572) return '\\';
    if (c == 0x2573) return 'X';
    return '+'; // corners, tees and crosses of every weight, the rounded corners
}

} // namespace

LineDecoder::LineDecoder(ReportEncoding encoding)
    : encoding_(encoding == ReportEncoding::Auto ? ReportEncoding::Windows1252 : encoding) {
    const CodePageNames* names = namesOf(encoding_);
    if (!names) return; // Windows-1252 passes lines through; UTF-8 is decoded line by line
    std::optional<std::u32string> high = HighHalf(encoding_, Codecs::Qt);
    if (!high) high = HighHalf(encoding_, Codecs::Iconv);
    if (!high)
        throw Error("Este sistema não sabe ler a codificação " + ReportEncodingName(encoding_).toStdString() +
                    ".");
    // The lower half is ASCII in all of them. Tables of the IBM pages that
    // turn some control bytes into pictures are not followed there: in a
    // report those bytes are controls (form feed above all).
    for (int byte = 0; byte < 0x80; ++byte)
        cells_[size_t(byte)] = char(byte);
    for (size_t i = 0; i < 0x80; ++i)
        cells_[0x80 + i] = Cell((*high)[i]);
}

std::optional<std::u32string> LineDecoder::HighHalf(ReportEncoding encoding, Codecs codecs) {
    const CodePageNames* names = namesOf(encoding);
    if (!names) return std::nullopt;
    return codecs == Codecs::Qt ? highHalfThroughQt(names->qt) : highHalfThroughIconv(names->iconv);
}

char LineDecoder::Cell(char32_t c) {
    if (c < 0x80) return char(c);
    if (const char box = boxDrawingCell(c)) return box;
    // ICU's CP437 gives byte 0xE6 as the Greek mu, Microsoft's table (and
    // glibc's) as the micro sign: one letter to the reader either way.
    if (c == 0x03BC) return char(0xB5);
    // The C1 controls are no characters of Windows-1252 (its five holes
    // included: a decoded file never means them).
    if (c < 0xA0 || c > 0xFFFF) return '?';
    const int byte = windows1252Byte(char16_t(c));
    return byte < 0 ? '?' : char(byte);
}

std::string LineDecoder::Decode(std::string_view line) const {
    switch (encoding_) {
    case ReportEncoding::Auto:
    case ReportEncoding::Windows1252:
        return std::string(line);
    case ReportEncoding::Utf8: {
        // Most lines of most reports are ASCII, which UTF-8 leaves as it is.
        if (std::all_of(line.begin(), line.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            return std::string(line);
        QString text = QString::fromUtf8(line.data(), qsizetype(line.size()));
        // A byte order mark has no cell; only the first line has one.
        if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
        // Composed: "e" and a combining accent written apart are one character, one cell.
        if (std::any_of(text.cbegin(), text.cend(),
                        [](QChar c) { return c.unicode() >= 0x300 && c.isMark(); }))
            text = text.normalized(QString::NormalizationForm_C);
        std::string cells;
        cells.reserve(size_t(text.size()));
        const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
        const char16_t* const end = in + text.size();
        while (in < end) {
            char32_t c = *in++;
            if (QChar::isHighSurrogate(c) && in < end && QChar::isLowSurrogate(*in))
                c = QChar::surrogateToUcs4(char16_t(c), *in++);
            cells.push_back(Cell(c));
        }
        return cells;
    }
    case ReportEncoding::Cp850:
    case ReportEncoding::Cp437:
    case ReportEncoding::Iso8859_15:
        break;
    }
    std::string cells(line.size(), '\0');
    for (size_t i = 0; i < line.size(); ++i)
        cells[i] = cells_[static_cast<unsigned char>(line[i])];
    return cells;
}

const std::string& LineDecoder::Decode(const std::string& line, std::string& buffer) const {
    if (PassesLinesUnchanged()) return line;
    buffer = Decode(std::string_view(line));
    return buffer;
}

} // namespace rl
