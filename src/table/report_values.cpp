#include "table/report_values.h"

#include <charconv>
#include <cstdio>

namespace rl {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The text without its minus sign; a minus on both ends, or a lone minus,
// is not a number.
std::optional<std::string_view> withoutSign(std::string_view text) {
    if (text.size() > 1 && text.front() == '-')
        text.remove_prefix(1);
    else if (text.size() > 1 && text.back() == '-')
        text.remove_suffix(1);
    if (text.empty() || !isDigit(text.front()) || !isDigit(text.back())) return std::nullopt;
    return text;
}

int twoDigits(std::string_view text) {
    return (text[0] - '0') * 10 + (text[1] - '0');
}

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

} // namespace

std::optional<ReportNumber> parseReportNumber(std::string_view text) {
    const auto body = withoutSign(text);
    if (!body) return std::nullopt;
    const std::string_view digits = *body;

    ReportNumber number;
    const size_t comma = digits.find(',');
    const std::string_view whole = digits.substr(0, comma);
    const std::string_view fraction =
        comma == std::string_view::npos ? std::string_view() : digits.substr(comma + 1);
    if (comma != std::string_view::npos && fraction.empty()) return std::nullopt;
    for (const char c : fraction)
        if (!isDigit(c)) return std::nullopt;

    // The whole part: plain digits, or 1 to 3 digits then groups of ".ddd".
    int significant = 0;
    size_t sinceDot = 0;
    bool dots = false;
    for (size_t i = 0; i < whole.size(); ++i) {
        const char c = whole[i];
        if (c == '.') {
            if (i == 0 || (dots ? sinceDot != 3 : sinceDot > 3)) return std::nullopt;
            dots = true;
            sinceDot = 0;
            continue;
        }
        if (!isDigit(c)) return std::nullopt;
        ++sinceDot;
        if (significant > 0 || c != '0') ++significant;
    }
    if (whole.empty() || (dots && sinceDot != 3)) return std::nullopt;
    for (const char c : fraction)
        if (significant > 0 || c != '0') ++significant;
    if (significant > 15) return std::nullopt;
    // Read in C form whatever the user's locale, so that 0,1 is the double
    // nearest to 0.1.
    const std::string plain = plainNumber(text);
    std::from_chars(plain.data(), plain.data() + plain.size(), number.Value);

    number.Decimals = int(fraction.size());
    number.Thousands = dots;
    number.LeadingZero = whole.size() > 1 && whole.front() == '0';
    return number;
}

std::string plainNumber(std::string_view text) {
    std::string plain;
    plain.reserve(text.size() + 1);
    const bool negative = text.size() > 1 && (text.front() == '-' || text.back() == '-');
    if (negative) plain += '-';
    for (const char c : text) {
        if (isDigit(c))
            plain += c;
        else if (c == ',')
            plain += '.';
    }
    return plain;
}

std::optional<ReportDate> parseReportDate(std::string_view text) {
    if (text.size() != 8 && text.size() != 10) return std::nullopt;
    if (text[2] != '/' || text[5] != '/') return std::nullopt;
    for (size_t i = 0; i < text.size(); ++i)
        if (i != 2 && i != 5 && !isDigit(text[i])) return std::nullopt;
    ReportDate date;
    date.Day = twoDigits(text.substr(0, 2));
    date.Month = twoDigits(text.substr(3, 2));
    if (text.size() == 10) {
        date.Year = twoDigits(text.substr(6, 2)) * 100 + twoDigits(text.substr(8, 2));
    } else {
        const int year = twoDigits(text.substr(6, 2));
        date.Year = year < 30 ? 2000 + year : 1900 + year;
    }
    // Spreadsheets count days from 1900.
    if (date.Year < 1900 || date.Month < 1 || date.Month > 12 || date.Day < 1 ||
        date.Day > daysInMonth(date.Year, date.Month))
        return std::nullopt;
    return date;
}

std::string isoDate(const ReportDate& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.Year, date.Month, date.Day);
    return text;
}

} // namespace rl
