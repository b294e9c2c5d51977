#include "preview_fixtures.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>

using namespace rl;
using namespace rl::test;

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kGrey = qRgb(128, 128, 128);
const QRgb kSilver = qRgb(192, 192, 192);
const QRgb kBlack = qRgb(0, 0, 0);

QRgb backgroundOf(TRLPreview& preview) {
    return preview.viewport()->palette().color(preview.viewport()->backgroundRole()).rgb();
}

bool anyPixelNear(const QImage& image, QPoint centre, QRgb colour) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (image.pixel(centre + QPoint(dx, dy)) == colour) return true;
    return false;
}

// Opens the box's context menu and picks its only item, as a user would.
void copyThroughTheMenu(TRLPreview& preview, TRLPreviewBox* box) {
    QTimer::singleShot(0, &preview, [&preview] {
        EXPECT_NE(preview.PopupComponent(), nullptr);
        preview.CopyAction()->trigger();
        preview.ContextMenu()->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), box->mapToGlobal(QPoint(10, 10)));
    QCoreApplication::sendEvent(box, &event);
}

} // namespace

// At 50 % a 1056 x 816 page makes a 535 x 415 box: paper (0, 0)-(528, 408)
// with its border, the page inside (1, 1)-(527, 407), shadows below and right.
TEST_F(PreviewTest, BoxWithAPageIsWhitePaperWithSilverBorderAndGreyShadow) {
    attach(2);
    preview->SetZoomFactor(50);
    const QImage box = renderBox(0);
    ASSERT_EQ(box.size(), QSize(535, 415));
    for (QPoint p : {QPoint(0, 100), QPoint(527, 100), QPoint(100, 0), QPoint(100, 407)})
        EXPECT_EQ(box.pixel(p), kSilver) << p.x() << "," << p.y();
    EXPECT_EQ(box.pixel(400, 300), kWhite);
    EXPECT_EQ(box.pixel(1, 1), kWhite);
    // The page's black square (100, 100)-(200, 200) scaled by 526/1056 and 406/816.
    EXPECT_EQ(box.pixel(75, 75), kBlack);
    EXPECT_EQ(box.pixel(51, 51), kBlack);
    EXPECT_EQ(box.pixel(100, 100), kBlack);
    EXPECT_EQ(box.pixel(101, 101), kWhite);
    EXPECT_EQ(box.pixel(50, 50), kWhite);
    for (QPoint p : {QPoint(528, 5), QPoint(532, 412), QPoint(5, 408), QPoint(300, 412)})
        EXPECT_EQ(box.pixel(p), kGrey) << p.x() << "," << p.y();
    // Beside the shadows the preview's background shows, never stale pixels.
    const QRgb background = backgroundOf(*preview);
    for (QPoint p : {QPoint(530, 2), QPoint(533, 200), QPoint(534, 414), QPoint(2, 410), QPoint(200, 413)})
        EXPECT_EQ(box.pixel(p), background) << p.x() << "," << p.y();
}

TEST_F(PreviewTest, BoxBeyondTheLastPageIsGreyWithACross) {
    attach(1);
    preview->ShowMultiplePages();
    preview->SetZoomFactor(50);
    const QImage box = renderBox(1);
    ASSERT_EQ(box.size(), QSize(535, 415));
    EXPECT_FALSE(preview->Boxes(1)->HasPage());
    EXPECT_EQ(box.pixel(0, 100), kSilver);
    EXPECT_EQ(box.pixel(100, 300), kGrey);
    EXPECT_EQ(box.pixel(400, 100), kGrey);
    // Both diagonals of the inner rectangle (1, 1)-(527, 407).
    EXPECT_EQ(box.pixel(1, 1), kSilver);
    EXPECT_EQ(box.pixel(526, 406), kSilver);
    EXPECT_EQ(box.pixel(526, 1), kSilver);
    EXPECT_EQ(box.pixel(1, 406), kSilver);
    EXPECT_TRUE(anyPixelNear(box, QPoint(263, 203), kSilver));
    EXPECT_EQ(box.pixel(530, 100), kGrey);
}

TEST_F(PreviewTest, PartOfABoxPaintsExactlyAsTheWholeBox) {
    attach(2);
    preview->SetZoomFactor(90);
    TRLPreviewBox* box = preview->Boxes(0);
    const QImage whole = box->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect part(40, 30, 200, 90); // across text, square and rectangle
    QImage partial(box->size(), QImage::Format_RGB32);
    partial.fill(Qt::red);
    box->render(&partial, part.topLeft(), QRegion(part));
    int differences = 0;
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x)
            differences += whole.pixel(x, y) != partial.pixel(x, y);
    EXPECT_EQ(differences, 0);
    EXPECT_EQ(partial.pixel(part.right() + 2, part.top()), qRgb(255, 0, 0))
        << "painted outside the exposed part";
}

TEST_F(PreviewTest, UnreadablePagesShowAsMissingPages) {
    QPointer<TRLGraphicStorage> store = makeStore(7, 1, &storeOwner, 600, 400);
    ownedStore = store.data();
    {
        // Pages 1 and 2 are no longer cached: spoil their records on disk.
        QFile file(store->SpillFileName());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.seek(store->PageOffsets()[0] + 4);
        file.write("X");
        file.seek(store->PageOffsets()[1]);
        file.write("\xff\xff\xff\x7f", 4);
    }
    preview->AttachStorage(store);
    preview->SetZoomFactor(50);
    // Sized from the store's paper, grey with a cross.
    EXPECT_EQ(preview->Boxes(0)->size(), QSize(535, 415));
    EXPECT_EQ(renderBox(0).pixel(100, 300), kGrey);
    preview->ShowMultiplePages();
    preview->SetZoomFactor(50);
    EXPECT_EQ(preview->Boxes(1)->size(), QSize(535, 415));
    EXPECT_EQ(preview->Boxes(2)->size(), QSize(307, 207));
    EXPECT_EQ(renderBox(1).pixel(100, 300), kGrey);
    EXPECT_EQ(renderBox(2).pixel(250, 150), kWhite);
    QImage image(preview->size(), QImage::Format_RGB32);
    preview->render(&image);
}

TEST_F(PreviewTest, DoubleClickTogglesBetweenOnePageWideAndThreePages) {
    attach(6);
    mouseDoubleClick(preview->Boxes(0), QPoint(20, 20));
    EXPECT_TRUE(preview->IsMultiplePages());
    EXPECT_EQ(preview->ZoomFactor(), 37.0);
    EXPECT_EQ(preview->CurrentPageNumber(), 1);

    // In three-page mode the page clicked becomes the first one shown.
    mouseDoubleClick(preview->Boxes(2), QPoint(20, 20));
    EXPECT_FALSE(preview->IsMultiplePages());
    EXPECT_EQ(preview->horizontalScrollBar()->maximum(), 0); // one page as wide as fits
    EXPECT_EQ(preview->CurrentPageNumber(), 3);

    mouseDoubleClick(preview->Boxes(0), QPoint(20, 20));
    EXPECT_TRUE(preview->IsMultiplePages());
    EXPECT_EQ(preview->CurrentPageNumber(), 3);
}

TEST_F(PreviewTest, ClicksFireTheEnterEventAndOnlyTheControlsOwnAreaReportsMouseEvents) {
    attach(1);
    preview->SetZoomFactor(50);
    int enters = 0;
    std::vector<QString> mouse;
    preview->OnEnter = [&](TRLPreview* sender) {
        EXPECT_EQ(sender, preview.get());
        ++enters;
    };
    preview->OnMouseDown = [&](TRLPreview*, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x,
                               int y) {
        mouse.push_back(QString("down %1 %2 %3 %4").arg(int(button)).arg(int(modifiers)).arg(x).arg(y));
    };
    preview->OnMouseUp = [&](TRLPreview*, Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
        mouse.push_back(QString("up %1 %2 %3").arg(int(button)).arg(x).arg(y));
    };
    preview->OnMouseMove = [&](TRLPreview*, Qt::MouseButtons, Qt::KeyboardModifiers, int x, int y) {
        mouse.push_back(QString("move %1 %2").arg(x).arg(y));
    };

    mouseClick(preview->Boxes(0), Qt::LeftButton, QPoint(30, 30));
    EXPECT_EQ(enters, 1);
    EXPECT_TRUE(mouse.empty());

    mouseClick(preview->viewport(), Qt::LeftButton, QPoint(5, 7), Qt::ShiftModifier);
    EXPECT_EQ(enters, 2);
    ASSERT_EQ(mouse.size(), 2u);
    EXPECT_EQ(mouse[0], QString("down %1 %2 5 7").arg(int(Qt::LeftButton)).arg(int(Qt::ShiftModifier)));
    EXPECT_EQ(mouse[1], QString("up %1 5 7").arg(int(Qt::LeftButton)));
    mouseMove(preview->viewport(), QPoint(9, 11));
    ASSERT_EQ(mouse.size(), 3u);
    EXPECT_EQ(mouse[2], "move 9 11");

    // A right click is no click.
    mouseClick(preview->Boxes(0), Qt::RightButton, QPoint(30, 30));
    EXPECT_EQ(enters, 2);
}

TEST_F(PreviewTest, KeysAreLeftToTheWindow) {
    attach(1);
    preview->SetZoomFactor(300);
    const int before = preview->HorzScrollPosition();
    keyClick(preview.get(), Qt::Key_Right);
    keyClick(preview.get(), Qt::Key_PageDown);
    EXPECT_EQ(preview->HorzScrollPosition(), before);
    EXPECT_EQ(preview->VertScrollPosition(), 0);
}

TEST_F(PreviewTest, CopyPutsThePageAtItsOwnSizeOnTheClipboard) {
    attach(2);
    preview->SetZoomFactor(40);
    QApplication::clipboard()->clear();
    copyThroughTheMenu(*preview, preview->Boxes(0));
    EXPECT_EQ(preview->PopupComponent(), nullptr);
    const QImage image = QApplication::clipboard()->image();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(1056, 816));
    // Painted at scale 1 on white: the square is at its page position.
    EXPECT_EQ(image.pixel(150, 150), kBlack);
    EXPECT_EQ(image.pixel(99, 150), kWhite);
    EXPECT_EQ(image.pixel(200, 150), kWhite);
    EXPECT_EQ(image.pixel(600, 600), kWhite);
}

TEST_F(PreviewTest, CopyDoesNothingWithoutAPageOrOutsideTheMenu) {
    attach(1);
    preview->ShowMultiplePages();
    QApplication::clipboard()->clear();
    // The shortcut with no menu open: the menu belongs to no box.
    preview->CopyAction()->trigger();
    EXPECT_TRUE(QApplication::clipboard()->image().isNull());
    // A box past the last page.
    copyThroughTheMenu(*preview, preview->Boxes(1));
    EXPECT_TRUE(QApplication::clipboard()->image().isNull());
}
