#include "export/xls_style_tables.h"

#include "export/little_endian_buffer.h"

#include <algorithm>

namespace rl {

XlsStyleTables::XlsStyleTables(const TRLXLSWorkbook& workbook) {
    for (int i = 0; i < kDefaultFontCount; ++i) {
        fonts_.push_back(TRLXLSFont{});
        fontColors_.push_back(palette_.colorIndex(fonts_.back().Color));
    }
    cellFormats_.push_back(defaultCellFormat());

    // Fonts are numbered before cell formats so that the palette fills in the
    // same order on every run.
    for (const auto& sheet : workbook.Worksheets())
        for (const auto& range : sheet->Ranges())
            entries_[range.get()].font = addFont(range->Font);

    for (const auto& sheet : workbook.Worksheets())
        for (const auto& range : sheet->Ranges()) {
            RangeEntry& e = entries_[range.get()];
            const int format = range->Format.isEmpty() ? 0 : addFormat(range->Format);
            e.xf = addCellFormat(cellFormatImage(*range, e.font, format));
        }

    for (const auto& sheet : workbook.Worksheets())
        for (const auto& range : sheet->Ranges())
            if (range->ValueKind == TRLXLSValueKind::vkText && !range->Value.isEmpty()) {
                QString text = range->Value;
                if (text.size() > kMaxCellText) {
                    // Never leave half of a surrogate pair at the cut.
                    const bool splitsPair = text.at(kMaxCellText - 1).isHighSurrogate();
                    text.truncate(splitsPair ? kMaxCellText - 1 : kMaxCellText);
                }
                entries_[range.get()].sst = int(strings_.size());
                strings_.push_back(std::move(text));
            }
}

// Table position plus one: index 4 is reserved by the format and never used.
int XlsStyleTables::addFont(const TRLXLSFont& font) {
    const auto it = std::ranges::find(fonts_, font);
    if (it != fonts_.end()) return int(it - fonts_.begin()) + 1;
    fonts_.push_back(font);
    fontColors_.push_back(palette_.colorIndex(font.Color));
    return int(fonts_.size());
}

int XlsStyleTables::addFormat(const QString& text) {
    for (const NumberFormat& f : customFormats_)
        if (f.text == text) return f.code;
    customFormats_.push_back({kFirstCustomFormat + int(customFormats_.size()), text});
    return customFormats_.back().code;
}

QByteArray XlsStyleTables::defaultCellFormat() {
    LittleEndianBuffer b;
    b.u16(0).u16(0).u16(0x0001).u8(0x20).u8(0).u16(0).u16(0).u16(0).u32(0).u16(0x20C0);
    return b.bytes();
}

QByteArray XlsStyleTables::cellFormatImage(const TRLXLSRange& range, int font, int format) {
    const TRLXLSBorders& borders = range.Borders;
    auto style = [](const TRLXLSBorder& b) { return unsigned(b.LineStyle) & 0x0F; };
    auto color = [&](const TRLXLSBorder& b) {
        return b.LineStyle == 0 ? 0u : unsigned(palette_.colorIndex(b.Color));
    };
    const TRLXLSBorder& diagonal = borders.Diagonal1.LineStyle != 0 ? borders.Diagonal1 : borders.Diagonal2;

    const unsigned alignment = (unsigned(range.HorizontalAlignment) & 0x07) | (range.WrapText ? 0x08 : 0) |
                               (unsigned(range.VerticalAlignment) & 0x07) << 4;
    const unsigned lineStyles = style(borders.Left) | style(borders.Right) << 4 | style(borders.Top) << 8 |
                                style(borders.Bottom) << 12;
    const unsigned sideColors = color(borders.Left) | color(borders.Right) << 7 |
                                (borders.Diagonal1.LineStyle != 0 ? 0x4000u : 0) |
                                (borders.Diagonal2.LineStyle != 0 ? 0x8000u : 0);
    const std::uint32_t topBottom = color(borders.Top) | color(borders.Bottom) << 7 | color(diagonal) << 14 |
                                    style(diagonal) << 21 | (unsigned(range.FillPattern) & 0x3F) << 26;
    const unsigned fill = unsigned(palette_.colorIndex(range.PatternColor)) |
                          unsigned(palette_.colorIndex(range.BackgroundColor)) << 7;

    LittleEndianBuffer b;
    b.u16(unsigned(font)).u16(unsigned(format)).u16(0x0001).u8(alignment).u8(unsigned(range.Rotation));
    b.u16(range.isMerged() ? 0x7C20 : 0x7C00).u16(lineStyles).u16(sideColors).u32(topBottom).u16(fill);
    return b.bytes();
}

int XlsStyleTables::addCellFormat(const QByteArray& image) {
    const auto it = std::ranges::find(cellFormats_, image);
    if (it != cellFormats_.end()) return kStyleXfCount + int(it - cellFormats_.begin());
    cellFormats_.push_back(image);
    return kStyleXfCount + int(cellFormats_.size()) - 1;
}

} // namespace rl
