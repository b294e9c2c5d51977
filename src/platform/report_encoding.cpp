#include "platform/report_encoding.h"

#include <algorithm>

namespace rl {

namespace {

struct EncodingWords {
    ReportEncoding encoding;
    const char* name;
    const char* caption;
};

constexpr EncodingWords kWords[] = {
    {ReportEncoding::Auto, "auto", "Automática"},
    {ReportEncoding::Windows1252, "cp1252", "Windows-1252 (ANSI)"},
    {ReportEncoding::Cp850, "cp850", "CP850 (DOS, Europa ocidental)"},
    {ReportEncoding::Cp437, "cp437", "CP437 (DOS, Estados Unidos)"},
    {ReportEncoding::Iso8859_15, "iso-8859-15", "ISO-8859-15 (Latin-9)"},
    {ReportEncoding::Utf8, "utf-8", "UTF-8"},
};

const EncodingWords& wordsOf(ReportEncoding encoding) {
    for (const EncodingWords& words : kWords)
        if (words.encoding == encoding) return words;
    return kWords[0];
}

// ---- what the bytes look like

bool isHigh(unsigned char b) {
    return b >= 0x80;
}

bool isAsciiLetter(unsigned char b) {
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

// Positions of CP850 that hold the single and double box-drawing pieces, the
// shades and the blocks.
bool isCp850BoxDrawing(unsigned char b) {
    return (b >= 0xB0 && b <= 0xB4) || (b >= 0xB9 && b <= 0xBC) || (b >= 0xBF && b <= 0xC5) ||
           (b >= 0xC8 && b <= 0xCE) || (b >= 0xD9 && b <= 0xDC) || b == 0xDF;
}

// Positions of CP850 that hold accented letters (and the ordinal indicators
// "ª" and "º" Portuguese writes after numbers).
bool isCp850Letter(unsigned char b) {
    return (b >= 0x80 && b <= 0x9B) || b == 0x9D || (b >= 0xA0 && b <= 0xA7) || (b >= 0xB5 && b <= 0xB7) ||
           b == 0xC6 || b == 0xC7 || (b >= 0xD0 && b <= 0xD8) || b == 0xDE || (b >= 0xE0 && b <= 0xED);
}

enum class Case { None, Upper, Lower };

// The case of a Windows-1252 letter; None for anything that is not one.
Case windows1252LetterCase(unsigned char b) {
    if (b == 0x8A || b == 0x8C || b == 0x8E || b == 0x9F || (b >= 0xC0 && b <= 0xDE && b != 0xD7))
        return Case::Upper;
    if (b == 0x9A || b == 0x9C || b == 0x9E || b == 0xB5 || (b >= 0xDF && b != 0xF7)) return Case::Lower;
    return Case::None;
}

// The bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D are no character at all in Windows-1252.
bool isWindows1252Hole(unsigned char b) {
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

Case asciiCase(unsigned char b) {
    if (b >= 'A' && b <= 'Z') return Case::Upper;
    if (b >= 'a' && b <= 'z') return Case::Lower;
    return Case::None;
}

// Length of the UTF-8 sequence that starts at line[i], 0 when none does:
// shortest form only, no surrogates, nothing above U+10FFFF.
size_t utf8SequenceLength(std::string_view line, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(line[k]); };
    const unsigned char lead = byte(i);
    size_t length;
    unsigned char low = 0x80, high = 0xBF; // the bounds of the second byte
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;  // shorter forms exist
        if (lead == 0xED) high = 0x9F; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F; // beyond U+10FFFF
    } else
        return 0;
    if (i + length > line.size()) return 0;
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
    return length;
}

} // namespace

QString ReportEncodingName(ReportEncoding encoding) {
    return QString::fromLatin1(wordsOf(encoding).name);
}

std::optional<ReportEncoding> ReportEncodingFromName(const QString& name) {
    for (const EncodingWords& words : kWords)
        if (name.compare(QLatin1String(words.name), Qt::CaseInsensitive) == 0) return words.encoding;
    return std::nullopt;
}

QString ReportEncodingCaption(ReportEncoding encoding) {
    return QString::fromUtf8(wordsOf(encoding).caption);
}

// The decision, and why it is made so.
//
// Programs that write reports write Windows-1252 (the viewer's own encoding),
// a DOS code page (CP850 in Brazil and Portugal) or UTF-8, and none of them
// marks which. So the bytes decide:
//
// 1. UTF-8 first. A file in a single-byte encoding that happens to be valid
//    UTF-8 with multi-byte sequences is all but impossible (accents would have
//    to come in the exact pairs UTF-8 builds), so such a file, or one that
//    begins with the UTF-8 byte order mark, is UTF-8.
// 2. CP850 only when Windows-1252 makes no sense of the file. Its box-drawing
//    pieces and accented letters share byte values with Windows-1252's
//    accented capitals and signs, so the byte values alone cannot tell the
//    two apart. What tells them apart is where the bytes stand. Read as
//    Windows-1252, a CP850 file shows
//    - runs of one accented letter ("ÄÄÄÄ" for a rule "────");
//    - signs inside words ("Relat¢rio", "t‚cnico");
//    - letters of the wrong case inside words ("nÆo", "RELATàRIO");
//    - bytes Windows-1252 leaves unassigned.
//    A real Windows-1252 file shows accented letters of the word's case next
//    to the word's letters. The file is CP850 when most of its bytes above
//    0x7F (three in four) sit on CP850's box-drawing and letter positions, and
//    the nonsense seen as Windows-1252 outweighs the sense.
// 3. Everything else stays Windows-1252, so every file read before this
//    choice existed reads as it always has.
//
// CP437 and ISO-8859-15 are never guessed: CP437 frames read the same as CP850
// (the two share the single and double lines), and ISO-8859-15 differs from
// Windows-1252 in eight rarely used signs; a user who needs them says so.
void ReportEncodingDetector::AddLine(std::string_view line) {
    if (first_) {
        bom_ = line.substr(0, 3) == "\xEF\xBB\xBF";
        first_ = false;
    }
    // Only bytes above 127 tell anything: most report lines have none.
    if (std::none_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return;
    const size_t size = line.size();
    const auto at = [&](size_t k) { return static_cast<unsigned char>(line[k]); };
    // Line ends never fall inside a UTF-8 sequence, so each line is checked alone.
    for (size_t i = 0; validUtf8_ && i < size;) {
        if (!isHigh(at(i))) {
            ++i;
        } else if (const size_t length = utf8SequenceLength(line, i)) {
            ++multiByteSequences_;
            i += length;
        } else {
            validUtf8_ = false;
        }
    }
    for (size_t i = 0; i < size; ++i) {
        const unsigned char b = at(i);
        if (!isHigh(b)) continue;
        ++highBytes_;

        if (isCp850BoxDrawing(b) || isCp850Letter(b)) ++cp850Positions_;

        const unsigned char before = i > 0 ? at(i - 1) : ' ';
        const unsigned char after = i + 1 < size ? at(i + 1) : ' ';
        const bool run = (i >= 2 && at(i - 1) == b && at(i - 2) == b) ||
                         (i >= 1 && i + 1 < size && at(i - 1) == b && at(i + 1) == b) ||
                         (i + 2 < size && at(i + 1) == b && at(i + 2) == b);
        const Case letterCase = windows1252LetterCase(b);
        const bool wordBefore = isAsciiLetter(before) || isHigh(before);
        const bool wordAfter = isAsciiLetter(after) || isHigh(after);
        const Case around = asciiCase(before) == asciiCase(after) ? asciiCase(before) : Case::None;
        if (isWindows1252Hole(b) || run || (letterCase == Case::None && wordBefore && wordAfter) ||
            (letterCase != Case::None && around != Case::None && letterCase != around))
            ++nonsenseAs1252_;
        else if (letterCase != Case::None && (isAsciiLetter(before) || isAsciiLetter(after)))
            ++senseAs1252_;
    }
}

ReportEncoding ReportEncodingDetector::Decision() const {
    if (bom_ || (validUtf8_ && multiByteSequences_ > 0)) return ReportEncoding::Utf8;
    if (highBytes_ > 0 && cp850Positions_ * 4 >= highBytes_ * 3 && nonsenseAs1252_ > senseAs1252_)
        return ReportEncoding::Cp850;
    return ReportEncoding::Windows1252;
}

ReportEncoding DetectReportEncoding(const std::vector<std::string>& lines) {
    ReportEncodingDetector detector;
    for (const std::string& line : lines)
        detector.AddLine(line);
    return detector.Decision();
}

ReportEncoding ResolveReportEncoding(ReportEncoding asked, const std::vector<std::string>& lines) {
    return asked == ReportEncoding::Auto ? DetectReportEncoding(lines) : asked;
}

} // namespace rl
