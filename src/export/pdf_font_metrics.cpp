#include "export/pdf_font_metrics.h"

#include "pagestore/text_measure.h"
#include "platform/error.h"
#include "platform/windows1252.h"

#include <QByteArray>
#include <QRawFont>

#include <cmath>

namespace rl {

namespace {

// Big-endian fields of the font's tables; a table too short reads as missing.
class Table {
public:
    explicit Table(QByteArray bytes) : bytes_(std::move(bytes)) {}
    bool has(int size) const { return bytes_.size() >= size; }
    int u16(int at) const {
        if (at + 2 > bytes_.size()) return 0;
        return (std::uint8_t(bytes_[at]) << 8) | std::uint8_t(bytes_[at + 1]);
    }
    int s16(int at) const { return std::int16_t(std::uint16_t(u16(at))); }
    double fixed32(int at) const { return s16(at) + u16(at + 2) / 65536.0; }

private:
    QByteArray bytes_;
};

} // namespace

TrueTypeMetrics readTrueTypeMetrics(const std::string& faceName, std::uint8_t style) {
    // The size does not matter: every figure comes from the tables in font units.
    const QRawFont raw = QRawFont::fromFont(makeQFont(faceName, 1000, style, 0));
    if (!raw.isValid()) throw Error("Invalid font for GetOutlineTextMetrics");

    const Table head(raw.fontTable("head"));
    const Table hhea(raw.fontTable("hhea"));
    const Table hmtx(raw.fontTable("hmtx"));
    const Table os2(raw.fontTable("OS/2"));
    const Table post(raw.fontTable("post"));
    // A bitmap or Type 1 face has no such tables, hence no outline metrics.
    if (!head.has(54) || !hhea.has(36) || !hmtx.has(4)) throw Error("GetOutlineTextMetrics failed");

    const int unitsPerEm = head.u16(18);
    if (unitsPerEm <= 0) throw Error("GetOutlineTextMetrics failed");
    const auto scaled = [unitsPerEm](double v) { return int(std::lround(v * 1000.0 / unitsPerEm)); };
    const int hMetrics = std::max(1, hhea.u16(34));
    const auto advance = [&](quint32 glyph) {
        const int entry = int(std::min<quint32>(glyph, quint32(hMetrics - 1)));
        return scaled(hmtx.u16(entry * 4));
    };
    const auto glyphOf = [&raw](char16_t ch) -> quint32 {
        const QList<quint32> glyphs = raw.glyphIndexesForString(QString(QChar(ch)));
        return glyphs.isEmpty() ? 0 : glyphs.first();
    };

    TrueTypeMetrics m;
    // Character codes are Windows-1252 bytes; the control range is never drawn
    // as text, so the table covers the printable codes the face has a glyph for.
    int first = -1, last = -1;
    std::vector<quint32> glyphs(256, 0);
    for (int code = 32; code <= 255; ++code) {
        const QString ch = fromWindows1252(std::string(1, char(code)));
        glyphs[size_t(code)] = glyphOf(ch.at(0).unicode());
        if (glyphs[size_t(code)] != 0) {
            if (first < 0) first = code;
            last = code;
        }
    }
    if (first < 0) first = last = 32;
    m.FirstChar = first;
    m.LastChar = last;
    for (int code = first; code <= last; ++code)
        m.Widths.push_back(advance(glyphs[size_t(code)]));

    m.BoxLeft = scaled(head.s16(36));
    m.BoxBottom = scaled(head.s16(38));
    m.BoxRight = scaled(head.s16(40));
    m.BoxTop = scaled(head.s16(42));
    m.ItalicAngle = post.has(8) ? int(std::lround(post.fixed32(4))) : 0;
    m.MaxWidth = scaled(hhea.u16(10));

    // Windows measures ascent and descent by the OS/2 table's Windows values
    // when there is one, else by the horizontal header.
    if (os2.has(78)) {
        m.Ascent = scaled(os2.u16(74));
        m.Descent = scaled(os2.u16(76));
        m.AvgWidth = scaled(os2.s16(2));
    } else {
        m.Ascent = scaled(hhea.s16(4));
        m.Descent = scaled(-hhea.s16(6));
    }
    if (m.AvgWidth <= 0) m.AvgWidth = advance(glyphOf(u'x'));
    m.Leading = std::max(0, m.Ascent + m.Descent - 1000);
    m.LayoutAscent = raw.ascent() * 1000.0 / raw.pixelSize();

    // Cap and x heights: the OS/2 fields from version 2 on, else the outlines' tops.
    const auto glyphTop = [&](char16_t ch) {
        const QRectF box = raw.boundingRect(glyphOf(ch));
        return int(std::lround(-box.top() * 1000.0 / raw.pixelSize()));
    };
    if (os2.has(90) && os2.u16(0) >= 2) {
        m.XHeight = scaled(os2.s16(86));
        m.CapHeight = scaled(os2.s16(88));
    } else {
        m.XHeight = glyphTop(u'x');
        m.CapHeight = glyphTop(u'H');
    }
    return m;
}

} // namespace rl
