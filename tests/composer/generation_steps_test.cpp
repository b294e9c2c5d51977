// Generation in steps, as the window makes a report: the first page at once,
// the rest between events, and restarts when a layout changes or a later line
// tells another size or encoding. Whatever the steps, the pages must be the
// very pages of a generation made at once.
#include "composer_fixture.h"

#include "report/custom_label.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace rl::test {
namespace {

// The first page whose bytes differ, -1 when none does and the counts agree.
int firstDifference(const std::vector<QByteArray>& a, const std::vector<QByteArray>& b) {
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i]) return int(i);
    return a.size() == b.size() ? -1 : int(std::min(a.size(), b.size()));
}

// Every stored page as its stream bytes.
std::vector<QByteArray> pageBytes(TRLGraphicStorage& store) {
    std::vector<QByteArray> pages;
    for (int i = 0; i < store.PageCount(); ++i) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (TRLGraphicSurface* page = store.Pages(i)) page->SaveToStream(buffer);
        pages.push_back(bytes);
    }
    return pages;
}

// A report of a little over a megabyte: 60-line pages, a line too wide for
// 7 points half way, and the only UTF-8 sequence past the first megabyte, so
// that both a smaller size and another encoding are found only late.
QByteArray longReport() {
    QByteArray text = "HEADER\r\n";
    for (int i = 1; i <= 11000; ++i) {
        if (i % 60 == 0) text += '\f';
        QByteArray line = "LINE " + QByteArray::number(i).rightJustified(6, '0') + " " + QByteArray(88, '.');
        if (i == 5000) line += QByteArray(50, 'W');
        if (i == 10990) line += " Informa\xc3\xa7\xc3\xa3o";
        text += line + "\r\n";
    }
    return text;
}

struct Stepped {
    ComposerFixture f;
    explicit Stepped(const QByteArray& report) {
        f.setReport(report, "132", "retrato");
        f.useView();
        f.form->GenerateInSteps = true;
    }
    // Generates the rest in steps of a few lines, as the window's slices do.
    void finish(const std::function<void()>& midway = {}) {
        int lines = 0;
        bool once = true;
        while (f.form->ContinueGeneration([&] { return ++lines % 97 == 0; }))
            if (midway && once && f.pageCount() >= 20) {
                once = false;
                midway();
            }
    }
};

std::vector<QByteArray> oneShot(const QByteArray& report, TRLPageOrientation orientation) {
    ComposerFixture f;
    f.setReport(report, "132", "retrato");
    f.form->ComposeReport();
    if (orientation == poLandscape) {
        f.form->RLReport1->PageSetup.SetOrientation(poLandscape);
        f.form->RegenerateAndShow();
    }
    return pageBytes(f.store());
}

TEST(GenerationSteps, GrowToThePagesOfAOneShotGeneration) {
    const QByteArray report = longReport();
    const std::vector<QByteArray> expected = oneShot(report, poPortrait);
    Stepped s(report);
    s.f.form->ComposeReport();
    // Composed with its first page only, already on the preview.
    EXPECT_TRUE(s.f.form->Generating());
    EXPECT_GE(s.f.pageCount(), 1);
    EXPECT_EQ(s.f.view->preview->Storage(), &s.f.store());
    s.finish();
    EXPECT_FALSE(s.f.form->Generating());
    EXPECT_TRUE(s.f.form->Prepared());
    EXPECT_EQ(s.f.form->FittedFontSize(), 6); // the wide line, found late
    EXPECT_EQ(s.f.form->LinesEncoding(), ReportEncoding::Utf8);
    EXPECT_EQ(s.f.form->RLLabel1->Font.Size, 7); // the size asked for is kept
    EXPECT_EQ(firstDifference(pageBytes(s.f.store()), expected), -1);
    // The view heard of the pages as they came, and once of the end.
    ASSERT_GE(s.f.view->progress.size(), 3u);
    EXPECT_EQ(s.f.view->progress.back(), int(expected.size()));
    EXPECT_EQ(s.f.view->finishedCount, 1);
    EXPECT_EQ(s.f.view->treePageCounts.back(), int(expected.size()));
}

TEST(GenerationSteps, AnOrientationChangeMidwayGivesThePagesOfOneMadeAfter) {
    const QByteArray report = longReport();
    Stepped s(report);
    s.f.form->ComposeReport();
    s.finish([&] {
        s.f.form->RLReport1->PageSetup.SetOrientation(poLandscape);
        s.f.form->StartGeneration();
    });
    EXPECT_EQ(firstDifference(pageBytes(s.f.store()), oneShot(report, poLandscape)), -1);
}

TEST(GenerationSteps, StoppingMidwayEndsAtOnceWithNoPagesLeft) {
    Stepped s(longReport());
    s.f.form->ComposeReport();
    s.f.form->GenerateUntilPage(3);
    EXPECT_TRUE(s.f.form->Generating());
    EXPECT_EQ(s.f.pageCount(), 3);
    s.f.form->StopGeneration();
    EXPECT_FALSE(s.f.form->Generating());
    EXPECT_FALSE(s.f.form->Prepared());
    EXPECT_EQ(s.f.pageCount(), 0);
    EXPECT_EQ(s.f.form->RLLabel1->Font.Size, 7);
}

} // namespace
} // namespace rl::test
