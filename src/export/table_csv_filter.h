#pragma once

#include "export/table_save_filter.h"

class QIODevice;

namespace rl {

// Saves the report's table as comma-separated values (RFC 4180): UTF-8 with a
// byte order mark, a header row, CR LF line ends; numbers in plain C form (a
// decimal point, no thousands separator, the minus first), dates as
// yyyy-mm-dd, text as printed. Default extension ".csv".
class TableCsvFilter : public TableSaveFilter {
    Q_OBJECT
public:
    explicit TableCsvFilter(QObject* owner = nullptr);

protected:
    void WriteTable(const ReportTable& table, QIODevice& out) override;
};

// Writes the table as CSV. Throws rl::Error when out refuses the bytes.
void WriteTableCsv(const ReportTable& table, QIODevice& out);

} // namespace rl
