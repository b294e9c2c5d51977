#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rl {

// Values as business reports print them: thousands dots, a decimal comma, a
// minus before or after the digits ("7.533.563,42-"), and dates dd/mm/yy or
// dd/mm/yyyy.
struct ReportNumber {
    double Value = 0;
    int Decimals = 0;         // digits after the comma
    bool Thousands = false;   // written with thousands dots
    bool LeadingZero = false; // "0042": more a code than a quantity
};

// nullopt unless the whole text is one such number. Thousands groups must be
// of three digits ("1.1.02" is not a number), and a number has at most 15
// significant digits, the most a spreadsheet keeps exactly.
std::optional<ReportNumber> parseReportNumber(std::string_view text);

// The same number in plain C form: minus first, no thousands separator, a
// decimal point, the decimals as printed ("-7533563.42"). text must parse.
std::string plainNumber(std::string_view text);

struct ReportDate {
    int Year = 0; // four digits
    int Month = 0;
    int Day = 0;
};

// nullopt unless the whole text is a real calendar date dd/mm/yy or
// dd/mm/yyyy. Two-digit years 00 to 29 are 2000 to 2029, 30 to 99 are 1930 to
// 1999, as spreadsheets read them.
std::optional<ReportDate> parseReportDate(std::string_view text);

// yyyy-mm-dd.
std::string isoDate(const ReportDate& date);

} // namespace rl
