#include "export/table_csv_writer.h"

#include "platform/error.h"
#include "platform/windows1252.h"
#include "table/report_table.h"
#include "table/report_values.h"

#include <QIODevice>

namespace rl {

namespace {

class CsvWriter {
public:
    explicit CsvWriter(QIODevice& out) : out_(out) {}

    void writeTable(const ReportTable& table) {
        writeBom();
        writeHeaderRow(table);
        for (size_t row = 0; row < table.RowCount(); ++row)
            writeRow(table, row);
        flush();
    }

private:
    // The byte order mark: spreadsheets then read the file as UTF-8.
    void writeBom() { buffer_ += "\xEF\xBB\xBF"; }

    // The column names.
    void writeHeaderRow(const ReportTable& table) {
        for (size_t c = 0; c < table.Columns.size(); ++c)
            writeField(c, fromWindows1252(table.Columns[c].Name).toUtf8());
        endRecord();
    }

    // One detail line, each cell in its column's form.
    void writeRow(const ReportTable& table, size_t row) {
        for (size_t c = 0; c < table.Columns.size(); ++c) {
            const std::string_view cell = table.Cell(row, c);
            QByteArray field;
            if (!cell.empty()) {
                switch (table.Columns[c].Type) {
                case ColumnType::Integer:
                case ColumnType::Number:
                    field = QByteArray::fromStdString(plainNumber(cell));
                    break;
                case ColumnType::Date:
                    field = QByteArray::fromStdString(isoDate(*parseReportDate(cell)));
                    break;
                case ColumnType::Text:
                    field = fromWindows1252(cell).toUtf8();
                    break;
                }
            }
            writeField(c, field);
        }
        endRecord();
        if (buffer_.size() >= kFlushSize) flush();
    }

    // A field, quoted when it holds a comma, a quote or a line break, inner
    // quotes doubled.
    void writeField(size_t column, const QByteArray& field) {
        if (column > 0) buffer_ += ',';
        const bool quoted =
            field.contains(',') || field.contains('"') || field.contains('\r') || field.contains('\n');
        if (!quoted) {
            buffer_ += field;
            return;
        }
        buffer_ += '"';
        for (const char c : field) {
            if (c == '"') buffer_ += '"';
            buffer_ += c;
        }
        buffer_ += '"';
    }

    void endRecord() { buffer_ += "\r\n"; }

    void flush() {
        if (out_.write(buffer_) != buffer_.size())
            throw Error(("Não foi possível gravar o arquivo CSV: " + out_.errorString()).toStdString());
        buffer_.clear();
    }

    static constexpr qsizetype kFlushSize = 1 << 16;
    QIODevice& out_;
    QByteArray buffer_;
};

} // namespace

void WriteTableCsv(const ReportTable& table, QIODevice& out) {
    CsvWriter(out).writeTable(table);
}

} // namespace rl
