#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace rl {

// What a column's values are, decided from all of them.
enum class ColumnType {
    Text,
    Integer, // digits, maybe thousands dots and a leading or trailing minus
    Number,  // as Integer, with a decimal comma
    Date,    // dd/mm/yy or dd/mm/yyyy
};

struct TableColumn {
    // From the column-title line, or the key of a group line ("FILIAL");
    // Windows-1252 bytes, never empty.
    std::string Name;
    ColumnType Type = ColumnType::Text;
    // Number columns: the most decimals any value has.
    int Decimals = 0;
    // Integer and Number columns: some value is written with thousands dots.
    bool Thousands = false;
    // Carried down from "KEY: value" lines rather than read from the row.
    bool Group = false;
    // The characters of the report lines the column is read from, [Start, End);
    // -1 for group columns.
    int Start = -1;
    int End = -1;
};

// The data of a report: its detail lines as rows of trimmed cells.
//
// Cells are views into the report lines the table was extracted from (or into
// the table's own storage), so the table must not outlive those lines nor see
// them change. Every non-empty cell of an Integer, Number or Date column
// parses as that type (report_values.h).
struct ReportTable {
    std::vector<TableColumn> Columns;
    // Per row: the index of its line in the report's lines.
    std::vector<int> SourceLines;
    // Row-major, Columns.size() cells per row.
    std::vector<std::string_view> Cells;
    // Text the cells point into besides the lines: group values, cleaned lines.
    std::deque<std::string> Storage;

    size_t RowCount() const { return SourceLines.size(); }
    bool Empty() const { return SourceLines.empty(); }
    std::string_view Cell(size_t row, size_t column) const { return Cells[row * Columns.size() + column]; }
};

} // namespace rl
