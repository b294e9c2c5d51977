#include "platform/messages.h"
#include "preview_fixtures.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>

#include <cmath>
#include <limits>

using namespace rl;
using namespace rl::test;

TEST(Preview, StartsWithOneTinyBoxAndNoStore) {
    const Messages::Language saved = Messages::language();
    Messages::setLanguage(Messages::Language::Portuguese);
    TRLPreview preview;
    Messages::setLanguage(saved);

    EXPECT_EQ(preview.ZoomFactor(), 100.0);
    EXPECT_EQ(preview.VisibleBoxCount(), 1);
    EXPECT_FALSE(preview.IsMultiplePages());
    EXPECT_EQ(preview.CurrentPageIndex(), -1);
    EXPECT_EQ(preview.CurrentPageNumber(), 0);
    EXPECT_EQ(preview.Storage(), nullptr);
    EXPECT_TRUE(preview.horizontalScrollBar()->hasTracking());
    EXPECT_TRUE(preview.verticalScrollBar()->hasTracking());
    for (int i = 0; i < TRLPreview::kBoxCount; ++i) {
        EXPECT_EQ(preview.Boxes(i)->BoxIndex(), i);
        EXPECT_EQ(preview.Boxes(i)->geometry(), QRect(0, 0, 1, 1));
        EXPECT_EQ(preview.Boxes(i)->isHidden(), i != 0) << i;
        EXPECT_TRUE(preview.Boxes(i)->testAttribute(Qt::WA_OpaquePaintEvent));
    }
    ASSERT_EQ(preview.ContextMenu()->actions().size(), 1);
    EXPECT_EQ(preview.CopyAction()->text(), QString("Copiar"));
    EXPECT_EQ(preview.CopyAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
}

TEST(Preview, NavigationAndFittingWithoutAStoreDoNothing) {
    TRLPreview preview;
    preview.resize(800, 600);
    ViewCounter views;
    views.attach(preview);
    preview.GoToFirstPage();
    preview.GoToNextPage();
    preview.GoToPriorPage();
    preview.GoToLastPage();
    preview.GoToPageNumber(1);
    EXPECT_EQ(preview.CurrentPageIndex(), -1);
    EXPECT_EQ(preview.CurrentPageNumber(), 0);
    preview.SetZoomFactor(50);
    EXPECT_EQ(preview.ZoomFactor(), 50.0);
    // With nothing to fit, the fit operations come back to 100 %.
    preview.FitWholePage();
    EXPECT_EQ(preview.ZoomFactor(), 100.0);
    EXPECT_EQ(views.count, 0);
    EXPECT_EQ(preview.Boxes(0)->geometry(), QRect(0, 0, 1, 1));
}

TEST_F(PreviewTest, LetterLandscapePageIsCentredAtItsSizePlusBorderAndShadow) {
    attach(3);
    EXPECT_EQ(preview->CurrentPageIndex(), 0);
    EXPECT_EQ(preview->CurrentPageNumber(), 1);
    EXPECT_EQ(preview->Boxes(0)->geometry(), QRect((1200 - 1063) / 2, (900 - 823) / 2, 1063, 823));
    EXPECT_GE(views.count, 1);
    EXPECT_EQ(preview->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(preview->verticalScrollBar()->maximum(), 0);
}

TEST_F(PreviewTest, BoxSizesRoundHalvesToEven) {
    // 1057 x 817 at 50 %: 528.5 -> 528 and 408.5 -> 408.
    attach(1, 1, 1057, 817);
    preview->SetZoomFactor(50);
    EXPECT_EQ(preview->Boxes(0)->size(), QSize(528 + 7, 408 + 7));
    // 1059 x 819 -> 529.5 -> 530, 409.5 -> 410.
    attach(1, 1, 1059, 819);
    EXPECT_EQ(preview->Boxes(0)->size(), QSize(530 + 7, 410 + 7));
}

TEST_F(PreviewTest, ZoomBelowTenOrUnchangedIsIgnoredSilently) {
    attach(2);
    const int before = views.count;
    preview->SetZoomFactor(9.99);
    EXPECT_EQ(preview->ZoomFactor(), 100.0);
    preview->SetZoomFactor(100);
    EXPECT_EQ(views.count, before);

    preview->SetZoomFactor(10);
    EXPECT_EQ(preview->ZoomFactor(), 10.0);
    EXPECT_EQ(views.count, before + 1);
    // 1056 x 816 at 10 %: 105.6 -> 106, 81.6 -> 82.
    EXPECT_EQ(preview->Boxes(0)->size(), QSize(106 + 7, 82 + 7));
    preview->SetZoomFactor(10);
    EXPECT_EQ(views.count, before + 1);
}

TEST_F(PreviewTest, AbsurdZoomFactorsNeitherCrashNorOverflow) {
    attach(2);
    preview->SetZoomFactor(std::numeric_limits<double>::quiet_NaN());
    preview->SetZoomFactor(std::numeric_limits<double>::infinity());
    preview->SetZoomFactor(-std::numeric_limits<double>::infinity());
    EXPECT_EQ(preview->ZoomFactor(), 100.0);

    preview->SetZoomFactor(1e9);
    EXPECT_EQ(preview->ZoomFactor(), 1e9);
    const QSize size = preview->Boxes(0)->size();
    EXPECT_EQ(size.width(), TRLPreview::kMaxBoxExtent);
    EXPECT_GT(size.height(), 0);
    EXPECT_LT(size.height(), size.width());
    // The page keeps its proportions when the box is limited.
    EXPECT_NEAR(double(size.width() - 7) / (size.height() - 7), 1056.0 / 816.0, 0.001);
    EXPECT_GT(preview->horizontalScrollBar()->maximum(), 0);

    // Scrolled to the far corner and painted: only the visible part is drawn.
    preview->SetHorzScrollPosition(preview->horizontalScrollBar()->maximum());
    preview->SetVertScrollPosition(preview->verticalScrollBar()->maximum() / 2);
    QImage image(preview->size(), QImage::Format_RGB32);
    preview->render(&image);
    EXPECT_FALSE(image.isNull());

    preview->ShowMultiplePages();
    preview->SetZoomFactor(1e300);
    EXPECT_EQ(preview->Boxes(2)->width(), TRLPreview::kMaxBoxExtent);
    preview->render(&image);
}

TEST_F(PreviewTest, GoToPageNumberIgnoresNumbersOutsideTheReportAndTheCurrentOne) {
    attach(4); // pages 1 to 4
    const int before = views.count;
    for (int number : {0, -5, 5, 1000, 1})
        preview->GoToPageNumber(number);
    EXPECT_EQ(preview->CurrentPageNumber(), 1);
    EXPECT_EQ(views.count, before);

    preview->GoToPageNumber(4);
    EXPECT_EQ(preview->CurrentPageIndex(), 3);
    EXPECT_EQ(views.count, before + 1);
}

TEST_F(PreviewTest, PageNumbersStartAtTheStoresFirstPageNumberOrAtZero) {
    attach(3, 1);
    preview->GoToPageNumber(1);
    EXPECT_EQ(preview->CurrentPageIndex(), 0);
    preview->GoToPageNumber(2);
    EXPECT_EQ(preview->CurrentPageIndex(), 1);

    attach(3, 5);
    EXPECT_EQ(preview->CurrentPageNumber(), 5);
    preview->GoToPageNumber(7);
    EXPECT_EQ(preview->CurrentPageIndex(), 2);

    // Without the numbering variables the first page is number 0.
    attach(3, -1);
    EXPECT_EQ(preview->CurrentPageIndex(), 0);
    EXPECT_EQ(preview->CurrentPageNumber(), 0);
    preview->GoToPageNumber(2);
    EXPECT_EQ(preview->CurrentPageIndex(), 2);
    preview->GoToPageNumber(3);
    EXPECT_EQ(preview->CurrentPageIndex(), 2);
}

TEST_F(PreviewTest, StepsGoOneBoxCountAtATimeWithinTheReport) {
    attach(7); // pages 1 to 7
    preview->GoToNextPage();
    EXPECT_EQ(preview->CurrentPageNumber(), 2);
    preview->GoToLastPage();
    EXPECT_EQ(preview->CurrentPageNumber(), 7);
    preview->GoToNextPage();
    EXPECT_EQ(preview->CurrentPageNumber(), 7);
    preview->GoToPriorPage();
    EXPECT_EQ(preview->CurrentPageNumber(), 6);
    preview->GoToFirstPage();
    EXPECT_EQ(preview->CurrentPageNumber(), 1);
    preview->GoToPriorPage();
    EXPECT_EQ(preview->CurrentPageNumber(), 1);

    preview->ShowMultiplePages();
    preview->GoToNextPage();
    EXPECT_EQ(preview->CurrentPageNumber(), 4);
    preview->GoToNextPage(); // 7 would be past the last page: limited to it
    EXPECT_EQ(preview->CurrentPageNumber(), 7);
    preview->GoToPriorPage();
    EXPECT_EQ(preview->CurrentPageNumber(), 4);
    preview->GoToLastPage(); // the last three pages
    EXPECT_EQ(preview->CurrentPageNumber(), 5);
    preview->GoToPriorPage();
    preview->GoToPriorPage();
    EXPECT_EQ(preview->CurrentPageNumber(), 1);
}

TEST_F(PreviewTest, FitOperationsComputeTheZoomFromTheControlAndPaperSize) {
    attach(5);
    // (1200 - 7) * 100 / 1056 = 112.97 and (900 - 7) * 100 / 816 = 109.44, rounded down.
    preview->FitWholePage();
    EXPECT_EQ(preview->ZoomFactor(), 109.0);
    EXPECT_FALSE(preview->IsMultiplePages());
    // A page 112 % wide is taller than the control: the width is what the
    // vertical scroll bar leaves, so the page fits beside it.
    preview->FitPageWidth();
    const int bar =
        preview->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, preview->verticalScrollBar());
    EXPECT_EQ(preview->ZoomFactor(), std::floor((1200.0 - bar - 7) * 100 / 1056));
    EXPECT_EQ(preview->horizontalScrollBar()->maximum(), 0);
    // Three boxes with their margins: (1200 - 3 * 7) / 3 * 100 / 1056 = 37.2.
    preview->ShowMultiplePages();
    EXPECT_EQ(preview->ZoomFactor(), 37.0);
    EXPECT_EQ(preview->horizontalScrollBar()->maximum(), 0);
    EXPECT_TRUE(preview->IsMultiplePages());
    EXPECT_EQ(preview->VisibleBoxCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(preview->Boxes(i)->isHidden());
    preview->FitWholePage();
    EXPECT_EQ(preview->VisibleBoxCount(), 1);
    EXPECT_TRUE(preview->Boxes(1)->isHidden());
    EXPECT_TRUE(preview->Boxes(2)->isHidden());
}

TEST_F(PreviewTest, ChangingTheBoxCountAtTheSameZoomStillLaysOut) {
    attach(5);
    preview->ShowMultiplePages();
    preview->SetZoomFactor(109); // three boxes at what one page fits at
    int before = views.count;
    preview->FitWholePage();
    EXPECT_EQ(preview->ZoomFactor(), 109.0);
    EXPECT_EQ(views.count, before + 1);
    // 1056 x 816 at 109 %: 1151 x 889 plus 7, centred; the hidden boxes no longer scroll.
    EXPECT_EQ(preview->Boxes(0)->geometry(), QRect((1200 - 1158) / 2, (900 - 896) / 2, 1158, 896));
    EXPECT_EQ(preview->horizontalScrollBar()->maximum(), 0);

    preview->SetZoomFactor(38);
    before = views.count;
    preview->ShowMultiplePages(); // 38 % too: the two boxes shown get their places
    EXPECT_EQ(views.count, before + 1);
    EXPECT_EQ(preview->Boxes(1)->size(), preview->Boxes(0)->size());
    EXPECT_EQ(preview->Boxes(1)->x(), preview->Boxes(0)->geometry().right() + 1);
    EXPECT_EQ(preview->Boxes(2)->x(), preview->Boxes(1)->geometry().right() + 1);
}

TEST_F(PreviewTest, ThreeBoxesSitSideBySideCentredInTheirRow) {
    auto* store = makeStore(0, 1, &storeOwner);
    ownedStore = store;
    store->Add(makePage(1056, 816, "tall"));
    store->Add(makePage(500, 400, "small"));
    store->SetLastPageNumber(2);
    preview->AttachStorage(store);
    preview->ShowMultiplePages();
    preview->SetZoomFactor(40);
    const QRect b0 = preview->Boxes(0)->geometry(), b1 = preview->Boxes(1)->geometry(),
                b2 = preview->Boxes(2)->geometry();
    EXPECT_EQ(b0.size(), QSize(422 + 7, 326 + 7));
    EXPECT_EQ(b1.size(), QSize(200 + 7, 160 + 7));
    // A box past the last page takes the paper size of the store.
    EXPECT_EQ(b2.size(), QSize(422 + 7, 326 + 7));
    EXPECT_EQ(b0.left(), (1200 - (429 + 207 + 429)) / 2);
    EXPECT_EQ(b1.left(), b0.right() + 1);
    EXPECT_EQ(b2.left(), b1.right() + 1);
    EXPECT_EQ(b0.top(), (900 - 333) / 2);
    EXPECT_EQ(b1.top(), b0.top() + (333 - 167) / 2);
    EXPECT_EQ(b2.top(), b0.top());
}

TEST_F(PreviewTest, NarrowRowIsCentredWithScrollAtZeroAndWideRowKeepsTheScrollPosition) {
    attach(2);
    preview->SetZoomFactor(200); // 2119 x 1639: scrolls both ways
    ASSERT_GT(preview->horizontalScrollBar()->maximum(), 300);
    preview->SetHorzScrollPosition(300);
    preview->SetVertScrollPosition(200);
    EXPECT_EQ(preview->Boxes(0)->pos(), QPoint(-300, -200));

    preview->SetZoomFactor(250);
    EXPECT_EQ(preview->HorzScrollPosition(), 300);
    EXPECT_EQ(preview->VertScrollPosition(), 200);
    EXPECT_EQ(preview->Boxes(0)->pos(), QPoint(-300, -200));

    preview->SetZoomFactor(50);
    EXPECT_EQ(preview->HorzScrollPosition(), 0);
    EXPECT_EQ(preview->VertScrollPosition(), 0);
    EXPECT_EQ(preview->Boxes(0)->pos(), QPoint((1200 - 535) / 2, (900 - 415) / 2));
    EXPECT_EQ(preview->horizontalScrollBar()->maximum(), 0);
}

TEST_F(PreviewTest, ScrollRangeFollowsTheBoxesExtentAndClampsAfterZoomingOut) {
    attach(2);
    preview->SetZoomFactor(300); // 3175 x 2455
    const int viewWidth = preview->viewport()->width();
    EXPECT_EQ(preview->horizontalScrollBar()->maximum(), 3175 - viewWidth);
    preview->SetHorzScrollPosition(preview->horizontalScrollBar()->maximum());
    preview->SetZoomFactor(150); // 1591 wide: the old position is past the end
    EXPECT_EQ(preview->horizontalScrollBar()->maximum(), 1591 - preview->viewport()->width());
    EXPECT_EQ(preview->HorzScrollPosition(), preview->horizontalScrollBar()->maximum());
    // The box's right edge is at the viewport's right edge.
    EXPECT_EQ(preview->Boxes(0)->geometry().right() + 1, preview->viewport()->width());
}

TEST_F(PreviewTest, GoingToAPageScrollsBackToTheTopLeft) {
    attach(3);
    preview->SetZoomFactor(200);
    preview->SetHorzScrollPosition(100);
    preview->SetVertScrollPosition(100);
    preview->GoToPageNumber(2);
    EXPECT_EQ(preview->HorzScrollPosition(), 0);
    EXPECT_EQ(preview->VertScrollPosition(), 0);
    EXPECT_EQ(preview->Boxes(0)->pos(), QPoint(0, 0));
}

TEST_F(PreviewTest, OnlyAChangeOfSizeLaysOutAgain) {
    attach(2);
    int resizes = 0;
    preview->OnResize = [&](TRLPreview*) { ++resizes; };
    const int before = views.count;
    preview->move(40, 30);
    QCoreApplication::processEvents();
    EXPECT_EQ(views.count, before);
    EXPECT_EQ(resizes, 0);

    preview->resize(1000, 900);
    EXPECT_EQ(views.count, before + 1);
    EXPECT_EQ(resizes, 1);
    // Now wider than the control: at the left, still centred vertically.
    EXPECT_EQ(preview->Boxes(0)->pos(), QPoint(0, (900 - 823) / 2));
}

TEST(Preview, HiddenControlLaysOutAndScrollsToo) {
    QObject owner;
    TRLPreview preview;
    preview.resize(600, 400);
    preview.AttachStorage(makeStore(2, 1, &owner));
    EXPECT_EQ(preview.Boxes(0)->size(), QSize(1063, 823));
    EXPECT_EQ(preview.Boxes(0)->pos(), QPoint(0, 0));
    preview.SetHorzScrollPosition(50);
    EXPECT_EQ(preview.HorzScrollPosition(), 50);
    EXPECT_EQ(preview.Boxes(0)->pos(), QPoint(-50, 0));
}

// ---- the store's lifetime

TEST(PreviewStore, DestroyingThePreviewFreesAStoreWithoutOwner) {
    QPointer<TRLGraphicStorage> store = makeStore(2);
    {
        TRLPreview preview;
        preview.AttachStorage(store);
        ASSERT_TRUE(store);
        EXPECT_EQ(store->UserCount(), 1);
    }
    EXPECT_TRUE(store.isNull());
}

TEST(PreviewStore, DestroyingThePreviewLeavesAnOwnedStoreUnlinked) {
    QObject owner;
    QPointer<TRLGraphicStorage> store = makeStore(2, 1, &owner);
    {
        TRLPreview preview;
        preview.AttachStorage(store);
        EXPECT_EQ(store->UserCount(), 1);
    }
    ASSERT_TRUE(store);
    EXPECT_EQ(store->UserCount(), 0);
}

TEST(PreviewStore, AttachingAnotherStoreReleasesThePreviousOne) {
    QPointer<TRLGraphicStorage> first = makeStore(2);
    QPointer<TRLGraphicStorage> second = makeStore(3);
    TRLPreview preview;
    preview.AttachStorage(first);
    // Attaching the same store again must not free it.
    preview.AttachStorage(first);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->UserCount(), 1);

    preview.AttachStorage(second);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(preview.Storage(), second.data());
    preview.AttachStorage(nullptr);
    EXPECT_TRUE(second.isNull());
    EXPECT_EQ(preview.CurrentPageNumber(), 0);
}

TEST(PreviewStore, AttachingShowsTheFirstPageOfTheNewStore) {
    QObject owner;
    TRLPreview preview;
    preview.resize(800, 600);
    preview.AttachStorage(makeStore(5, 1, &owner));
    preview.GoToPageNumber(4);
    preview.AttachStorage(makeStore(2, 1, &owner));
    EXPECT_EQ(preview.CurrentPageNumber(), 1);
}

TEST(PreviewStore, StoreFreedByItsOwnerWhileShownLeavesNoDanglingReference) {
    auto owner = std::make_unique<QObject>();
    TRLPreview preview;
    preview.resize(800, 600);
    preview.show();
    preview.AttachStorage(makeStore(2, 1, owner.get()));
    owner.reset();
    EXPECT_EQ(preview.Storage(), nullptr);
    EXPECT_EQ(preview.CurrentPageNumber(), 0);
    preview.GoToNextPage();
    preview.SetZoomFactor(70);
    QImage image(preview.size(), QImage::Format_RGB32);
    preview.render(&image);
    EXPECT_EQ(preview.Boxes(0)->grab().toImage().pixel(preview.Boxes(0)->width() / 2, 10),
              qRgb(128, 128, 128));
}
