#include "export/table_save_filter.h"

#include "export/table_csv_writer.h"
#include "export/table_xlsx_writer.h"
#include "table/table_extractor.h"

namespace rl {

NoTableError::NoTableError()
    : Error("Nenhuma tabela foi encontrada no relatório (são precisas ao menos duas linhas de dados em "
            "colunas); nada foi gravado.") {}

TableSaveFilter::TableSaveFilter(Format format, QObject* owner)
    : TRLCustomSaveFilter(owner), format_(format) {
    if (format == Format::Xlsx) {
        SetDisplayName(QStringLiteral("Planilha de dados"));
        SetDefaultExt(QStringLiteral(".xlsx"));
    } else {
        SetDisplayName(QStringLiteral("Valores separados por vírgula"));
        SetDefaultExt(QStringLiteral(".csv"));
    }
}

TableSaveFilter::~TableSaveFilter() = default;

void TableSaveFilter::BeginDoc() {
    static const std::vector<std::string> none;
    const std::vector<std::string>* lines = reader_ ? &reader_(decoded_) : lines_;
    table_ = std::make_unique<ReportTable>(TableExtractor::Extract(lines ? *lines : none));
    if (table_->Empty()) {
        table_.reset();
        decoded_ = {};
        throw NoTableError();
    }
}

void TableSaveFilter::EndDoc() {
    // The table points into the lines: it is not kept past the run.
    const std::unique_ptr<ReportTable> table = std::move(table_);
    // The decoded lines go with it, however the writing ends.
    const std::vector<std::string> decoded = std::move(decoded_);
    decoded_ = {};
    if (!table) return;
    if (format_ == Format::Xlsx)
        WriteTableXlsx(*table, Output());
    else
        WriteTableCsv(*table, Output());
}

} // namespace rl
