#include "table/shape_truth.h"
#include "table/table_extractor.h"

#include <gtest/gtest.h>

using namespace rl;

namespace {

class TableShape : public testing::TestWithParam<std::string> {};

} // namespace

// Each hand-made report shape gives exactly the rows and typed cells of the
// truth list written beside it (none for prose and an empty report).
TEST_P(TableShape, GivesTheRowsAndTypedCellsOfItsTruthList) {
    const QStringList truth = test::shapeTruth(GetParam());
    ASSERT_FALSE(truth.isEmpty()) << "no truth list for " << GetParam();
    const std::vector<std::string> lines = test::shapeLines(GetParam());
    const QStringList found = test::describeTable(TableExtractor::Extract(lines));
    EXPECT_EQ(found.join(u'\n').toStdString(), truth.join(u'\n').toStdString());
}

INSTANTIATE_TEST_SUITE_P(Shapes, TableShape, testing::ValuesIn(test::shapeNames()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

// The same lines always give the same table, and the text of the first line,
// which the report never prints, never reaches it.
TEST(TableExtractor, SkipsTheFirstLineAndIsDeterministic) {
    std::vector<std::string> lines = test::shapeLines("plain_dates");
    lines[0] = "05/03/26   000999     Linha de controle          1,00      1,00";
    const QStringList once = test::describeTable(TableExtractor::Extract(lines));
    EXPECT_EQ(once, test::describeTable(TableExtractor::Extract(lines)));
    EXPECT_FALSE(once.join(u'\n').contains("000999"));
    EXPECT_EQ(once.size(), 6); // the header and the five rows of the truth list
}

TEST(ReportValues, ReadNumbersAndDatesAsReportsPrintThem) {
    const struct {
        const char* text;
        const char* plain; // nullptr: not a number
    } numbers[] = {
        {"7.533.563,42-", "-7533563.42"},
        {"-1.000,00", "-1000.00"},
        {"0,040", "0.040"},
        {"1.200", "1200"},
        {"42", "42"},
        {"1.1.02", nullptr},
        {"12.34", nullptr},
        {"1.2345", nullptr},
        {"-", nullptr},
        {"-12-", nullptr},
        {"1,", nullptr},
        {",5", nullptr},
        {"1234567890123456", nullptr},
        {"R$", nullptr},
    };
    for (const auto& number : numbers) {
        const auto parsed = parseReportNumber(number.text);
        EXPECT_EQ(parsed.has_value(), number.plain != nullptr) << number.text;
        if (parsed && number.plain) {
            EXPECT_EQ(plainNumber(number.text), number.plain) << number.text;
        }
    }
    EXPECT_DOUBLE_EQ(parseReportNumber("7.533.563,42-")->Value, -7533563.42);

    const struct {
        const char* text;
        const char* iso; // nullptr: not a date
    } dates[] = {
        {"05/03/26", "2026-03-05"},   {"01/01/29", "2029-01-01"}, {"01/01/30", "1930-01-01"},
        {"29/02/2024", "2024-02-29"}, {"29/02/2100", nullptr},    {"31/04/2026", nullptr},
        {"00/01/2026", nullptr},      {"1/3/2026", nullptr},      {"05-03-2026", nullptr},
    };
    for (const auto& date : dates) {
        const auto parsed = parseReportDate(date.text);
        EXPECT_EQ(parsed.has_value(), date.iso != nullptr) << date.text;
        if (parsed && date.iso) {
            EXPECT_EQ(isoDate(*parsed), date.iso) << date.text;
        }
    }
}
