#pragma once

#include "export/xls_workbook.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace rl {

class TRLGraphicSurface;

// Turns a page's text objects into one worksheet: the texts' edges become a
// grid of columns and rows, each text a cell (merged over several cells when
// it spans them) with its font and alignment. Every other drawing object is
// left out.
//
// Columns are measured in column units (cw, about 38.1 per page unit), rows in
// page units. Starts closer than a narrow limit to the next start are folded
// into the next column or row, so texts that begin a few pixels apart share
// one; a text is never lost: it always covers at least the column and the row
// it starts in.
class XlsGridBuilder {
public:
    static constexpr int kNarrowColumn = 381; // cw(10)
    static constexpr int kNarrowRow = 10;

    // The workbook gets the worksheets; it must outlive the builder.
    explicit XlsGridBuilder(TRLXLSWorkbook& workbook);

    // Look for numbers in the texts (the filter's foFindValueCells).
    bool FindValueCells = false;
    // The system's decimal separator; the other of "." and "," is the thousands separator.
    QString DecimalSeparator;
    // The word sheet names start with; the message table's word for "page".
    QString PageWord;

    // Adds a worksheet built from the page, named PageWord + a number not taken yet.
    TRLXLSWorksheet& AddPage(const TRLGraphicSurface& page);

    // Page units to column units, rounded to nearest with ties to even.
    static std::int32_t ColumnUnits(std::int32_t pageUnits);

    struct Value {
        QString text;
        std::optional<double> number;
    };
    // The cell value of a display text: CR LF becomes LF; with findNumbers a
    // text that reads as one decimal number in the system's notation becomes that number.
    static Value ConvertValue(const QString& text, bool findNumbers, const QString& decimalSeparator);

private:
    QString nextTitle() const;

    TRLXLSWorkbook& workbook_;
};

} // namespace rl
