#pragma once

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace rl {

class BiffRecordWriter;
class TRLXLSWorksheet;
struct TRLXLSPageSetup;
struct TRLXLSRange;
class XlsStyleTables;

// Writes one worksheet substream, from its BOF to its EOF.
class XlsSheetWriter {
public:
    static constexpr int kRowsPerBlock = 32;
    static constexpr int kMaxMergedPerRecord = 1026;
    // Tallest row a ROW record holds, in twips.
    static constexpr int kMaxRowHeight = 8192;
    static constexpr int kTwipsPerUnit = 15;

    XlsSheetWriter(const TRLXLSWorksheet& sheet, const TRLXLSPageSetup& setup, const XlsStyleTables& tables,
                   bool firstSheet, BiffRecordWriter& out);
    void write();

private:
    void writeBof();                         // beginning of the worksheet substream
    void writeIndex();                       // row range and the DBCELL positions, patched after the rows
    void writeCalcSettings();                // CALCMODE, CALCCOUNT, REFMODE, ITERATION, DELTA, SAVERECALC
    void writePrintHeaders();                // row and column headings not printed
    void writePrintGridLines();              // grid lines printed or not
    void writeGridSet();                     // grid-line printing was set
    void writeGuts();                        // no outline
    void writeDefaultRowHeight();            // height of rows without a ROW record
    void writeWsBool();                      // sheet options
    void writeHeader();                      // page header, when there is one
    void writeFooter();                      // page footer, when there is one
    void writeHCenter();                     // centred across the page
    void writeVCenter();                     // centred down the page
    void writeMargins();                     // the four page margins in inches
    void writeSetup();                       // paper, scale, pages and copies
    void writeDefColWidth();                 // width of columns without COLINFO
    void writeColInfo(int index, int width); // one column's width
    void writeDimensions();                  // used rows and columns
    void writeRowBlocks();                   // ROW records, cell records and a DBCELL per 32 rows
    void writeRow(int row, const std::vector<const TRLXLSRange*>& ranges); // one row's extent and height
    void collectCells(int row, const std::vector<const TRLXLSRange*>& ranges, QByteArray& cells);
    void writeDbCell(qint64 firstRowPosition, qint64 cellsPosition, const std::vector<qsizetype>& rowCells);
    void writeWindow2();     // sheet window options
    void writeSelection();   // the selected cell A1
    void writeMergedCells(); // every range of more than one cell
    void writeEof();         // end of the worksheet

    const TRLXLSWorksheet& sheet_;
    const TRLXLSPageSetup& setup_;
    const XlsStyleTables& tables_;
    bool firstSheet_;
    BiffRecordWriter& out_;
    qint64 indexPosition_ = 0;
    std::vector<std::uint32_t> dbCellPositions_;
};

} // namespace rl
