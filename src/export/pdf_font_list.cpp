#include "export/pdf_font_list.h"

#include "export/pdf_font_program.h"
#include "export/pdf_output.h"
#include "pagestore/meta_records.h"
#include "platform/windows1252.h"

#include <QByteArray>
#include <QString>

#include <array>

namespace rl {

namespace {

constexpr std::array<const char*, 14> kStandardFonts = {
    "Courier",          "Courier-Bold",   "Courier-Oblique",   "Courier-BoldOblique",
    "Helvetica",        "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique",
    "Symbol",           "Times-Roman",    "Times-Bold",        "Times-Italic",
    "Times-BoldItalic", "ZapfDingbats"};

// Ascent of each standard font, from its Adobe font metrics: (name prefix, ascent).
constexpr std::pair<const char*, int> kStandardAscents[] = {
    {"Courier", 629}, {"Helvetica", 718}, {"Times", 683}, {"Symbol", 1010}, {"ZapfDingbats", 820}};

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
    Entry entry{name, style, out.reserveObject(), std::nullopt, {}};
    // Read at first use: the ascent places every text's baseline.
    if (!isStandardFont(withoutBlanks(name))) entry.Metrics = readTrueTypeMetrics(name, style);
    entries_.push_back(std::move(entry));
    return int(entries_.size());
}

void PdfFontList::noteText(int resource, const std::string& text) {
    Entry& e = entries_.at(size_t(resource - 1));
    for (const char ch : text)
        e.Used.set(std::uint8_t(ch));
}

double PdfFontList::ascent(int resource) const {
    const Entry& e = entries_.at(size_t(resource - 1));
    if (e.Metrics) return e.Metrics->LayoutAscent;
    const QByteArray bare = QByteArray::fromStdString(withoutBlanks(e.Name));
    for (const auto& [prefix, ascent] : kStandardAscents)
        if (bare.toLower().startsWith(QByteArray(prefix).toLower())) return ascent;
    return 0;
}

void PdfFontList::writeFonts(PdfOutput& out, bool compress) const {
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        const std::string bare = withoutBlanks(e.Name);
        if (!e.Metrics) {
            writeStandardFont(out, int(i) + 1, bare);
            continue;
        }
        const int descriptor = out.reserveObject();
        const int fontFile = out.reserveObject();
        const int toUnicode = out.reserveObject();
        // A subset is named with a tag of six capitals and "+"; the tag comes
        // from the codes used, so the same text always gives the same file.
        std::uint32_t hash = 2166136261u;
        for (int code = 0; code < 256; ++code)
            hash = (hash ^ (e.Used[size_t(code)] ? std::uint32_t(code) + 1 : 0u)) * 16777619u;
        hash ^= std::uint32_t(i) * 2654435761u;
        std::string tag;
        for (int k = 0; k < 6; ++k, hash /= 26)
            tag.push_back(char('A' + hash % 26));
        const bool embedded = writeFontFile(out, fontFile, e, compress);
        const std::string baseName = (embedded ? tag + "+" : std::string()) + trueTypeBaseName(bare, e.Style);
        writeTrueTypeFont(out, int(i) + 1, baseName, *e.Metrics, descriptor, toUnicode);
        writeFontDescriptor(out, descriptor, baseName, *e.Metrics, embedded ? fontFile : 0);
        writeToUnicode(out, toUnicode, e, compress);
    }
}

bool PdfFontList::writeFontFile(PdfOutput& out, int number, const Entry& entry, bool compress) const {
    std::vector<char32_t> characters;
    for (int code = 32; code < 256; ++code)
        if (entry.Used[size_t(code)]) {
            const QString ch = fromWindows1252(std::string(1, char(code)));
            characters.push_back(ch.at(0).unicode());
        }
    const QByteArray program = subsetFontProgram(trueTypeFontProgram(entry.Name, entry.Style), characters);
    if (program.isEmpty()) {
        // The number is taken: an empty stream keeps the cross-reference table whole.
        out.writeStreamObject(number, "", "");
        return false;
    }
    std::string entries = "/Length1 ";
    appendInteger(entries, program.size());
    entries += "\r\n";
    const std::string_view bytes(program.constData(), size_t(program.size()));
    if (!compress) {
        out.writeStreamObject(number, entries, bytes);
        return true;
    }
    out.writeStreamObject(number, entries + "/Filter /FlateDecode\r\n", deflateBytes(bytes));
    return true;
}

void PdfFontList::writeToUnicode(PdfOutput& out, int number, const Entry& entry, bool compress) const {
    std::string map = "/CIDInit /ProcSet findresource begin\r\n12 dict begin\r\nbegincmap\r\n"
                      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\r\n"
                      "/CMapName /Adobe-Identity-UCS def\r\n/CMapType 2 def\r\n"
                      "1 begincodespacerange\r\n<00> <FF>\r\nendcodespacerange\r\n";
    std::vector<std::pair<int, char16_t>> pairs;
    for (int code = 0; code < 256; ++code)
        if (entry.Used[size_t(code)])
            pairs.emplace_back(code, fromWindows1252(std::string(1, char(code))).at(0).unicode());
    static constexpr char kHex[] = "0123456789ABCDEF";
    // At most a hundred entries per block, as the CMap format allows.
    for (size_t start = 0; start < pairs.size(); start += 100) {
        const size_t end = std::min(pairs.size(), start + 100);
        appendInteger(map, long(end - start));
        map += " beginbfchar\r\n";
        for (size_t k = start; k < end; ++k) {
            const auto [code, unicode] = pairs[k];
            map += {'<',
                    kHex[code >> 4],
                    kHex[code & 15],
                    '>',
                    ' ',
                    '<',
                    kHex[unicode >> 12],
                    kHex[(unicode >> 8) & 15],
                    kHex[(unicode >> 4) & 15],
                    kHex[unicode & 15],
                    '>',
                    '\r',
                    '\n'};
        }
        map += "endbfchar\r\n";
    }
    map += "endcmap\r\nCMapName currentdict /CMap defineresource pop\r\nend\r\nend\r\n";
    if (compress)
        out.writeStreamObject(number, "/Filter /FlateDecode\r\n", deflateBytes(map));
    else
        out.writeStreamObject(number, "", map);
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
                                    const TrueTypeMetrics& metrics, int descriptor, int toUnicode) const {
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
    out.writeLine("/ToUnicode " + pdfReference(toUnicode));
    out.endDictionary();
}

void PdfFontList::writeFontDescriptor(PdfOutput& out, int number, const std::string& baseName,
                                      const TrueTypeMetrics& m, int fontFile) const {
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
    if (fontFile) out.writeLine("/FontFile2 " + pdfReference(fontFile));
    out.endDictionary();
}

} // namespace rl
