#include "report/custom_report.h"
#include "report/page_setup.h"
#include "report/paper_table.h"

#include <gtest/gtest.h>

using namespace rl;

TEST(PaperTable, EnumerationFollowsTheTable) {
    EXPECT_EQ(int(fpA4), 4);
    EXPECT_EQ(int(fpLetter), 83);
    EXPECT_EQ(int(fpCustom), 140);
    EXPECT_EQ(kPaperSizeCount, 141);
    EXPECT_EQ(PaperInfo(fpLetter).Width, 215.9);
    EXPECT_EQ(PaperInfo(fpLetter).PaperCode, 1);
    EXPECT_TRUE(PaperInfo(fpA0).Emulated);
    EXPECT_EQ(PaperInfo(fpEng_Imperial).Height, 559);
    EXPECT_EQ(PaperInfo(fpCustom).PaperCode, 256);
    EXPECT_EQ(PaperInfo(TRLPaperSize(500)).PaperCode, 256); // outside the table: the custom row
    int emulated = 0;
    for (int i = 0; i < kPaperSizeCount; ++i)
        emulated += PaperInfo(TRLPaperSize(i)).Emulated;
    EXPECT_EQ(emulated, 60);
}

TEST(PaperTable, PaperSizeForDimensions) {
    EXPECT_EQ(PaperSizeForDimensions(215.9, 279.4), fpLetter); // not fpLetter_Transverse: the first wins
    EXPECT_EQ(PaperSizeForDimensions(210, 297), fpA4);         // not fpA4_Small nor fpA4_Transverse
    EXPECT_EQ(PaperSizeForDimensions(210.004, 297.004), fpA4);
    EXPECT_EQ(PaperSizeForDimensions(100, 100), fpCustom);
    EXPECT_EQ(PaperSizeForDimensions(841, 1189), fpCustom);        // A0 is emulated: never matched
    EXPECT_EQ(PaperSizeForDimensions(0, 0), fpCustom);             // the custom row itself is never matched
    EXPECT_EQ(PaperSizeForDimensions(210.006, 297.005), fpCustom); // 0.011 apart in all
}

TEST(PageSetup, PaperSizeRules) {
    TRLPageSetup setup;
    EXPECT_EQ(setup.PaperSize(), fpA4);
    setup.SetPaperWidth(100); // ignored while not custom
    EXPECT_EQ(setup.PaperWidth(), 210);
    setup.SetPaperSize(fpCustom);
    EXPECT_EQ(setup.PaperWidth(), 210); // custom keeps the current size
    setup.SetPaperWidth(100);
    setup.SetPaperHeight(0); // zero is ignored
    EXPECT_EQ(setup.PaperWidth(), 100);
    EXPECT_EQ(setup.PaperHeight(), 297);
    setup.SetPaperSize(fpA4);
    EXPECT_EQ(setup.PaperWidth(), 210);
    EXPECT_EQ(setup.PaperHeight(), 297);
    int changes = 0;
    setup.OnChange = [&] { ++changes; };
    setup.SetPaperWidth(50); // ignored: no change notice either
    EXPECT_EQ(changes, 0);
    setup.SetOrientation(poLandscape);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(setup.OrientedWidth(), 297);
}

TEST(ReportGeometry, SizeFollowsPaperAndOrientation) {
    TRLReport report;
    report.PageSetup.SetPaperSize(fpLetter);
    EXPECT_EQ(report.Width(), 816);
    EXPECT_EQ(report.Height(), 1056);
    report.PageSetup.SetOrientation(poLandscape);
    EXPECT_EQ(report.Width(), 1056);
    EXPECT_EQ(report.Height(), 816);
    report.PageSetup.SetOrientation(poPortrait);
    report.PageSetup.SetPaperSize(fpA4);
    EXPECT_EQ(report.Width(), 794);
    EXPECT_EQ(report.Height(), 1123);
}

TEST(ReportGeometry, MarginsInPageUnits) {
    TRLReport report;
    EXPECT_EQ(report.MarginUnits(), (PageRect{38, 38, 38, 38})); // 10 mm by default
    report.Margins.SetAll(5);
    EXPECT_EQ(report.MarginUnits(), (PageRect{19, 19, 19, 19}));
    report.AdjustableMargins = true;
    report.RefreshPrinterMetrics(); // no provider: the 300-dpi fallback sheet with 75-dot margins
    EXPECT_EQ(report.MarginUnits(), (PageRect{24, 24, 24, 24}));

    // A printer with a 0.3-inch left margin at 600 dpi, other sides smaller than 5 mm.
    report.PrinterMetricsProvider = [] {
        return PrinterMetrics{600, 600, 5100, 6600, 180, 60, 30, 90, 4890, 6450};
    };
    report.RefreshPrinterMetrics();
    EXPECT_EQ(report.MarginUnits(), (PageRect{29, 19, 19, 19}));
    // In landscape the printer's sides turn with the sheet: left takes the printer's top...
    report.PageSetup.SetOrientation(poLandscape);
    EXPECT_EQ(report.MarginUnits(), (PageRect{19, 19, 19, 29})); // ...and bottom the printer's left
    report.PrinterMetricsProvider = []() -> PrinterMetrics { throw std::runtime_error("no printer"); };
    report.RefreshPrinterMetrics();
    EXPECT_EQ(report.Metrics(), PrinterMetrics::fallback());
    // A printer without resolution contributes nothing.
    report.PrinterMetricsProvider = [] { return PrinterMetrics{0, 600, 0, 0, 900, 900, 900, 900, 0, 0}; };
    report.RefreshPrinterMetrics();
    EXPECT_EQ(report.MarginUnits(), (PageRect{19, 19, 19, 19}));
}

TEST(ReportGeometry, ClientAreaIsInsideTheMargins) {
    TRLReport report;
    report.PageSetup.SetPaperSize(fpLetter);
    report.Margins.SetAll(5);
    EXPECT_EQ(report.SiteClientRect(), (PageRect{19, 19, 816 - 19, 1056 - 19}));
}
