#pragma once

class QIODevice;

namespace rl {

struct ReportTable;

// Writes the table as comma-separated values (RFC 4180): UTF-8 with a byte
// order mark, a header row, CR LF line ends; numbers in plain C form (a
// decimal point, no thousands separator, the minus first), dates as
// yyyy-mm-dd, text as printed. Throws rl::Error when out refuses the bytes.
void WriteTableCsv(const ReportTable& table, QIODevice& out);

} // namespace rl
