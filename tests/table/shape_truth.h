#pragma once

// The report shapes under tests/data/table and the truth lists beside them,
// shared by the extractor's tests and the readers' tests of the exports.

#include "platform/windows1252.h"
#include "table/report_table.h"
#include "table/report_values.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace rl::test {

inline QString shapePath(const std::string& name, const char* suffix) {
    return QStringLiteral(RL_TEST_DATA "/table/") + QString::fromStdString(name) + QLatin1String(suffix);
}

// Every shape, by name (the file name without ".txt").
inline std::vector<std::string> shapeNames() {
    std::vector<std::string> names;
    for (const QString& file :
         QDir(QStringLiteral(RL_TEST_DATA "/table")).entryList({"*.txt"}, QDir::Files, QDir::Name))
        names.push_back(file.chopped(4).toStdString());
    return names;
}

// The shape's lines as the composer reads them: LF or CR LF ends, bytes unchanged.
inline std::vector<std::string> shapeLines(const std::string& name) {
    QFile file(shapePath(name, ".txt"));
    std::vector<std::string> lines;
    if (!file.open(QIODevice::ReadOnly)) return lines;
    for (QByteArray line : file.readAll().split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        lines.push_back(line.toStdString());
    }
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

// A table in the truth lists' form, UTF-8: "columns" then "NAME|type" cells,
// then "row" lines of typed cells (numbers in C form, dates yyyy-mm-dd);
// "none" alone for no table.
inline QStringList describeTable(const ReportTable& table) {
    if (table.Empty()) return {QStringLiteral("none")};
    QStringList columns{QStringLiteral("columns")};
    for (const TableColumn& column : table.Columns) {
        QString type;
        switch (column.Type) {
        case ColumnType::Text:
            type = "text";
            break;
        case ColumnType::Integer:
            type = "integer";
            break;
        case ColumnType::Number:
            type = QStringLiteral("number:%1").arg(column.Decimals);
            break;
        case ColumnType::Date:
            type = "date";
            break;
        }
        columns << fromWindows1252(column.Name) + u'|' + (column.Group ? QStringLiteral("group") : type);
    }
    QStringList lines{columns.join(u'\t')};
    for (size_t r = 0; r < table.RowCount(); ++r) {
        QStringList row{QStringLiteral("row")};
        for (size_t c = 0; c < table.Columns.size(); ++c) {
            const std::string_view cell = table.Cell(r, c);
            const ColumnType type = table.Columns[c].Type;
            if (cell.empty())
                row << QString();
            else if (type == ColumnType::Integer || type == ColumnType::Number)
                row << QString::fromStdString(plainNumber(cell));
            else if (type == ColumnType::Date)
                row << QString::fromStdString(isoDate(*parseReportDate(cell)));
            else
                row << fromWindows1252(cell);
        }
        lines << row.join(u'\t');
    }
    return lines;
}

// The truth list of a shape, comment lines dropped.
inline QStringList shapeTruth(const std::string& name) {
    QFile file(shapePath(name, ".truth"));
    QStringList lines;
    if (!file.open(QIODevice::ReadOnly)) return lines;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n'))
        if (!line.isEmpty() && !line.startsWith(u'#')) lines << line;
    return lines;
}

} // namespace rl::test
