#include "export/table_xlsx_writer.h"

#include "platform/clock.h"
#include "platform/error.h"
#include "platform/windows1252.h"
#include "table/report_table.h"
#include "table/report_values.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>

namespace rl {

namespace {

void check(lxw_error error) {
    if (error != LXW_NO_ERROR)
        throw Error(std::string("Não foi possível montar a planilha: ") + lxw_strerror(error));
}

class XlsxWriter {
public:
    XlsxWriter(const ReportTable& table, const QString& path, const QString& tempFolder)
        : table_(table), path_(QFile::encodeName(path)), tempFolder_(QFile::encodeName(tempFolder)) {}
    ~XlsxWriter() {
        // Frees the workbook after a failure; what it wrote goes with the folder.
        if (workbook_) workbook_close(workbook_);
    }
    XlsxWriter(const XlsxWriter&) = delete;
    XlsxWriter& operator=(const XlsxWriter&) = delete;

    void write() {
        if (table_.RowCount() >= LXW_ROW_MAX)
            throw Error("O relatório tem linhas de dados demais para uma planilha (o máximo é 1.048.575).");
        openWorkbook();
        writeProperties();
        worksheet_ = workbook_add_worksheet(workbook_, "Dados");
        if (!worksheet_) check(LXW_ERROR_MEMORY_MALLOC_FAILED);
        makeFormats();
        writeColumnWidths();
        writeHeaderRow();
        for (size_t row = 0; row < table_.RowCount(); ++row)
            writeRow(row);
        writePanesAndFilter();
        lxw_workbook* workbook = workbook_;
        workbook_ = nullptr;
        check(workbook_close(workbook));
    }

private:
    // Rows go to temporary files as they are written (constant memory), in
    // the private folder rather than wherever the library would choose.
    void openWorkbook() {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = tempFolder_.data();
        workbook_ = workbook_new_opt(path_.constData(), &options);
        if (!workbook_) check(LXW_ERROR_CREATING_TMPFILE);
    }

    // The document properties: its creation time, from the injectable clock.
    void writeProperties() {
        properties_.created = time_t(Clock::current().now().toSecsSinceEpoch());
        check(workbook_set_properties(workbook_, &properties_));
    }

    // One cell format per column: the header's bold, then the number or date
    // format each typed column needs.
    void makeFormats() {
        header_ = workbook_add_format(workbook_);
        format_set_bold(header_);
        for (const TableColumn& column : table_.Columns) {
            lxw_format* format = nullptr;
            if (column.Type != ColumnType::Text) {
                format = workbook_add_format(workbook_);
                format_set_num_format(format, numberFormat(column).c_str());
            }
            formats_.push_back(format);
        }
    }

    static std::string numberFormat(const TableColumn& column) {
        switch (column.Type) {
        case ColumnType::Date:
            return "dd/mm/yyyy";
        case ColumnType::Integer:
            return column.Thousands ? "#,##0" : "0";
        case ColumnType::Number:
            return "#,##0" + (column.Decimals > 0 ? "." + std::string(size_t(column.Decimals), '0') : "");
        case ColumnType::Text:
            break;
        }
        return {};
    }

    // Widths fitted to the longest value or name (the report's own text is as
    // wide as the formatted value), room left for the filter's button.
    void writeColumnWidths() {
        constexpr size_t kMaxWidth = 60;
        for (size_t c = 0; c < table_.Columns.size(); ++c) {
            size_t width = table_.Columns[c].Name.size() + 3;
            if (table_.Columns[c].Type == ColumnType::Date) width = std::max<size_t>(width, 11);
            for (size_t row = 0; row < table_.RowCount() && width < kMaxWidth; ++row)
                width = std::max(width, table_.Cell(row, c).size() + 1);
            check(worksheet_set_column(worksheet_, lxw_col_t(c), lxw_col_t(c),
                                       double(std::min(width, kMaxWidth)), nullptr));
        }
    }

    // The column names, bold.
    void writeHeaderRow() {
        for (size_t c = 0; c < table_.Columns.size(); ++c)
            check(worksheet_write_string(worksheet_, 0, lxw_col_t(c),
                                         utf8(table_.Columns[c].Name).constData(), header_));
    }

    // One detail line: typed cells for numbers and dates, text as printed.
    void writeRow(size_t row) {
        const lxw_row_t sheetRow = lxw_row_t(row + 1);
        for (size_t c = 0; c < table_.Columns.size(); ++c) {
            const std::string_view cell = table_.Cell(row, c);
            if (cell.empty()) continue;
            const lxw_col_t col = lxw_col_t(c);
            switch (table_.Columns[c].Type) {
            case ColumnType::Integer:
            case ColumnType::Number:
                check(worksheet_write_number(worksheet_, sheetRow, col, parseReportNumber(cell)->Value,
                                             formats_[c]));
                break;
            case ColumnType::Date: {
                const ReportDate date = *parseReportDate(cell);
                lxw_datetime datetime{date.Year, date.Month, date.Day, 0, 0, 0};
                check(worksheet_write_datetime(worksheet_, sheetRow, col, &datetime, formats_[c]));
                break;
            }
            case ColumnType::Text:
                check(worksheet_write_string(worksheet_, sheetRow, col, utf8(cell).constData(), nullptr));
                break;
            }
        }
    }

    // The header row frozen above the data, with an autofilter over it all.
    void writePanesAndFilter() {
        worksheet_freeze_panes(worksheet_, 1, 0);
        check(worksheet_autofilter(worksheet_, 0, 0, lxw_row_t(table_.RowCount()),
                                   lxw_col_t(table_.Columns.size() - 1)));
    }

    static QByteArray utf8(std::string_view text) { return fromWindows1252(text).toUtf8(); }

    const ReportTable& table_;
    QByteArray path_;
    QByteArray tempFolder_;
    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* worksheet_ = nullptr;
    lxw_doc_properties properties_{};
    lxw_format* header_ = nullptr;
    std::vector<lxw_format*> formats_;
};

} // namespace

void WriteTableXlsx(const ReportTable& table, QIODevice& out) {
    QTemporaryDir folder(QDir(QDir::tempPath()).filePath(QStringLiteral("relantomador-xlsx-XXXXXX")));
    if (!folder.isValid())
        throw Error(("Não foi possível criar uma pasta temporária: " + folder.errorString()).toStdString());
    const QString path = folder.filePath(QStringLiteral("dados.xlsx"));
    XlsxWriter(table, path, folder.path()).write();

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(("Não foi possível ler a planilha montada: " + file.errorString()).toStdString());
    constexpr qint64 kChunk = 1 << 16;
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(kChunk);
        if (chunk.isEmpty() && file.error() != QFileDevice::NoError)
            throw Error(("Não foi possível ler a planilha montada: " + file.errorString()).toStdString());
        if (out.write(chunk) != chunk.size())
            throw Error(("Não foi possível gravar a planilha: " + out.errorString()).toStdString());
    }
}

} // namespace rl
