#include "export/xls_grid_builder.h"

#include "pagestore/graphic_object.h"
#include "pagestore/graphic_object_visitor.h"
#include "pagestore/graphic_surface.h"
#include "platform/messages.h"
#include "platform/windows1252.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <map>

namespace rl {

namespace {

struct Text {
    const TRLTextObject* object;
    QString display;
};

// The page's texts with a non-empty display text, in drawing order.
class TextCollector : public GraphicObjectVisitor {
public:
    std::vector<Text> texts;
    void visit(const TRLTextObject& text) override {
        const std::string display = text.DisplayText();
        if (!display.empty()) texts.push_back({&text, fromWindows1252(display)});
    }
};

// One column or row of the grid: where it starts, how far it reaches, and the
// largest extent of the texts that start there.
struct Track {
    std::int32_t position;
    std::int32_t size;
    std::int32_t extent;
};

class TrackList {
public:
    // Same position: the larger size stays.
    void insert(std::int32_t position, std::int32_t size) {
        auto [it, added] = entries_.try_emplace(position, size);
        if (!added) it->second = std::max(it->second, size);
    }

    // Sizes reach the next start; starts closer than the narrow limit to the
    // next one fold into it. The limit never exceeds the extent of the texts
    // starting there, so lines of small print keep their own rows.
    std::vector<Track> build(std::int32_t narrowLimit) const {
        std::vector<Track> tracks;
        for (const auto& [position, size] : entries_)
            tracks.push_back({position, size, size});
        for (size_t i = 0; i + 1 < tracks.size(); ++i)
            tracks[i].size = tracks[i + 1].position - tracks[i].position;
        for (size_t i = tracks.size(); i-- > 0;) {
            if (tracks[i].size >= std::min(narrowLimit, tracks[i].extent)) continue;
            if (i > 0 && i + 1 < tracks.size())
                tracks[i - 1].size = tracks[i + 1].position - tracks[i - 1].position;
            tracks.erase(tracks.begin() + std::ptrdiff_t(i));
        }
        return tracks;
    }

private:
    std::map<std::int32_t, std::int32_t> entries_;
};

// The tracks [first, end) that a span covers: from the first track not
// starting before `from`, up to the tracks starting before `to` minus the
// narrow limit; at least one track, and never past the grid.
std::pair<int, int> coveredTracks(const std::vector<Track>& tracks, std::int32_t from, std::int32_t to,
                                  std::int32_t narrowLimit) {
    const int count = int(tracks.size());
    int first = int(std::ranges::count_if(tracks, [&](const Track& t) { return t.position < from; }));
    first = std::min(first, count - 1);
    int end = first;
    while (end < count && tracks[size_t(end)].position < std::int64_t(to) - narrowLimit)
        ++end;
    return {first, std::max(end, first + 1)};
}

int horizontalAlignment(std::uint8_t hAlign, int current) {
    switch (hAlign) {
    case haLeft:
        return 1;
    case haRight:
        return 3;
    case haCenter:
        return 2;
    case haJustify:
        return 5;
    default:
        return current;
    }
}

int verticalAlignment(std::uint8_t vAlign, int current) {
    switch (vAlign) {
    case vaTop:
        return 0;
    case vaBottom:
        return 2;
    case vaCenter:
        return 1;
    case 4:
        return 3;
    default:
        return current;
    }
}

} // namespace

XlsGridBuilder::XlsGridBuilder(TRLXLSWorkbook& workbook)
    : DecimalSeparator(QLocale::system().decimalPoint()), PageWord(Messages::text(Messages::Id::Page)),
      workbook_(workbook) {}

std::int32_t XlsGridBuilder::ColumnUnits(std::int32_t pageUnits) {
    const long double v = static_cast<long double>(pageUnits) / 96 * 1440 * 2.54L;
    const long double r = std::nearbyint(v);
    return std::int32_t(std::clamp<long double>(r, INT32_MIN, INT32_MAX));
}

QString XlsGridBuilder::nextTitle() const {
    for (int n = int(workbook_.Worksheets().size()) + 1;; ++n) {
        const QString title = PageWord + QString::number(n);
        if (!workbook_.WorksheetByTitle(title)) return title;
    }
}

TRLXLSWorksheet& XlsGridBuilder::AddPage(const TRLGraphicSurface& page) {
    const QString title = nextTitle();
    TRLXLSWorksheet& sheet = workbook_.AddWorksheet();
    sheet.SetTitle(title);

    TextCollector collector;
    VisitObjects(page, collector);
    if (collector.texts.empty()) return sheet;

    TrackList columnList, rowList;
    for (const Text& text : collector.texts) {
        const PageRect& b = text.object->Bounds;
        const std::int32_t left = ColumnUnits(b.left);
        columnList.insert(left, ColumnUnits(b.right) - left);
        rowList.insert(b.top, b.bottom - b.top);
    }
    const std::vector<Track> columns = columnList.build(kNarrowColumn);
    const std::vector<Track> rows = rowList.build(kNarrowRow);
    for (size_t i = 0; i < columns.size(); ++i)
        sheet.FindCol(int(i)).Width = columns[i].size;
    for (size_t i = 0; i < rows.size(); ++i)
        sheet.FindRow(int(i)).Height = rows[i].size;

    for (const Text& text : collector.texts) {
        const TRLTextObject& object = *text.object;
        const PageRect& b = object.Bounds;
        const auto [firstCol, endCol] =
            coveredTracks(columns, ColumnUnits(b.left), ColumnUnits(b.right), kNarrowColumn);
        const auto [firstRow, endRow] = coveredTracks(rows, b.top, b.bottom, kNarrowRow);
        TRLXLSRange& range = sheet.FindRange(firstCol, firstRow, endCol - 1, endRow - 1);

        Value value = ConvertValue(text.display, FindValueCells, DecimalSeparator);
        range.Value = value.text;
        range.ValueKind = value.number ? TRLXLSValueKind::vkNumber : TRLXLSValueKind::vkText;
        range.Number = value.number.value_or(0);

        range.Font.Name = fromWindows1252(object.FontName());
        range.Font.Size = object.Font.Size;
        range.Font.Height = object.Font.Height;
        range.Font.Style = object.Font.Style;
        range.Font.Color = object.Font.Color;
        range.Font.Charset = object.Font.Charset;
        range.Font.Pitch = object.Font.Pitch;
        range.HorizontalAlignment = horizontalAlignment(object.HAlign, range.HorizontalAlignment);
        range.VerticalAlignment = verticalAlignment(object.VAlign, range.VerticalAlignment);
    }
    return sheet;
}

XlsGridBuilder::Value XlsGridBuilder::ConvertValue(const QString& text, bool findNumbers,
                                                   const QString& decimalSeparator) {
    Value value{QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), std::nullopt};
    if (!findNumbers) return value;
    const QString thousands =
        decimalSeparator == QStringLiteral(".") ? QStringLiteral(",") : QStringLiteral(".");
    QString candidate = QString(value.text).replace(QChar('\n'), QChar(' ')).trimmed();
    candidate.remove(thousands).replace(decimalSeparator, QStringLiteral("."));
    static const QRegularExpression decimal(QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)$"));
    if (candidate.isEmpty() || !decimal.match(candidate).hasMatch()) return value;
    // from_chars ignores the process locale, which Qt sets from the environment.
    const QByteArray digits = candidate.toLatin1();
    const char* begin = digits.constData() + (digits.startsWith('+') ? 1 : 0);
    const char* end = digits.constData() + digits.size();
    double number = 0;
    const auto [stop, error] = std::from_chars(begin, end, number, std::chars_format::fixed);
    if (error != std::errc() || stop != end || !std::isfinite(number)) return value;
    value.number = number;
    value.text = QLocale::c().toString(number, 'g', 15).replace(QStringLiteral("."), decimalSeparator);
    return value;
}

} // namespace rl
