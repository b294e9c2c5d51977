#include "export/xls_sheet_writer.h"

#include "export/biff_record_writer.h"
#include "export/little_endian_buffer.h"
#include "export/xls_style_tables.h"
#include "export/xls_workbook.h"

#include <algorithm>

namespace rl {

namespace {

enum RecordType : std::uint16_t {
    kBof = 0x0809,
    kIndex = 0x020B,
    kCalcMode = 0x000D,
    kCalcCount = 0x000C,
    kRefMode = 0x000F,
    kIteration = 0x0011,
    kDelta = 0x0010,
    kSaveRecalc = 0x005F,
    kPrintHeaders = 0x002A,
    kPrintGridLines = 0x002B,
    kGridSet = 0x0082,
    kGuts = 0x0080,
    kDefaultRowHeightRecord = 0x0225,
    kWsBool = 0x0081,
    kHeader = 0x0014,
    kFooter = 0x0015,
    kHCenter = 0x0083,
    kVCenter = 0x0084,
    kLeftMargin = 0x0026,
    kRightMargin = 0x0027,
    kTopMargin = 0x0028,
    kBottomMargin = 0x0029,
    kSetup = 0x00A1,
    kDefColWidth = 0x0055,
    kColInfo = 0x007D,
    kDimensions = 0x0200,
    kRow = 0x0208,
    kNumber = 0x0203,
    kLabelSst = 0x00FD,
    kMulBlank = 0x00BE,
    kBlank = 0x0201,
    kDbCell = 0x00D7,
    kWindow2 = 0x023E,
    kSelection = 0x001D,
    kMergedCells = 0x00E5,
    kEof = 0x000A,
};

constexpr int kRowRecordSize = 20; // header and data
constexpr int kDefaultRowHeight = 255;
constexpr int kMaxColumnWidth = 0xFF00; // 255 characters

QByteArray u16Data(unsigned value) {
    return LittleEndianBuffer().u16(value).bytes();
}

QByteArray f64Data(double value) {
    return LittleEndianBuffer().f64(value).bytes();
}

// "&L" left "&C" centre "&R" right, each part only when set.
QString headerText(const QString& left, const QString& center, const QString& right) {
    QString text;
    if (!left.isEmpty()) text += "&L" + left;
    if (!center.isEmpty()) text += "&C" + center;
    if (!right.isEmpty()) text += "&R" + right;
    return text.left(255);
}

} // namespace

XlsSheetWriter::XlsSheetWriter(const TRLXLSWorksheet& sheet, const TRLXLSPageSetup& setup,
                               const XlsStyleTables& tables, bool firstSheet, BiffRecordWriter& out)
    : sheet_(sheet), setup_(setup), tables_(tables), firstSheet_(firstSheet), out_(out) {}

void XlsSheetWriter::write() {
    writeBof();
    writeIndex();
    writeCalcSettings();
    writePrintHeaders();
    writePrintGridLines();
    writeGridSet();
    writeGuts();
    writeDefaultRowHeight();
    writeWsBool();
    writeHeader();
    writeFooter();
    writeHCenter();
    writeVCenter();
    writeMargins();
    writeSetup();
    writeDefColWidth();
    for (const auto& [index, col] : sheet_.Cols())
        writeColInfo(index, col.Width);
    writeDimensions();
    writeRowBlocks();
    writeWindow2();
    writeSelection();
    writeMergedCells();
    writeEof();
    // Now that the blocks are known, the INDEX record gets their DBCELL positions.
    LittleEndianBuffer positions;
    for (const std::uint32_t p : dbCellPositions_)
        positions.u32(p);
    if (positions.size() > 0) out_.patch(indexPosition_ + 4 + 16, positions.bytes());
}

void XlsSheetWriter::writeBof() {
    out_.record(kBof, LittleEndianBuffer().u16(0x0600).u16(0x0010).u16(3515).u16(1996).u32(0).u32(0).bytes());
}

void XlsSheetWriter::writeIndex() {
    indexPosition_ = out_.position();
    LittleEndianBuffer b;
    b.u32(0);
    if (sheet_.FirstRow() >= 0) {
        const int rows = sheet_.LastRow() - sheet_.FirstRow() + 1;
        b.u32(std::uint32_t(sheet_.FirstRow())).u32(std::uint32_t(sheet_.LastRow() + 1)).u32(0);
        b.fill(0, 4 * qsizetype((rows + kRowsPerBlock - 1) / kRowsPerBlock));
    } else {
        b.u32(0).u32(0).u32(0);
    }
    out_.record(kIndex, b.bytes());
}

void XlsSheetWriter::writeCalcSettings() {
    out_.record(kCalcMode, u16Data(1));
    out_.record(kCalcCount, u16Data(100));
    out_.record(kRefMode, u16Data(1));
    out_.record(kIteration, u16Data(0));
    out_.record(kDelta, f64Data(0.001));
    out_.record(kSaveRecalc, u16Data(1));
}

void XlsSheetWriter::writePrintHeaders() {
    out_.record(kPrintHeaders, u16Data(setup_.PrintHeadings ? 1 : 0));
}

void XlsSheetWriter::writePrintGridLines() {
    out_.record(kPrintGridLines, u16Data(setup_.PrintGridLines ? 1 : 0));
}

void XlsSheetWriter::writeGridSet() {
    out_.record(kGridSet, u16Data(1));
}

void XlsSheetWriter::writeGuts() {
    out_.record(kGuts, QByteArray(8, '\0'));
}

void XlsSheetWriter::writeDefaultRowHeight() {
    out_.record(kDefaultRowHeightRecord, LittleEndianBuffer().u16(0).u16(kDefaultRowHeight).bytes());
}

void XlsSheetWriter::writeWsBool() {
    // 0x0100: scale to the page setup's fit width and height.
    out_.record(kWsBool, u16Data(0x04C1 | (setup_.FitToPage ? 0x0100 : 0)));
}

void XlsSheetWriter::writeHeader() {
    const QString text = headerText(setup_.LeftHeader, setup_.CenterHeader, setup_.RightHeader);
    if (text.isEmpty()) return;
    out_.record(kHeader, LittleEndianBuffer().u16(unsigned(text.size())).u8(0x01).utf16(text).bytes());
}

void XlsSheetWriter::writeFooter() {
    const QString text = headerText(setup_.LeftFooter, setup_.CenterFooter, setup_.RightFooter);
    if (text.isEmpty()) return;
    out_.record(kFooter, LittleEndianBuffer().u16(unsigned(text.size())).u8(0x01).utf16(text).bytes());
}

void XlsSheetWriter::writeHCenter() {
    out_.record(kHCenter, u16Data(setup_.CenterHorizontally ? 1 : 0));
}

void XlsSheetWriter::writeVCenter() {
    out_.record(kVCenter, u16Data(setup_.CenterVertically ? 1 : 0));
}

void XlsSheetWriter::writeMargins() {
    out_.record(kLeftMargin, f64Data(setup_.LeftMargin / 2.54));
    out_.record(kRightMargin, f64Data(setup_.RightMargin / 2.54));
    out_.record(kTopMargin, f64Data(setup_.TopMargin / 2.54));
    out_.record(kBottomMargin, f64Data(setup_.BottomMargin / 2.54));
}

void XlsSheetWriter::writeSetup() {
    const unsigned flags = (setup_.Portrait ? 0x02 : 0) | (setup_.BlackAndWhite ? 0x08 : 0) |
                           (setup_.Draft ? 0x10 : 0) | (setup_.PrintNotes ? 0x20 : 0) |
                           (setup_.FirstPageNumber != 1 ? 0x80 : 0);
    LittleEndianBuffer b;
    b.u16(unsigned(setup_.PaperSize)).u16(unsigned(setup_.Zoom)).u16(unsigned(setup_.FirstPageNumber));
    b.u16(unsigned(setup_.FitToPagesWide)).u16(unsigned(setup_.FitToPagesTall)).u16(flags).u16(0).u16(0);
    b.f64(setup_.HeaderMargin / 2.54).f64(setup_.FooterMargin / 2.54).u16(unsigned(setup_.Copies));
    out_.record(kSetup, b.bytes());
}

void XlsSheetWriter::writeDefColWidth() {
    out_.record(kDefColWidth, u16Data(8));
}

void XlsSheetWriter::writeColInfo(int index, int width) {
    LittleEndianBuffer b;
    b.u16(unsigned(index))
        .u16(unsigned(index))
        .u16(unsigned(std::clamp(width, 0, kMaxColumnWidth)))
        .fill(0, 5);
    out_.record(kColInfo, b.bytes());
}

void XlsSheetWriter::writeDimensions() {
    LittleEndianBuffer b;
    if (sheet_.hasUsedCells())
        b.u32(std::uint32_t(sheet_.FirstRow())).u32(std::uint32_t(sheet_.LastRow() + 1));
    else
        b.u32(0).u32(0);
    if (sheet_.hasUsedCells())
        b.u16(unsigned(sheet_.FirstCol())).u16(unsigned(sheet_.LastCol() + 1));
    else
        b.u16(0).u16(0);
    b.u16(0);
    out_.record(kDimensions, b.bytes());
}

// Rows go in blocks of 32: the block's ROW records, then its cell records, then
// a DBCELL that lets a reader find each row's first cell.
void XlsSheetWriter::writeRowBlocks() {
    const int first = sheet_.FirstRow();
    const int last = sheet_.LastRow();
    if (first < 0) return;

    std::vector<std::vector<const TRLXLSRange*>> covering(size_t(last - first + 1));
    for (const auto& range : sheet_.Ranges())
        for (int r = std::max(range->Top, first); r <= std::min(range->Bottom, last); ++r)
            covering[size_t(r - first)].push_back(range.get());
    for (auto& ranges : covering)
        std::ranges::sort(ranges, {}, &TRLXLSRange::Left);

    for (int blockStart = first; blockStart <= last; blockStart += kRowsPerBlock) {
        const int blockEnd = std::min(last, blockStart + kRowsPerBlock - 1);
        const qint64 firstRowPosition = out_.position();
        QByteArray cells;
        std::vector<qsizetype> rowCells; // where each row's cell records start in `cells`
        for (int r = blockStart; r <= blockEnd; ++r) {
            const auto& ranges = covering[size_t(r - first)];
            writeRow(r, ranges);
            rowCells.push_back(cells.size());
            collectCells(r, ranges, cells);
        }
        const qint64 cellsPosition = out_.position();
        out_.raw(cells);
        writeDbCell(firstRowPosition, cellsPosition, rowCells);
    }
}

void XlsSheetWriter::writeRow(int row, const std::vector<const TRLXLSRange*>& ranges) {
    const TRLXLSRow* rowObject = sheet_.RowAt(row);
    const int height =
        rowObject ? std::clamp(rowObject->Height * kTwipsPerUnit, 0, kMaxRowHeight) : kDefaultRowHeight;
    LittleEndianBuffer b;
    b.u16(unsigned(row));
    if (ranges.empty())
        b.u16(0).u16(0);
    else
        b.u16(unsigned(ranges.front()->Left)).u16(unsigned(ranges.back()->Right + 1));
    b.u16(unsigned(height)).u16(0).u16(0).u16(rowObject ? 0x0040 : 0).u16(0);
    out_.record(kRow, b.bytes());
}

// The value goes in the block's top-left cell; every other cell of the block
// is blank with the same format, so the merged area looks like one cell.
void XlsSheetWriter::collectCells(int row, const std::vector<const TRLXLSRange*>& ranges, QByteArray& cells) {
    for (const TRLXLSRange* range : ranges) {
        const XlsStyleTables::RangeEntry& entry = tables_.entry(*range);
        const unsigned xf = unsigned(entry.xf);
        int c = range->Left;
        if (row == range->Top) {
            if (range->ValueKind == TRLXLSValueKind::vkNumber) {
                cells += BiffRecordWriter::recordBytes(kNumber, LittleEndianBuffer()
                                                                    .u16(unsigned(row))
                                                                    .u16(unsigned(c))
                                                                    .u16(xf)
                                                                    .f64(range->Number)
                                                                    .bytes());
                ++c;
            } else if (entry.sst >= 0) {
                cells += BiffRecordWriter::recordBytes(kLabelSst, LittleEndianBuffer()
                                                                      .u16(unsigned(row))
                                                                      .u16(unsigned(c))
                                                                      .u16(xf)
                                                                      .u32(std::uint32_t(entry.sst))
                                                                      .bytes());
                ++c;
            }
        }
        if (c < range->Right) {
            LittleEndianBuffer b;
            b.u16(unsigned(row)).u16(unsigned(c));
            for (int col = c; col <= range->Right; ++col)
                b.u16(xf);
            b.u16(unsigned(range->Right));
            cells += BiffRecordWriter::recordBytes(kMulBlank, b.bytes());
        } else if (c == range->Right) {
            cells += BiffRecordWriter::recordBytes(
                kBlank, LittleEndianBuffer().u16(unsigned(row)).u16(unsigned(c)).u16(xf).bytes());
        }
    }
}

// The first entry runs from the start of the block's second ROW record to the
// first row's first cell; each further entry from one row's first cell to the next row's.
void XlsSheetWriter::writeDbCell(qint64 firstRowPosition, qint64 cellsPosition,
                                 const std::vector<qsizetype>& rowCells) {
    const qint64 position = out_.position();
    LittleEndianBuffer b;
    b.u32(std::uint32_t(position - firstRowPosition));
    for (size_t i = 0; i < rowCells.size(); ++i) {
        const qint64 entry = i == 0 ? cellsPosition + rowCells[0] - (firstRowPosition + kRowRecordSize)
                                    : rowCells[i] - rowCells[i - 1];
        b.u16(unsigned(entry));
    }
    out_.record(kDbCell, b.bytes());
    dbCellPositions_.push_back(std::uint32_t(position));
}

void XlsSheetWriter::writeWindow2() {
    LittleEndianBuffer b;
    b.u16(0x04B6 | (firstSheet_ ? 0x0200 : 0)).u16(0).u16(0).u16(64).fill(0, 10);
    out_.record(kWindow2, b.bytes());
}

void XlsSheetWriter::writeSelection() {
    out_.record(kSelection,
                LittleEndianBuffer().u8(3).u16(0).u16(0).u16(0).u16(1).u16(0).u16(0).u8(0).u8(0).bytes());
}

void XlsSheetWriter::writeMergedCells() {
    std::vector<const TRLXLSRange*> merged;
    for (const auto& range : sheet_.Ranges())
        if (range->isMerged()) merged.push_back(range.get());
    for (size_t from = 0; from < merged.size(); from += kMaxMergedPerRecord) {
        const size_t count = std::min<size_t>(kMaxMergedPerRecord, merged.size() - from);
        LittleEndianBuffer b;
        b.u16(unsigned(count));
        for (size_t i = from; i < from + count; ++i)
            b.u16(unsigned(merged[i]->Top))
                .u16(unsigned(merged[i]->Bottom))
                .u16(unsigned(merged[i]->Left))
                .u16(unsigned(merged[i]->Right));
        out_.record(kMergedCells, b.bytes());
    }
}

void XlsSheetWriter::writeEof() {
    out_.record(kEof, {});
}

} // namespace rl
