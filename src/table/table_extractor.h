#pragma once

#include "table/report_table.h"

#include <string>
#include <vector>

namespace rl {

// Finds the table in the text lines of a report, with no template: the detail
// lines (the lines of the dominant layout), the columns with their names and
// types, and the group values that "KEY: value" lines carry down.
//
// lines: every line of the report, the first one included; it is never
// printed and so never read. The result's cells point into lines, which must
// outlive it unchanged. An empty table (no rows, no columns) means none was
// found: prose, an empty report, or fewer than two detail lines.
//
// Deterministic, and linear in the report's length.
class TableExtractor {
public:
    static ReportTable Extract(const std::vector<std::string>& lines);
};

} // namespace rl
