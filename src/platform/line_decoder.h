#pragma once

#include "platform/report_encoding.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace rl {

// Turns a report line in its file's encoding into the report's own text:
// Windows-1252 bytes, one byte (one cell of the report's grid) for every
// character of the line, so columns stay where the report put them.
// - Characters Windows-1252 has become its byte; control characters stay.
// - Box-drawing characters become "-" (horizontal lines), "=" (double
//   horizontal lines), "|" (vertical lines, single or double) and "+" (corners,
//   tees and crosses), so frames stay drawn.
// - Everything else becomes "?".
// The decoding itself is Qt's (ICU) or, where Qt lacks a code page, iconv's;
// only the folding into Windows-1252 is done here.
//
// Cheap to copy; immutable after construction, so one may be shared.
class LineDecoder {
public:
    // Windows-1252: lines pass unchanged.
    LineDecoder() = default;
    // Throws rl::Error when the system can decode that code page neither
    // through Qt nor through iconv. Auto is taken as Windows-1252.
    explicit LineDecoder(ReportEncoding encoding);

    ReportEncoding Encoding() const { return encoding_; }
    // Whether lines pass unchanged (Windows-1252).
    bool PassesLinesUnchanged() const { return encoding_ == ReportEncoding::Windows1252; }

    // The line as the report's text.
    std::string Decode(std::string_view line) const;
    // The same without a copy when the line passes unchanged: returns either
    // line itself or buffer, filled with the decoded line.
    const std::string& Decode(const std::string& line, std::string& buffer) const;

    // The Windows-1252 cell of one Unicode character, as Decode folds it.
    static char Cell(char32_t character);

    // Where a single-byte code page's table comes from; both exist so each can
    // be checked against the other.
    enum class Codecs { Qt, Iconv };
    // Unicode of the bytes 0x80-0xFF of CP850, CP437 or ISO-8859-15, index 0
    // being byte 0x80; nullopt when that library lacks the code page.
    static std::optional<std::u32string> HighHalf(ReportEncoding encoding, Codecs codecs);

private:
    ReportEncoding encoding_ = ReportEncoding::Windows1252;
    // The cell of every byte, for the single-byte code pages.
    std::array<char, 256> cells_{};
};

} // namespace rl
