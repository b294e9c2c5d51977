#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rl {

// The character encodings a report file may be written in. The report's own
// text is Windows-1252 whatever the file's encoding: a line in any other one
// is decoded to it (LineDecoder) before it reaches the report engine.
enum class ReportEncoding {
    Auto, // decided from the file's bytes (DetectReportEncoding)
    Windows1252,
    Cp850,
    Cp437,
    Iso8859_15,
    Utf8,
};

// Every encoding, Auto first, in the order the command line's help and the
// "Abrir" dialog list them.
inline constexpr ReportEncoding kReportEncodings[] = {
    ReportEncoding::Auto,  ReportEncoding::Windows1252, ReportEncoding::Cp850,
    ReportEncoding::Cp437, ReportEncoding::Iso8859_15,  ReportEncoding::Utf8,
};

// The command line's word: "auto", "cp1252", "cp850", "cp437", "iso-8859-15", "utf-8".
QString ReportEncodingName(ReportEncoding encoding);
// The encoding of a command-line word, without regard to case; nullopt for any other word.
std::optional<ReportEncoding> ReportEncodingFromName(const QString& name);
// What the "Abrir" dialog's list shows for the encoding.
QString ReportEncodingCaption(ReportEncoding encoding);

// Decides the encoding of a report from its lines (as read: without line ends).
// Feed every line in order, then ask Decision(); memory is constant.
class ReportEncodingDetector {
public:
    void AddLine(std::string_view line);
    // UTF-8, CP850 or Windows-1252; never Auto, and never CP437 or ISO-8859-15
    // (those are only ever chosen by the user).
    ReportEncoding Decision() const;

private:
    bool first_ = true;
    bool bom_ = false;
    bool validUtf8_ = true;
    long long multiByteSequences_ = 0;
    long long highBytes_ = 0;
    long long cp850Positions_ = 0;
    long long nonsenseAs1252_ = 0;
    long long senseAs1252_ = 0;
};

// The decision over whole lines.
ReportEncoding DetectReportEncoding(const std::vector<std::string>& lines);
// The encoding to read lines in: the one asked for, or the decision when Auto.
ReportEncoding ResolveReportEncoding(ReportEncoding asked, const std::vector<std::string>& lines);

} // namespace rl
