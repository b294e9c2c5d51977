#include "export/xls_grid_builder.h"
#include "pagestore/graphic_surface.h"

#include <gtest/gtest.h>

using namespace rl;

namespace {

class XlsGrid : public testing::Test {
protected:
    XlsGrid() {
        builder.PageWord = QStringLiteral("Página");
        builder.DecimalSeparator = QStringLiteral(",");
        page.Width = 1123;
        page.Height = 794;
    }
    void text(int left, int top, int right, int bottom, const char* value, std::uint8_t hAlign = haLeft) {
        page.TextRect({left, top, right, bottom}, left, top, value, hAlign, vaTop, 0);
    }
    const TRLXLSWorksheet& build() { return builder.AddPage(page); }
    static std::vector<int> widths(const TRLXLSWorksheet& sheet) {
        std::vector<int> w;
        for (const auto& [index, col] : sheet.Cols())
            w.push_back(col.Width);
        return w;
    }
    // "value@left,top-right,bottom" per range, in range order.
    static std::vector<std::string> cells(const TRLXLSWorksheet& sheet) {
        std::vector<std::string> out;
        for (const auto& r : sheet.Ranges())
            out.push_back(QStringLiteral("%1@%2,%3-%4,%5")
                              .arg(r->Value)
                              .arg(r->Left)
                              .arg(r->Top)
                              .arg(r->Right)
                              .arg(r->Bottom)
                              .toStdString());
        return out;
    }

    TRLXLSWorkbook workbook;
    XlsGridBuilder builder{workbook};
    TRLGraphicSurface page;
};

} // namespace

TEST_F(XlsGrid, ColumnUnitsRoundHalfToEven) {
    EXPECT_EQ(XlsGridBuilder::ColumnUnits(10), 381);
    EXPECT_EQ(XlsGridBuilder::ColumnUnits(1), 38);
    EXPECT_EQ(XlsGridBuilder::ColumnUnits(5), 190);  // 190.5
    EXPECT_EQ(XlsGridBuilder::ColumnUnits(15), 572); // 571.5
}

TEST_F(XlsGrid, SheetsAreNamedPageWordAndNumber) {
    build();
    EXPECT_EQ(build().Title(), "Página2");
    EXPECT_EQ(workbook.Worksheets().front()->Title(), "Página1");
}

TEST_F(XlsGrid, TextsAtOneLeftShareAColumn) {
    text(10, 10, 60, 26, "a");
    text(10, 30, 110, 46, "b");
    text(200, 10, 240, 26, "c");
    const TRLXLSWorksheet& sheet = build();
    // The first column reaches the next start; the last is as wide as its widest text.
    EXPECT_EQ(widths(sheet),
              (std::vector<int>{XlsGridBuilder::ColumnUnits(200) - XlsGridBuilder::ColumnUnits(10),
                                XlsGridBuilder::ColumnUnits(240) - XlsGridBuilder::ColumnUnits(200)}));
    EXPECT_EQ(cells(sheet), (std::vector<std::string>{"a@0,0-0,0", "b@0,1-0,1", "c@1,0-1,0"}));
}

TEST_F(XlsGrid, TextInDroppedNarrowColumnStartsInTheNextOne) {
    text(100, 10, 300, 26, "long");
    text(105, 30, 300, 46, "near");
    text(400, 10, 500, 26, "far");
    const TRLXLSWorksheet& sheet = build();
    EXPECT_EQ(sheet.Cols().size(), 2u);
    EXPECT_EQ(cells(sheet), (std::vector<std::string>{"long@0,0-0,0", "near@0,1-0,1", "far@1,0-1,0"}));
}

TEST_F(XlsGrid, WideTextIsMergedOverTheColumnsItReaches) {
    text(0, 0, 50, 16, "x");
    text(100, 0, 150, 16, "y");
    text(200, 0, 250, 16, "z");
    text(0, 20, 205, 36, "wide"); // ends 5 units into the third column: not counted
    const TRLXLSWorksheet& sheet = build();
    EXPECT_EQ(cells(sheet).back(), "wide@0,1-1,1");
}

TEST_F(XlsGrid, SameBlockKeepsTheLaterTextAndOverlapReplaces) {
    text(0, 0, 50, 16, "first");
    text(0, 0, 50, 16, "second");
    text(100, 0, 150, 16, "right");
    text(0, 20, 50, 36, "below");
    text(0, 20, 150, 36, "across"); // overlaps "below"
    EXPECT_EQ(cells(build()),
              (std::vector<std::string>{"second@0,0-0,0", "right@1,0-1,0", "across@0,1-1,1"}));
}

// Nothing may vanish: 8-pixel lines of 6-point print, one-character texts
// side by side and the page's last line all keep a cell of their own.
TEST_F(XlsGrid, SmallPrintAndNarrowTextsKeepTheirCells) {
    std::vector<std::string> expected;
    for (int line = 0; line < 4; ++line)
        for (int ch = 0; ch < 3; ++ch) {
            const std::string value(1, char('a' + line * 3 + ch));
            text(ch * 5, line * 8, ch * 5 + 5, line * 8 + 8, value.c_str());
            expected.push_back(value + "@" + std::to_string(ch) + "," + std::to_string(line) + "-" +
                               std::to_string(ch) + "," + std::to_string(line));
        }
    EXPECT_EQ(cells(build()), expected);
}

TEST_F(XlsGrid, AlignmentAndFontComeFromTheText) {
    page.DrawFont.Size = 7;
    page.DrawFont.Style = fsBold;
    text(0, 0, 50, 16, "r", haRight);
    const TRLXLSRange& range = *build().Ranges().front();
    EXPECT_EQ(range.HorizontalAlignment, 3);
    EXPECT_EQ(range.VerticalAlignment, 0);
    EXPECT_EQ(range.Font.Name, "Orator10 BT");
    EXPECT_EQ(range.Font.Size, 7);
    EXPECT_EQ(range.Font.Style, fsBold);
}

struct ValueCase {
    const char* name;
    const char* text;
    bool find;
    const char* separator;
    std::optional<double> number;
    const char* value;
};

class XlsValue : public testing::TestWithParam<ValueCase> {};

TEST_P(XlsValue, Converts) {
    const ValueCase& c = GetParam();
    const auto v =
        XlsGridBuilder::ConvertValue(QString::fromUtf8(c.text), c.find, QString::fromUtf8(c.separator));
    EXPECT_EQ(v.number, c.number);
    EXPECT_EQ(v.text, QString::fromUtf8(c.value));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XlsValue,
    testing::Values(ValueCase{"CommaDecimalWithOption", " 1.234,56 ", true, ",", 1234.56, "1234,56"},
                    ValueCase{"CommaDecimalWithoutOption", "1.234,56", false, ",", std::nullopt, "1.234,56"},
                    ValueCase{"PointDecimal", "-1,234.5", true, ".", -1234.5, "-1234.5"},
                    ValueCase{"LettersStayText", "12 kg", true, ",", std::nullopt, "12 kg"},
                    ValueCase{"LineBreaks", "a\r\nb", true, ",", std::nullopt, "a\nb"},
                    ValueCase{"ExponentIsNotDecimal", "1e5", true, ".", std::nullopt, "1e5"}),
    [](const testing::TestParamInfo<ValueCase>& info) { return info.param.name; });
