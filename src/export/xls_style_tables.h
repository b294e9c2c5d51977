#pragma once

#include "export/xls_palette.h"
#include "export/xls_workbook.h"

#include <QByteArray>
#include <QString>

#include <unordered_map>
#include <vector>

namespace rl {

// The workbook-wide tables a file needs before its first record: fonts,
// number formats, cell formats (XF images), the palette and the shared
// strings, with each range's place in them. Built for one file and dropped
// after it. The workbook must outlive the tables and stay unchanged.
class XlsStyleTables {
public:
    static constexpr int kDefaultFontCount = 4;
    static constexpr int kStyleXfCount = 15;
    static constexpr int kFirstCustomFormat = 50;
    // Longest text a cell holds.
    static constexpr int kMaxCellText = 32767;

    struct RangeEntry {
        int font = 0; // font index (4 never used)
        int xf = 0;   // cell format index
        int sst = -1; // shared string number, -1 for none
    };
    struct NumberFormat {
        int code = 0;
        QString text;
    };

    explicit XlsStyleTables(const TRLXLSWorkbook& workbook);

    const std::vector<TRLXLSFont>& fonts() const { return fonts_; }
    const std::vector<NumberFormat>& customFormats() const { return customFormats_; }
    // Every cell format after the style formats, the default cell format first.
    const std::vector<QByteArray>& cellFormats() const { return cellFormats_; }
    const std::vector<QString>& strings() const { return strings_; }
    const XlsPalette& palette() const { return palette_; }
    // Colour index of a font of the font table.
    int fontColorIndex(size_t font) const { return fontColors_.at(font); }

    const RangeEntry& entry(const TRLXLSRange& range) const { return entries_.at(&range); }

    static QByteArray defaultCellFormat();

private:
    int addFont(const TRLXLSFont& font);
    int addFormat(const QString& text);
    QByteArray cellFormatImage(const TRLXLSRange& range, int font, int format);
    int addCellFormat(const QByteArray& image);

    XlsPalette palette_;
    std::vector<TRLXLSFont> fonts_;
    std::vector<int> fontColors_;
    std::vector<NumberFormat> customFormats_;
    std::vector<QByteArray> cellFormats_;
    std::vector<QString> strings_;
    std::unordered_map<const TRLXLSRange*, RangeEntry> entries_;
};

} // namespace rl
