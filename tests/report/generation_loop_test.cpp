#include "report_fixture.h"

#include <gtest/gtest.h>

using namespace rl;
using namespace rl::test;

namespace {

// A report whose body is exactly 1000 units high (no margins) with fixed-height
// detail bands, to test the fit arithmetic to the unit.
struct ExactReport : LineReport {
    explicit ExactReport(std::int32_t detailHeight) {
        header->Visible = false;
        title->Visible = false;
        report->Margins.SetAll(0);
        report->PageSetup.SetPaperSize(fpCustom);
        report->PageSetup.SetOrientation(poPortrait);
        report->PageSetup.SetPaperWidth(1000 * 25.4 / 96);
        report->PageSetup.SetPaperHeight(1000 * 25.4 / 96);
        detail->SetAutoSize(false);
        line->SetAutoSize(false);
        detail->SetHeight(detailHeight);
    }
};

} // namespace

TEST(GenerationLoop, NoRecordsGiveOnePageWithHeaderAndTitle) {
    LineReport r;
    ASSERT_TRUE(r.run({}));
    ASSERT_EQ(r.store().PageCount(), 1);
    EXPECT_EQ(r.texts(0), (std::vector<std::string>{"HEADER", "TITLE"}));
    r.report->PrintEmpty = false;
    ASSERT_TRUE(r.run({}));
    EXPECT_EQ(r.store().PageCount(), 0);
}

TEST(GenerationLoop, LinesFollowHeaderAndTitleAndStoreVariablesAreWritten) {
    LineReport r;
    r.report->Title = "Relat\xf3rio";
    ASSERT_TRUE(r.run({"um", "dois", "tr\xeas"}));
    ASSERT_EQ(r.store().PageCount(), 1);
    EXPECT_EQ(r.texts(0), (std::vector<std::string>{"HEADER", "TITLE", "um", "dois", "tr\xeas"}));
    EXPECT_EQ(r.store().FirstPageNumber(), 1);
    EXPECT_EQ(r.store().LastPageNumber(), 1);
    EXPECT_EQ(r.store().Title(), "Relat\xf3rio");
    EXPECT_EQ(r.store().Orientation(), 2);
    EXPECT_EQ(r.store().Variables.value("PaperWidth"), "215.9000");
    EXPECT_EQ(r.store().Variables.value("PaperHeight"), "279.4000");
    TRLGraphicSurface* page = r.store().Pages(0);
    EXPECT_EQ(page->Width, 1056);
    EXPECT_EQ(page->Height, 816);
    EXPECT_EQ(page->Orientation(), 2);
    EXPECT_EQ(page->Variables.value("PaperWidth"), "215.9000");
    EXPECT_EQ(r.report->CurrentState(), TRLCustomReport::State::Ready);
}

TEST(GenerationLoop, DetailLinesAreFiveObjectsWithTheTextThird) {
    LineReport r;
    r.header->Visible = false;
    r.title->Visible = false;
    ASSERT_TRUE(r.run({"linha"}));
    TRLGraphicSurface* page = r.store().Pages(0);
    ASSERT_EQ(page->ObjectCount(), 5);
    const ObjectKind expected[] = {ObjectKind::SetClipRect, ObjectKind::ResetClipRect,
                                   ObjectKind::SetClipRect, ObjectKind::Text, ObjectKind::ResetClipRect};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(page->Objects(i)->kind(), expected[i]) << i;
    const auto& text = static_cast<const TRLTextObject&>(*page->Objects(3));
    EXPECT_EQ(text.Options, 5);
    EXPECT_EQ(text.HAlign, haLeft);
    EXPECT_EQ(text.FontName(), "Orator10 BT");
    EXPECT_EQ(text.Font.Size, 7);
    // The band sits at the client area's top-left: 5 mm margins are 19 units.
    EXPECT_EQ(text.Bounds.left, 19);
    EXPECT_EQ(text.Bounds.top, 19);
    // Text starts half a space right of the label's edge (and painting adds the other half).
    TRLGraphicSurface measure;
    measure.DrawFont = r.line->EffectiveFont();
    EXPECT_EQ(text.Origin.x, 19 + measure.TextWidth(" ") / 2);
}

TEST(GenerationLoop, BandEndingExactlyAtTheLimitFits) {
    ExactReport r(100);
    ASSERT_TRUE(r.run(std::vector<std::string>(10, "x")));
    EXPECT_EQ(r.store().PageCount(), 1);
    ASSERT_TRUE(r.run(std::vector<std::string>(11, "x")));
    ASSERT_EQ(r.store().PageCount(), 2);
    EXPECT_EQ(r.texts(1).size(), 1u);
}

TEST(GenerationLoop, BandTallerThanThePagePrintsAloneAndOverflows) {
    ExactReport r(100);
    r.report->OnNeedData = [&](TRLCustomSkipper*, bool& more) {
        if (r.next >= 3) return;
        ++r.next;
        r.line->SetCaption("record " + std::to_string(r.next));
        r.detail->SetHeight(r.next == 2 ? 1500 : 100);
        more = true;
    };
    ASSERT_TRUE(r.report->Prepare());
    ASSERT_EQ(r.store().PageCount(), 3); // no empty page before the tall band
    EXPECT_EQ(r.texts(0), std::vector<std::string>{"record 1"});
    EXPECT_EQ(r.texts(1), std::vector<std::string>{"record 2"});
    EXPECT_EQ(r.texts(2), std::vector<std::string>{"record 3"});
    EXPECT_EQ(r.store().LastPageNumber(), 3);
}

TEST(GenerationLoop, TitleOnlyOnTheFirstPageEvenWithNewPageFirst) {
    LineReport r;
    ASSERT_TRUE(r.run({"\fprimeira", "\fsegunda"}));
    ASSERT_EQ(r.store().PageCount(), 2);
    EXPECT_EQ(r.texts(0), (std::vector<std::string>{"HEADER", "TITLE", "primeira"}));
    EXPECT_EQ(r.texts(1), (std::vector<std::string>{"HEADER", "segunda"}));
}

TEST(GenerationLoop, TwoFormFeedOnlyLinesMakeAPageWithOneEmptyLine) {
    LineReport r;
    r.title->Visible = false;
    ASSERT_TRUE(r.run({"\f", "\f", "fim"}));
    ASSERT_EQ(r.store().PageCount(), 2);
    EXPECT_EQ(r.texts(0), (std::vector<std::string>{"HEADER", ""}));
    EXPECT_EQ(r.texts(1), (std::vector<std::string>{"HEADER", "", "fim"}));
}

TEST(GenerationLoop, LastPageNumberCountsFromTheFirstPageNumber) {
    LineReport r;
    ASSERT_TRUE(r.run({"a", "\fb", "\fc"}));
    EXPECT_EQ(r.store().PageCount(), 3);
    EXPECT_EQ(r.store().LastPageNumber(), 3);
    r.report->FirstPageNumber = 10;
    ASSERT_TRUE(r.run({"a", "\fb", "\fc"}));
    EXPECT_EQ(r.store().FirstPageNumber(), 10);
    EXPECT_EQ(r.store().LastPageNumber(), 12);
}

TEST(GenerationLoop, PagesBreakWhenLinesNoLongerFit) {
    LineReport r;
    std::vector<std::string> lines(200, std::string(132, 'x'));
    ASSERT_TRUE(r.run(lines));
    const int pages = r.store().PageCount();
    ASSERT_GT(pages, 1);
    // Every line printed once, in order, none cut.
    size_t total = 0;
    for (int i = 0; i < pages; ++i) {
        TRLGraphicSurface* page = r.store().Pages(i);
        for (const auto& object : page->Items())
            if (object->kind() == ObjectKind::Text) {
                EXPECT_LE(object->Bounds.bottom, 816 - 19) << "page " << i;
                total += static_cast<const TRLTextObject&>(*object).Text == lines[0];
            }
    }
    EXPECT_EQ(total, lines.size());
}

TEST(GenerationLoop, ZeroHeightBandTakesNoSpaceButItsEventRuns) {
    ExactReport r(100);
    auto* empty = new TRLBand(&r.owner);
    empty->BandType = btDetail;
    empty->SetParentControl(r.report);
    empty->SetHeight(0);
    int events = 0;
    empty->BeforePrint = [&](TRLCustomControl*, bool&) { ++events; };
    ASSERT_TRUE(r.run(std::vector<std::string>(10, "x")));
    EXPECT_EQ(events, 10);
    EXPECT_EQ(r.store().PageCount(), 1); // ten 100-unit lines still fill exactly one page
}

TEST(GenerationLoop, CarbonCopiesAndGroups) {
    LineReport r;
    r.header->Visible = false;
    r.title->Visible = false;
    r.detail->SetCarbonCopies(0);
    EXPECT_EQ(r.detail->CarbonCopies(), 1);
    r.detail->SetCarbonCopies(2);
    ASSERT_TRUE(r.run({"a", "b"}));
    EXPECT_EQ(r.texts(0), (std::vector<std::string>{"a", "a", "b", "b"}));
    EXPECT_EQ(r.report->DetailCount(), 4);
}

TEST(GenerationLoop, EqualDesignTopsKeepCreationOrder) {
    LineReport r;
    r.header->Visible = false;
    r.title->Visible = false;
    TRLLabel* second = nullptr;
    TRLBand* band2 = r.addBand(btDetail, "second", &second, "B");
    band2->SetAlign(faNone);
    r.detail->SetAlign(faNone);
    band2->SetTop(50);
    r.detail->SetTop(50);
    ASSERT_TRUE(r.run({"A"}));
    EXPECT_EQ(r.texts(0), (std::vector<std::string>{"A", "B"}));
    // A band placed higher prints first whatever its creation order.
    band2->SetTop(10);
    ASSERT_TRUE(r.run({"A"}));
    EXPECT_EQ(r.texts(0), (std::vector<std::string>{"B", "A"}));
}

TEST(GenerationLoop, PageBreakingAfterPrintStartsTheNextDetailOnANewPage) {
    LineReport r;
    r.title->Visible = false;
    r.detail->PageBreaking = pbAfterPrint;
    ASSERT_TRUE(r.run({"a", "b"}));
    ASSERT_EQ(r.store().PageCount(), 2);
    EXPECT_EQ(r.texts(1), (std::vector<std::string>{"HEADER", "b"}));
}

TEST(GenerationLoop, NonIntegralBandIsSlicedAtAFreeRow) {
    ExactReport r(100);
    r.detail->IntegralHeight = false;
    // Record 1 takes 950 units; record 2 is 100 high with a keep-whole text in its lower half.
    r.report->OnNeedData = [&](TRLCustomSkipper*, bool& more) {
        if (r.next >= 2) return;
        ++r.next;
        r.detail->SetHeight(r.next == 1 ? 950 : 100);
        r.line->SetCaption("r" + std::to_string(r.next));
        more = true;
    };
    r.line->SetAlign(faNone);
    r.line->SetAutoSize(false);
    r.line->SetBounds(0, 30, 50, 40); // a keep-whole text from 30 to 70
    ASSERT_TRUE(r.report->Prepare());
    ASSERT_EQ(r.store().PageCount(), 2);
    // The cut may not pass through the text (30..70): the band is cut at 30, the text goes to page 2.
    EXPECT_EQ(r.texts(0), std::vector<std::string>{"r1"});
    EXPECT_EQ(r.texts(1), std::vector<std::string>{"r2"});
}

TEST(GenerationLoop, ErrorsAreShownOnceAndPrepareFails) {
    LineReport r;
    r.report->OnNeedData = [&](TRLCustomSkipper*, bool& more) {
        if (r.next++ == 3) throw rl::Error("disco cheio");
        r.line->SetCaption("x");
        more = true;
    };
    EXPECT_FALSE(r.report->Prepare());
    ASSERT_EQ(r.presenter.requests.size(), 1u);
    EXPECT_EQ(r.presenter.requests[0].text,
              QString::fromUtf8("RLReport1: Erro durante a preparação do relatório\rdisco cheio"));
    EXPECT_EQ(r.report->CurrentState(), TRLCustomReport::State::Idle);
}

TEST(GenerationLoop, BeforePrintThatCancelsLeavesPreviewFalseWithNothingAttached) {
    LineReport r;
    ASSERT_TRUE(r.run({"a"}));
    ASSERT_EQ(r.store().PageCount(), 1);
    r.report->BeforePrint = [](TRLCustomControl*, bool& printIt) { printIt = false; };
    bool attached = false;
    EXPECT_FALSE(r.report->Preview([&](TRLGraphicStorage*) { attached = true; }));
    EXPECT_FALSE(attached);
    EXPECT_EQ(r.store().PageCount(), 0); // Preview cleared the store first
    EXPECT_TRUE(r.presenter.requests.empty());
    EXPECT_EQ(r.report->CurrentState(), TRLCustomReport::State::Idle);
}

TEST(GenerationLoop, PreviewAttachesTheStoreAfterPreparing) {
    LineReport r;
    r.lines = {"a", "b"};
    TRLGraphicStorage* attached = nullptr;
    EXPECT_TRUE(r.report->Preview([&](TRLGraphicStorage* s) { attached = s; }));
    EXPECT_EQ(attached, &r.store());
    EXPECT_EQ(r.store().PageCount(), 1);
}

TEST(GenerationLoop, CancelStopsTheLoopAndPrepareFails) {
    LineReport r;
    r.report->OnNeedData = [&](TRLCustomSkipper*, bool& more) {
        if (++r.next == 5) r.report->Cancel();
        r.line->SetCaption("x");
        more = true; // endless data: only the cancel ends it
    };
    EXPECT_FALSE(r.report->Prepare());
    EXPECT_EQ(r.report->CurrentState(), TRLCustomReport::State::Idle);
    EXPECT_TRUE(r.presenter.requests.empty());
}

TEST(GenerationLoop, HugeCaptionsAndControlCharactersDoNotBreakTheRun) {
    LineReport r;
    std::string controls;
    for (int c = 1; c < 32; ++c)
        controls += char(c);
    ASSERT_TRUE(r.run({std::string(100000, 'W'), controls, "\t\r\x1a", ""}));
    EXPECT_EQ(r.texts(0).size(), 6u);
}
