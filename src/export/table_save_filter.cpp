#include "export/table_save_filter.h"

#include "table/table_extractor.h"

namespace rl {

NoTableError::NoTableError()
    : Error("Nenhuma tabela foi encontrada no relatório (são precisas ao menos duas linhas de dados em "
            "colunas); nada foi gravado.") {}

TableSaveFilter::TableSaveFilter(QObject* owner) : TRLCustomSaveFilter(owner) {}

TableSaveFilter::~TableSaveFilter() = default;

void TableSaveFilter::BeginDoc() {
    static const std::vector<std::string> none;
    table_ = std::make_unique<ReportTable>(TableExtractor::Extract(lines_ ? *lines_ : none));
    if (table_->Empty()) {
        table_.reset();
        throw NoTableError();
    }
}

void TableSaveFilter::EndDoc() {
    // The table points into the lines: it is not kept past the run.
    const std::unique_ptr<ReportTable> table = std::move(table_);
    if (table) WriteTable(*table, Output());
}

} // namespace rl
