#include "export/table_save_filter.h"
#include "pagestore/graphic_storage.h"
#include "support/test_support.h"
#include "table/shape_truth.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

using namespace rl;

namespace {

// Debian's interpreter, where python3-openpyxl is installed.
QString python() {
    return QFile::exists("/usr/bin/python3") ? QStringLiteral("/usr/bin/python3") : QStringLiteral("python3");
}

QJsonObject readBack(const QString& path) {
    QProcess process;
    process.start(python(), {QStringLiteral(RL_SOURCE_DIR "/tests/export/interop/read_table.py"), path});
    EXPECT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
}

QStringList strings(const QJsonArray& array) {
    QStringList list;
    for (const QJsonValue& value : array)
        list << value.toString();
    return list;
}

// The truth list's header names and rows, as a reader shows them.
struct Truth {
    QStringList names;
    QStringList types;
    QStringList rows;
};

Truth truthOf(const std::string& shape) {
    Truth truth;
    for (const QString& line : test::shapeTruth(shape)) {
        QStringList cells = line.split(u'\t');
        const QString kind = cells.takeFirst();
        if (kind == u"columns") {
            for (const QString& column : cells) {
                truth.names << column.section(u'|', 0, -2);
                truth.types << column.section(u'|', -1);
            }
        } else {
            truth.rows << cells.join(u'\t');
        }
    }
    return truth;
}

QStringList rowsOf(const QJsonObject& read) {
    QStringList rows;
    for (const QJsonValue& row : read["rows"].toArray())
        rows << strings(row.toArray()).join(u'\t');
    return rows;
}

// The number format a column of the truth's type must carry.
bool formatFits(const QString& type, const QString& format) {
    if (type == u"date") return format == u"dd/mm/yyyy";
    if (type == u"integer") return format == u"0" || format == u"#,##0";
    if (type.startsWith(u"number:")) {
        const int decimals = type.mid(7).toInt();
        return format == QStringLiteral("#,##0") +
                             (decimals ? QStringLiteral(".") + QString(decimals, u'0') : QString());
    }
    return format.isEmpty();
}

// The shapes that hold a table (the others write nothing).
std::vector<std::string> tableShapes() {
    std::vector<std::string> shapes;
    for (const std::string& shape : test::shapeNames())
        if (test::shapeTruth(shape) != QStringList{"none"}) shapes.push_back(shape);
    return shapes;
}

class TableReaders : public testing::TestWithParam<std::string> {};

} // namespace

// openpyxl and Python's csv module read every shape's export back as its
// truth list: the names, the rows, numbers and dates as typed values (XLSX)
// or in C form (CSV); the sheet has its bold, frozen header with an
// autofilter over the data.
TEST_P(TableReaders, ReadTheShapeAsItsTruthList) {
    const Truth truth = truthOf(GetParam());
    const std::vector<std::string> lines = test::shapeLines(GetParam());
    QObject owner;
    auto* store = new TRLGraphicStorage(&owner);
    for (const auto format : {TableSaveFilter::Format::Xlsx, TableSaveFilter::Format::Csv}) {
        TableSaveFilter filter(format);
        const QString path =
            QDir(test::sandboxDir()).filePath(QString::fromStdString(GetParam())) + filter.DefaultExt();
        filter.SetShowProgress(false);
        filter.SetReportLines(&lines);
        filter.SetFileName(path);
        ASSERT_EQ(filter.Run(store, 1, 1), TRLCustomFilter::RunResult::Completed);
        const QJsonObject read = readBack(path);
        EXPECT_EQ(strings(read["header"].toArray()), truth.names) << path.toStdString();
        EXPECT_EQ(rowsOf(read).join(u'\n').toStdString(), truth.rows.join(u'\n').toStdString())
            << path.toStdString();
        if (format != TableSaveFilter::Format::Xlsx) continue;
        EXPECT_EQ(strings(read["sheets"].toArray()), QStringList{"Dados"});
        EXPECT_EQ(read["freeze"].toString(), "A2");
        EXPECT_TRUE(read["bold"].toBool());
        const QString lastColumn(QChar(char16_t(u'A' + truth.names.size() - 1)));
        EXPECT_EQ(read["filter"].toString(),
                  QStringLiteral("A1:%1%2").arg(lastColumn).arg(truth.rows.size() + 1));
        const QJsonArray formats = read["formats"].toArray();
        for (int c = 0; c < truth.types.size(); ++c)
            EXPECT_TRUE(formatFits(truth.types[c], formats[c].toString()))
                << truth.names[c].toStdString() << ": " << formats[c].toString().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, TableReaders, testing::ValuesIn(tableShapes()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });
