#include "export/table_save_filter.h"
#include "pagestore/graphic_storage.h"
#include "support/test_support.h"
#include "table/shape_truth.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace rl;

namespace {

// Runs a table filter over the lines of a shape into the sandbox; the pages
// play no part, so the store is empty.
TRLCustomFilter::RunResult saveShape(TableSaveFilter& filter, const std::vector<std::string>& lines,
                                     const QString& path) {
    QObject owner;
    auto* store = new TRLGraphicStorage(&owner);
    filter.SetShowProgress(false);
    filter.SetReportLines(&lines);
    filter.SetFileName(path);
    return filter.Run(store, 1, 1);
}

} // namespace

// The CSV of a shape byte for byte: BOM, header, CR LF, numbers in C form,
// dates yyyy-mm-dd, a field with a comma and quotes quoted, empty cells empty.
// RL_UPDATE_GOLDENS=1 rewrites the golden.
TEST(TableSaveFilter, CsvOfAShapeGivesTheGoldenBytes) {
    const std::vector<std::string> lines = test::shapeLines("plain_dates");
    const QString path = QDir(test::sandboxDir()).filePath("plain_dates.csv");
    TableSaveFilter filter(TableSaveFilter::Format::Csv);
    ASSERT_EQ(saveShape(filter, lines, path), TRLCustomFilter::RunResult::Completed);
    const QByteArray actual = test::readFile(path);
    const QString golden = QStringLiteral(RL_TEST_DATA "/table/golden/plain_dates.csv");
    if (qEnvironmentVariableIsSet("RL_UPDATE_GOLDENS")) test::writeFile(golden, actual);
    const QByteArray expected = test::readFile(golden);
    ASSERT_FALSE(expected.isEmpty()) << "missing golden " << golden.toStdString();
    EXPECT_EQ(expected, actual) << test::firstDifference(expected, actual);
}

// A report without a table is refused before anything is written, and an
// older file of that name stays as it was.
TEST(TableSaveFilter, ReportWithoutTableWritesNothing) {
    const std::vector<std::string> lines = test::shapeLines("prose");
    for (const auto format : {TableSaveFilter::Format::Csv, TableSaveFilter::Format::Xlsx}) {
        TableSaveFilter filter(format);
        const std::string extension = filter.DefaultExt().toStdString();
        const QString path = QDir(test::sandboxDir()).filePath("prose" + filter.DefaultExt());
        test::writeFile(path, "old");
        EXPECT_THROW(saveShape(filter, lines, path), NoTableError) << extension;
        EXPECT_EQ(test::readFile(path), "old") << extension;
        EXPECT_EQ(QDir(test::sandboxDir()).entryList({"prose*"}, QDir::Files).size(), 1) << extension;
        QFile::remove(path);
    }
}
