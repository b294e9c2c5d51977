#include "export/compound_document.h"
#include "export/xls_test_reader.h"

#include <QBuffer>

#include <gtest/gtest.h>

using namespace rl;

namespace {

struct Case {
    const char* name;
    qint64 bytes;
    std::uint32_t fatSectors;
    std::uint32_t difatSectors;
};

// Sizes on each side of the points where the allocation table needs one more
// sector, and where it outgrows the header's 109 entries.
const Case kCases[] = {
    {"Tiny", 100, 1, 0},
    {"JustUnderCutoff", 4095, 1, 0},
    {"OneFatSectorFull", 126 * 512, 1, 0},
    {"SecondFatSector", 127 * 512 - 100, 2, 0},
    {"Fat109Full", 13842 * 512, 109, 0},
    {"FirstDifatSector", 13843 * 512, 110, 1},
    {"OneDifatSectorFull", 29970 * 512, 236, 1},
    {"SecondDifatSector", 29971 * 512, 237, 2},
};

class CompoundDocumentSizes : public testing::TestWithParam<Case> {};

} // namespace

TEST_P(CompoundDocumentSizes, TableCoversItselfAndStreamReadsBack) {
    const Case& c = GetParam();
    QByteArray data(c.bytes, '\0');
    for (qint64 i = 0; i < c.bytes; ++i)
        data[i] = char((i * 7 + i / 512) & 0xFF);
    QBuffer source(&data);
    source.open(QIODevice::ReadOnly);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    CompoundDocument::write(source, data.size(), QStringLiteral("Workbook"), out);

    const CompoundDocument::Layout layout = CompoundDocument::layoutFor(c.bytes);
    EXPECT_EQ(layout.fatSectors, c.fatSectors);
    EXPECT_EQ(layout.difatSectors, c.difatSectors);
    const test::CompoundRead read = test::readCompoundDocument(out.data());
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(read.streamName, "Workbook");
    // A short stream is padded with zeros to the mini-stream cut-off.
    const qint64 expectedSize = std::max<qint64>(c.bytes, 4096);
    ASSERT_EQ(read.stream.size(), expectedSize);
    EXPECT_TRUE(read.stream.startsWith(data));
    EXPECT_EQ(read.stream.mid(c.bytes), QByteArray(expectedSize - c.bytes, '\0'));
}

INSTANTIATE_TEST_SUITE_P(Boundaries, CompoundDocumentSizes, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });
