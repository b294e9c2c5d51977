#pragma once

class QIODevice;

namespace rl {

struct ReportTable;

// Writes the table as a complete Office Open XML workbook through
// libxlsxwriter: one sheet "Dados", a bold header row that stays in view
// (frozen) and carries an autofilter, numbers and dates as typed cells with
// the formats "#,##0.00" (as many decimals as the column has; "0" or "#,##0"
// for integers) and "dd/mm/yyyy", which a Brazilian spreadsheet shows as
// "#.##0,00" and "dd/mm/aaaa", and column widths fitted to the values.
//
// The workbook is built in a private temporary folder (rows go to disk as
// they are written, so memory does not grow with the report) and then copied
// into out; the folder is removed in every case. The document's creation time
// is Clock::current()'s. Throws rl::Error on failure.
void WriteTableXlsx(const ReportTable& table, QIODevice& out);

} // namespace rl
