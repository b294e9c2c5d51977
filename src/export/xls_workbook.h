#pragma once

#include "pagestore/meta_records.h"

#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace rl {

// One edge of a cell block. Line style 0 draws nothing.
struct TRLXLSBorder {
    MetaColor Color;
    int LineStyle = 0;
    int Weight = 0;
};

struct TRLXLSBorders {
    TRLXLSBorder Left, Top, Right, Bottom, Diagonal1, Diagonal2;
};

// The font of a cell block; two are the same font when every field agrees.
struct TRLXLSFont {
    QString Name = QStringLiteral("Arial");
    std::int32_t Size = 10; // points
    std::int32_t Height = 0;
    std::uint8_t Style = 0; // FontStyleBits
    MetaColor Color;
    std::uint8_t Charset = 0;
    std::uint8_t Pitch = std::uint8_t(FontPitch::Default);
    friend bool operator==(const TRLXLSFont&, const TRLXLSFont&) = default;
};

struct TRLXLSCol {
    int Index = 0;
    int Width = 2048; // 1/256 of a character
};

struct TRLXLSRow {
    int Index = 0;
    int Height = 255; // page units once the grid has set it
};

enum class TRLXLSValueKind { vkNumber = 0, vkText = 1 };

// A block of cells, bounds inclusive, that shows one value with one format.
// A block of more than one cell is written as a merged range.
struct TRLXLSRange {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    TRLXLSBorders Borders;
    TRLXLSFont Font;
    int HorizontalAlignment = 0; // 0 general, 1 left, 2 centred, 3 right, 5 justified
    int VerticalAlignment = 2;   // 0 top, 1 centred, 2 bottom, 3 justified
    bool WrapText = false;
    int Rotation = 0;
    int FillPattern = 0;
    MetaColor PatternColor;
    MetaColor BackgroundColor;
    QString Format; // number format text; empty for none
    QString Value;  // the text, or the number in the system's notation
    TRLXLSValueKind ValueKind = TRLXLSValueKind::vkText;
    double Number = 0; // the value when ValueKind is vkNumber

    bool isMerged() const { return Left != Right || Top != Bottom; }
    bool sharesCellWith(int left, int top, int right, int bottom) const {
        return Left <= right && left <= Right && Top <= bottom && top <= Bottom;
    }
};

class TRLXLSWorksheet {
public:
    static constexpr int kMaxTitleLength = 31;

    const QString& Title() const { return title_; }
    // Trimmed and cut to the sheet name limit.
    void SetTitle(const QString& title);

    // The range with exactly these bounds; otherwise every range sharing a
    // cell with the block is deleted and a new one is added.
    TRLXLSRange& FindRange(int left, int top, int right, int bottom);
    // The column or row of that index, added when missing.
    TRLXLSCol& FindCol(int index);
    TRLXLSRow& FindRow(int index);
    const TRLXLSRow* RowAt(int index) const;

    const std::vector<std::unique_ptr<TRLXLSRange>>& Ranges() const { return ranges_; }
    const std::map<int, TRLXLSCol>& Cols() const { return cols_; }
    const std::map<int, TRLXLSRow>& Rows() const { return rows_; }

    // Used bounds; -1 while nothing is used.
    int FirstCol() const { return firstCol_; }
    int FirstRow() const { return firstRow_; }
    int LastCol() const { return lastCol_; }
    int LastRow() const { return lastRow_; }
    bool hasUsedCells() const { return firstCol_ >= 0 && firstRow_ >= 0 && lastCol_ >= 0 && lastRow_ >= 0; }

private:
    void widenCols(int first, int last);
    void widenRows(int first, int last);

    QString title_;
    std::vector<std::unique_ptr<TRLXLSRange>> ranges_;
    std::map<int, TRLXLSCol> cols_;
    std::map<int, TRLXLSRow> rows_;
    int firstCol_ = -1, firstRow_ = -1, lastCol_ = -1, lastRow_ = -1;
};

// Printing settings written into every worksheet. Lengths are centimetres.
struct TRLXLSPageSetup {
    int Copies = 1;
    int Zoom = 100;
    bool CenterHorizontally = false;
    bool CenterVertically = false;
    bool BlackAndWhite = false;
    bool Draft = false;
    bool PrintNotes = false;
    bool PrintGridLines = false;
    double LeftMargin = 2.0, RightMargin = 2.0;
    double TopMargin = 2.5, BottomMargin = 2.5;
    int FirstPageNumber = 1;
    int FitToPagesTall = 1, FitToPagesWide = 1;
    QString LeftHeader, CenterHeader, RightHeader;
    QString LeftFooter, CenterFooter, RightFooter;
    double HeaderMargin = 0, FooterMargin = 0;
    // Not published: no row and column headings; paper and orientation (A4,
    // portrait until a run takes the report's), and each worksheet scaled to
    // FitToPagesWide by FitToPagesTall pages, so that every line prints whole.
    int PaperSize = 9;
    bool Portrait = true;
    bool PrintHeadings = false;
    bool FitToPage = true;
};

class TRLXLSWorkbook {
public:
    QString UserName = QStringLiteral("MorvexReport");
    TRLXLSPageSetup PageSetup;

    TRLXLSWorksheet& AddWorksheet();
    void ClearWorksheets() { worksheets_.clear(); }
    const std::vector<std::unique_ptr<TRLXLSWorksheet>>& Worksheets() const { return worksheets_; }
    // Case-insensitive; null when none has that title.
    const TRLXLSWorksheet* WorksheetByTitle(const QString& title) const;

private:
    std::vector<std::unique_ptr<TRLXLSWorksheet>> worksheets_;
};

} // namespace rl
