#include "export/xls_biff_writer.h"
#include "export/xls_filter.h"
#include "export/xls_test_reader.h"
#include "export/xls_workbook.h"
#include "support/test_support.h"

#include <QBuffer>

#include <gtest/gtest.h>

using namespace rl;
using test::BiffRecord;
using test::biffRecords;
using test::le16;
using test::le32;

namespace {

QByteArray workbookStream(const TRLXLSWorkbook& workbook) {
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    XlsBiffWriter::write(workbook, buffer);
    return buffer.data();
}

TRLXLSRange& addText(TRLXLSWorksheet& sheet, int left, int top, int right, int bottom, const QString& text) {
    TRLXLSRange& range = sheet.FindRange(left, top, right, bottom);
    range.Value = text;
    return range;
}

std::vector<BiffRecord> recordsOfType(const std::vector<BiffRecord>& records, unsigned type) {
    std::vector<BiffRecord> found;
    for (const BiffRecord& r : records)
        if (r.type == type) found.push_back(r);
    return found;
}

// The records of the n-th worksheet substream.
std::vector<BiffRecord> sheetRecords(const QByteArray& stream, int n) {
    const auto all = biffRecords(stream);
    const auto sheets = recordsOfType(all, 0x0085);
    const qint64 start = le32(sheets.at(size_t(n)).data, 0);
    std::vector<BiffRecord> records;
    for (const BiffRecord& r : all)
        if (r.position >= start) {
            records.push_back(r);
            if (r.type == 0x000A) break;
        }
    return records;
}

} // namespace

// Two sheets, a merged title, a number and accented text; checked by hand
// against the record layout and opened by xlrd and LibreOffice.
TEST(XlsWriter, TinyWorkbookMatchesGolden) {
    TRLXLSWorkbook workbook;
    TRLXLSWorksheet& first = workbook.AddWorksheet();
    first.SetTitle(QStringLiteral("Página1"));
    first.FindCol(0).Width = 3810;
    first.FindCol(1).Width = 2000;
    first.FindRow(0).Height = 16;
    first.FindRow(1).Height = 16;
    TRLXLSRange& title = addText(first, 0, 0, 1, 0, QStringLiteral("Relatório de vendas"));
    title.Font.Name = QStringLiteral("Orator10 BT");
    title.Font.Size = 8;
    title.Font.Style = fsBold;
    title.HorizontalAlignment = 2;
    TRLXLSRange& number = first.FindRange(1, 1, 1, 1);
    number.ValueKind = TRLXLSValueKind::vkNumber;
    number.Number = 1234.56;
    number.Value = QStringLiteral("1234,56");
    TRLXLSWorksheet& second = workbook.AddWorksheet();
    second.SetTitle(QStringLiteral("Página2"));
    addText(second, 0, 0, 0, 0, QStringLiteral("Ação €"));

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WriteXlsFile(workbook, buffer);
    const QString golden = QStringLiteral(RL_TEST_DATA "/export/xls_tiny.xls");
    if (qEnvironmentVariableIsSet("RL_UPDATE_GOLDENS")) test::writeFile(golden, buffer.data());
    const QByteArray expected = test::readFile(golden);
    ASSERT_FALSE(expected.isEmpty()) << "missing golden " << golden.toStdString();
    EXPECT_EQ(expected, buffer.data()) << test::firstDifference(expected, buffer.data());
}

TEST(XlsWriter, PageWithoutTextGivesEmptyWorksheetRecords) {
    TRLXLSWorkbook workbook;
    workbook.AddWorksheet().SetTitle(QStringLiteral("Página1"));
    const QByteArray stream = workbookStream(workbook);
    const auto records = sheetRecords(stream, 0);
    const auto index = recordsOfType(records, 0x020B);
    ASSERT_EQ(index.size(), 1u);
    EXPECT_EQ(index[0].data, QByteArray(16, '\0'));
    EXPECT_EQ(recordsOfType(records, 0x0200).at(0).data, QByteArray(14, '\0'));
    for (const unsigned type : {0x0208u, 0x00D7u, 0x00FDu, 0x0201u, 0x00BEu, 0x00E5u})
        EXPECT_TRUE(recordsOfType(records, type).empty()) << std::hex << type;
    EXPECT_TRUE(recordsOfType(biffRecords(stream), 0x00FC).empty()); // no SST without text
}

// 33 rows: two blocks, two DBCELLs found through INDEX, and each DBCELL entry
// leads from the block's second ROW record to every row's first cell.
TEST(XlsWriter, ThirtyThreeRowsGiveTwoBlocksWithWorkingDbCells) {
    TRLXLSWorkbook workbook;
    TRLXLSWorksheet& sheet = workbook.AddWorksheet();
    sheet.SetTitle(QStringLiteral("Página1"));
    for (int r = 0; r < 33; ++r)
        addText(sheet, 0, r, r % 3, r, QString::number(r));
    const QByteArray stream = workbookStream(workbook);
    const auto records = sheetRecords(stream, 0);
    const auto dbcells = recordsOfType(records, 0x00D7);
    ASSERT_EQ(dbcells.size(), 2u);
    const QByteArray index = recordsOfType(records, 0x020B).at(0).data;
    ASSERT_EQ(index.size(), 16 + 8);
    EXPECT_EQ(le32(index, 4), 0u);
    EXPECT_EQ(le32(index, 8), 33u);
    int firstRowOfBlock = 0;
    for (int block = 0; block < 2; ++block) {
        const qint64 position = le32(index, 16 + 4 * block);
        EXPECT_EQ(position, dbcells[size_t(block)].position);
        const QByteArray& data = dbcells[size_t(block)].data;
        const qint64 firstRow = position - le32(data, 0);
        EXPECT_EQ(le16(stream, firstRow), 0x0208u);
        EXPECT_EQ(le16(stream, firstRow + 4), unsigned(firstRowOfBlock));
        const int rows = int(data.size() - 4) / 2;
        EXPECT_EQ(rows, block == 0 ? 32 : 1);
        qint64 cell = firstRow + 20;
        for (int i = 0; i < rows; ++i) {
            cell += le16(data, 4 + 2 * i);
            EXPECT_EQ(le16(stream, cell + 4), unsigned(firstRowOfBlock + i))
                << "block " << block << " row " << i;
        }
        firstRowOfBlock += 32;
    }
}

TEST(XlsWriter, MergedRangeGetsMergedCellsRecordAndMergeFlag) {
    TRLXLSWorkbook workbook;
    TRLXLSWorksheet& sheet = workbook.AddWorksheet();
    addText(sheet, 1, 0, 3, 1, QStringLiteral("wide"));
    const QByteArray stream = workbookStream(workbook);
    const auto records = sheetRecords(stream, 0);
    const auto merged = recordsOfType(records, 0x00E5);
    ASSERT_EQ(merged.size(), 1u);
    EXPECT_EQ(merged[0].data.toHex(), "01000000010001000300");
    const auto xfs = recordsOfType(biffRecords(stream), 0x00E0);
    ASSERT_EQ(xfs.size(), 17u);
    EXPECT_EQ(le16(xfs[16].data, 8), 0x7C20u);
    // Row 0: LABELSST then MULBLANK over columns 2-3; row 1: MULBLANK over 1-3.
    EXPECT_EQ(recordsOfType(records, 0x00FD).size(), 1u);
    const auto blanks = recordsOfType(records, 0x00BE);
    ASSERT_EQ(blanks.size(), 2u);
    EXPECT_EQ(blanks[0].data.toHex(), "00000200100010000300");
}

TEST(XlsWriter, ManyMergedRangesSplitIntoRecordsOf1026) {
    TRLXLSWorkbook workbook;
    TRLXLSWorksheet& sheet = workbook.AddWorksheet();
    for (int r = 0; r < 1100; ++r)
        addText(sheet, 0, r, 1, r, QStringLiteral("x"));
    const auto merged = recordsOfType(sheetRecords(workbookStream(workbook), 0), 0x00E5);
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(le16(merged[0].data, 0), 1026u);
    EXPECT_EQ(le16(merged[1].data, 0), 74u);
    EXPECT_EQ(merged[1].data.size(), 2 + 74 * 8);
}

// Strings that do not fit go on in CONTINUE records whose data starts with the
// 16-bit flag; EXTSST buckets grow so that there are never more than 128.
TEST(XlsWriter, SharedStringsSplitAcrossContinueAndIndexedByExtSst) {
    TRLXLSWorkbook workbook;
    TRLXLSWorksheet& sheet = workbook.AddWorksheet();
    std::vector<QString> texts;
    for (int i = 0; i < 2000; ++i)
        texts.push_back(i == 5 ? QString(9000, QChar(u'é')) : QStringLiteral("texto %1").arg(i));
    for (int i = 0; i < 2000; ++i)
        addText(sheet, 0, i, 0, i, texts[size_t(i)]);
    const QByteArray stream = workbookStream(workbook);
    const auto records = biffRecords(stream);

    size_t sst = 0;
    while (records[sst].type != 0x00FC)
        ++sst;
    ASSERT_EQ(records[sst + 1].type, 0x003Cu);
    EXPECT_EQ(records[sst + 1].data.at(0), '\x01');
    // Read the strings back across the record boundaries.
    std::vector<QString> read;
    size_t rec = sst;
    qsizetype at = 8;
    auto byteAt = [&](qsizetype& pos) {
        if (pos >= records[rec].data.size()) {
            ++rec;
            pos = 0;
        }
    };
    std::vector<std::pair<qint64, unsigned>> starts;
    while (read.size() < 2000) {
        byteAt(at);
        starts.emplace_back(records[rec].position + 4 + at, unsigned(4 + at));
        const unsigned count = le16(records[rec].data, at);
        EXPECT_EQ(records[rec].data.at(at + 2), '\x01');
        at += 3;
        QString text;
        while (unsigned(text.size()) < count) {
            if (at >= records[rec].data.size()) {
                ++rec;
                EXPECT_EQ(records[rec].type, 0x003Cu);
                EXPECT_EQ(records[rec].data.at(0), '\x01');
                at = 1;
            }
            text += QChar(char16_t(le16(records[rec].data, at)));
            at += 2;
        }
        read.push_back(text);
    }
    EXPECT_EQ(read, texts);
    for (size_t r = sst; r <= rec; ++r)
        EXPECT_LE(records[r].data.size(), 8224);

    const auto extsst = recordsOfType(records, 0x00FF);
    ASSERT_EQ(extsst.size(), 1u);
    const unsigned perBucket = le16(extsst[0].data, 0);
    EXPECT_EQ(perBucket, 16u);
    const int buckets = int(extsst[0].data.size() - 2) / 8;
    EXPECT_EQ(buckets, 125);
    for (int b = 0; b < buckets; ++b) {
        EXPECT_EQ(le32(extsst[0].data, 2 + 8 * b), starts[size_t(b) * perBucket].first);
        EXPECT_EQ(le16(extsst[0].data, 6 + 8 * b), starts[size_t(b) * perBucket].second);
    }
}

TEST(XlsWriter, FormatLimits) {
    TRLXLSWorkbook workbook;
    TRLXLSWorksheet& sheet = workbook.AddWorksheet();
    sheet.FindRow(0).Height = 20;
    sheet.FindRow(1).Height = 1000;
    addText(sheet, 0, 0, 0, 0, QString(40000, QChar('a')));
    addText(sheet, 0, 1, 0, 1, QStringLiteral("b"));
    const QByteArray stream = workbookStream(workbook);
    const auto rows = recordsOfType(sheetRecords(stream, 0), 0x0208);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(le16(rows[0].data, 6), 300u);  // page units x 15 twips
    EXPECT_EQ(le16(rows[1].data, 6), 8192u); // the tallest row the format allows
    const auto sst = recordsOfType(biffRecords(stream), 0x00FC);
    EXPECT_EQ(le16(sst.at(0).data, 8), 32767u);
}

TEST(XlsWriter, ColourOutsideDefaultPaletteAddsPalette) {
    TRLXLSWorkbook workbook;
    TRLXLSWorksheet& sheet = workbook.AddWorksheet();
    addText(sheet, 0, 0, 0, 0, QStringLiteral("red")).Font.Color = {255, 0, 0};
    EXPECT_TRUE(recordsOfType(biffRecords(workbookStream(workbook)), 0x0092).empty());

    addText(sheet, 0, 1, 0, 1, QStringLiteral("odd")).Font.Color = {0x12, 0x34, 0x56};
    const auto records = biffRecords(workbookStream(workbook));
    const auto palette = recordsOfType(records, 0x0092);
    ASSERT_EQ(palette.size(), 1u);
    // The first entry that is not a basic colour (index 24) takes it.
    EXPECT_EQ(palette[0].data.mid(2 + 16 * 4, 4).toHex(), "12345600");
    const auto fonts = recordsOfType(records, 0x0031);
    ASSERT_EQ(fonts.size(), 6u);
    EXPECT_EQ(le16(fonts[4].data, 4), 10u); // red
    EXPECT_EQ(le16(fonts[5].data, 4), 24u);

    // Once every free entry is taken, a colour gets the closest entry, not white.
    for (int i = 0; i < 60; ++i)
        addText(sheet, 1, i, 1, i, QStringLiteral("c")).Font.Color = {std::uint8_t(i * 4), 0x11, 0x22};
    addText(sheet, 2, 0, 2, 0, QStringLiteral("dark")).Font.Color = {0x01, 0x02, 0x03};
    const auto full = biffRecords(workbookStream(workbook));
    EXPECT_EQ(le16(recordsOfType(full, 0x0031).back().data, 4), 8u); // black
}
