#include "export/pdf_font_list.h"

#include "export/pdf_font_metrics.h"
#include "export/pdf_output.h"
#include "pagestore/meta_records.h"

#include <QByteArray>

#include <array>

namespace rl {

namespace {

constexpr std::array<const char*, 14> kStandardFonts = {
    "Courier",          "Courier-Bold",   "Courier-Oblique",   "Courier-BoldOblique",
    "Helvetica",        "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique",
    "Symbol",           "Times-Roman",    "Times-Bold",        "Times-Italic",
    "Times-BoldItalic", "ZapfDingbats"};

bool equalNoCase(const std::string& a, const std::string& b) {
    return QByteArray::fromStdString(a).compare(QByteArray::fromStdString(b), Qt::CaseInsensitive) == 0;
}

std::string withoutBlanks(const std::string& name) {
    std::string out;
    for (const char ch : name)
        if (ch != ' ') out.push_back(ch);
    return out;
}

// The TrueType base name: the face without blanks and its style suffixes.
std::string trueTypeBaseName(const std::string& bare, std::uint8_t style) {
    std::string name = bare;
    const bool bold = style & fsBold, italic = style & fsItalic;
    if (bold && italic)
        name += ",BoldItalic";
    else if (bold)
        name += ",Bold";
    else if (italic)
        name += ",Italic";
    if (style & fsUnderline) name += ",Underline";
    if (style & fsStrikeOut) name += ",StrikeOut";
    return name;
}

void appendLine(PdfOutput& out, std::string_view a, long long number) {
    std::string& s = out.buffer();
    s.append(a);
    appendInteger(s, number);
    out.lineEnd();
}

} // namespace

bool PdfFontList::isStandardFont(const std::string& nameWithoutBlanks) {
    for (const char* standard : kStandardFonts)
        if (equalNoCase(nameWithoutBlanks, standard)) return true;
    return false;
}

int PdfFontList::resourceFor(const std::string& name, std::uint8_t style, PdfOutput& out) {
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].Style == style && equalNoCase(entries_[i].Name, name)) return int(i) + 1;
    entries_.push_back({name, style, out.reserveObject()});
    return int(entries_.size());
}

void PdfFontList::writeFonts(PdfOutput& out) const {
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        const std::string bare = withoutBlanks(e.Name);
        if (isStandardFont(bare)) {
            writeStandardFont(out, int(i) + 1, bare);
            continue;
        }
        const TrueTypeMetrics metrics = readTrueTypeMetrics(e.Name, e.Style);
        const std::string baseName = trueTypeBaseName(bare, e.Style);
        const int descriptor = out.reserveObject();
        writeTrueTypeFont(out, int(i) + 1, baseName, metrics, descriptor);
        writeFontDescriptor(out, descriptor, baseName, metrics);
    }
}

void PdfFontList::writeStandardFont(PdfOutput& out, int index, const std::string& baseName) const {
    out.beginDictionary(entries_[size_t(index - 1)].ObjectNumber);
    std::string& s = out.buffer();
    s.append("/Type/Font/Subtype/Type1/Name/F");
    appendInteger(s, index);
    s.append("/BaseFont/" + pdfNameChars(baseName) + "/Encoding/WinAnsiEncoding");
    out.lineEnd();
    out.endDictionary();
}

void PdfFontList::writeTrueTypeFont(PdfOutput& out, int index, const std::string& baseName,
                                    const TrueTypeMetrics& metrics, int descriptor) const {
    out.beginDictionary(entries_[size_t(index - 1)].ObjectNumber);
    std::string& s = out.buffer();
    s.append("/Type/Font/Subtype/TrueType/Name/F");
    appendInteger(s, index);
    s.append("/BaseFont/" + pdfNameChars(baseName));
    out.lineEnd();
    appendLine(out, "/FirstChar ", metrics.FirstChar);
    appendLine(out, "/LastChar ", metrics.LastChar);
    out.writeLine("/Widths [");
    for (size_t i = 0; i < metrics.Widths.size(); ++i) {
        appendInteger(s, metrics.Widths[i]);
        s.push_back(' ');
        if ((i + 1) % 18 == 0) out.lineEnd();
    }
    out.lineEnd();
    out.writeLine("]");
    out.writeLine("/FontDescriptor " + pdfReference(descriptor));
    out.writeLine("/Encoding/WinAnsiEncoding");
    out.endDictionary();
}

void PdfFontList::writeFontDescriptor(PdfOutput& out, int number, const std::string& baseName,
                                      const TrueTypeMetrics& m) const {
    out.beginDictionary(number);
    std::string& s = out.buffer();
    out.writeLine("/Type/FontDescriptor");
    out.writeLine("/FontName/" + pdfNameChars(baseName));
    out.writeLine("/Flags 32");
    s.append("/FontBBox [ ");
    for (const int v : {m.BoxLeft, m.BoxBottom, m.BoxRight, m.BoxTop}) {
        appendInteger(s, v);
        s.push_back(' ');
    }
    out.writeLine("]");
    out.writeLine("/MissingWidth 0");
    out.writeLine("/StemV 73");
    out.writeLine("/StemH 73");
    appendLine(out, "/ItalicAngle ", m.ItalicAngle);
    appendLine(out, "/CapHeight ", m.CapHeight);
    appendLine(out, "/XHeight ", m.XHeight);
    appendLine(out, "/Ascent ", m.Ascent);
    appendLine(out, "/Descent ", m.Descent);
    appendLine(out, "/Leading ", m.Leading);
    appendLine(out, "/MaxWidth ", m.MaxWidth);
    appendLine(out, "/AvgWidth ", m.AvgWidth);
    out.endDictionary();
}

} // namespace rl
