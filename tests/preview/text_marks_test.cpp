#include "pagestore/text_cells.h"
#include "preview/text_marks.h"
#include "preview_fixtures.h"

#include <QClipboard>
#include <QMimeData>

using namespace rl;
using namespace rl::test;

namespace {

// A report page of the given lines, drawn as the composer draws them: one
// auto-sized label a line, 12 pixels apart, 7-point "Orator10 BT".
std::unique_ptr<TRLGraphicSurface> linesPage(const std::vector<std::string>& lines) {
    auto page = std::make_unique<TRLGraphicSurface>();
    page->Width = 1056;
    page->Height = 816;
    page->DrawFont.Size = 7;
    page->DrawBrush.Style = std::uint8_t(BrushStyle::Clear);
    for (size_t row = 0; row < lines.size(); ++row) {
        const std::int32_t top = 40 + std::int32_t(row) * 12;
        page->TextRect({38, top, 1018, top + 12}, 38, top, lines[row], haLeft, vaTop, 5);
    }
    return page;
}

class TextMarksTest : public PreviewTest {
protected:
    // Three pages of these lines, owned by the fixture's store owner.
    void attachLines(const std::vector<std::string>& lines) {
        auto* store = new TRLGraphicStorage(&storeOwner);
        for (int i = 0; i < 3; ++i)
            store->Add(linesPage(lines));
        store->SetFirstPageNumber(1);
        store->SetLastPageNumber(3);
        store->SetOrientation(2);
        store->SetPaperWidth(215.9);
        store->SetPaperHeight(279.4);
        ownedStore = store;
        preview->AttachStorage(store);
    }
    // The centre of a character cell of a line, in the box's coordinates.
    QPoint cellCentre(TRLPreviewBox* box, int line, int column) {
        const TRLGraphicSurface* page = box->Page();
        TextCellLayout layout(*page, box->InnerRect(), box);
        return layout.Cells(*PageLines(*page)[size_t(line)], column, 1).center();
    }
};

bool isInk(QRgb pixel) {
    return qGray(pixel) < 200;
}

// Runs of columns with ink in a band of rows: [first, last] pairs.
std::vector<std::pair<int, int>> inkRuns(const QImage& image, int top, int bottom) {
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < image.width(); ++x) {
        bool ink = false;
        for (int y = std::max(0, top); y < std::min(image.height(), bottom) && !ink; ++y)
            ink = isInk(image.pixel(x, y));
        if (!ink) continue;
        if (!runs.empty() && runs.back().second == x - 1)
            runs.back().second = x;
        else
            runs.push_back({x, x});
    }
    return runs;
}

// The bounding box of the pixels that differ between two images.
QRect changedArea(const QImage& a, const QImage& b) {
    QRect area;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) area |= QRect(x, y, 1, 1);
    return area;
}

struct HighlightCase {
    const char* name;
    double zoom; // 0: the three-page view
};

class MatchHighlight : public TextMarksTest, public ::testing::WithParamInterface<HighlightCase> {};

} // namespace

// The highlight is measured against the glyphs painted: it must hold every
// column of ink of the matched "MMMM" and none of the bars around it, and be
// four character pitches wide, the pitch taken from the bars' ink.
TEST_P(MatchHighlight, CoversExactlyTheMatchedCells) {
    attachLines({"x", "||||MMMM||||", "y"});
    int pageIndex = 0;
    if (GetParam().zoom > 0) {
        preview->SetZoomFactor(GetParam().zoom);
    } else {
        // Wide enough for three pages at about their own size, so glyphs stay apart.
        preview->resize(3400, 1000);
        preview->ShowMultiplePages();
        pageIndex = 1;
    }
    TRLPreviewBox* box = preview->BoxOfPage(pageIndex);
    ASSERT_NE(box, nullptr);
    // The paper only: no border, no shadow.
    const QImage plain = box->grab(box->InnerRect()).toImage();
    preview->ShowTextMatch({{pageIndex, 1, 4}, 4});
    EXPECT_EQ(preview->CurrentPageIndex(), 0);
    const QImage marked = box->grab(box->InnerRect()).toImage();

    const QRect highlight = changedArea(plain, marked);
    ASSERT_FALSE(highlight.isEmpty());
    const std::vector<std::pair<int, int>> runs = inkRuns(plain, highlight.top(), highlight.bottom() + 1);
    // Four bars, the M's (their ink may touch), four bars.
    ASSERT_GE(runs.size(), 9u);
    const auto& bars = runs;
    const size_t last = runs.size() - 1;
    EXPECT_GT(highlight.left(), bars[3].second);
    EXPECT_LE(highlight.left(), runs[4].first);
    EXPECT_GE(highlight.right(), runs[last - 4].second);
    EXPECT_LT(highlight.right(), bars[last - 3].first);
    const double pitch =
        ((bars[last].first + bars[last].second) - (bars[0].first + bars[0].second)) / 2.0 / 11.0;
    EXPECT_NEAR(highlight.width(), 4 * pitch, 1.0);
    // And every ink row of the line.
    int inkTop = plain.height(), inkBottom = -1;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = runs[4].first; x <= runs[last - 4].second; ++x)
            if (isInk(plain.pixel(x, y))) {
                inkTop = std::min(inkTop, y);
                inkBottom = std::max(inkBottom, y);
            }
    EXPECT_LE(highlight.top(), inkTop);
    EXPECT_GE(highlight.bottom(), inkBottom);
}

INSTANTIATE_TEST_SUITE_P(Views, MatchHighlight,
                         ::testing::Values(HighlightCase{"Zoom100", 100}, HighlightCase{"Zoom250", 250},
                                           HighlightCase{"ThreePages", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TextMarksTest, BlockSelectionCopiesTheCellsOfEachLine) {
    // Code, description, value: the values in columns 30 to 38.
    const auto row = [](std::string code, std::string description, std::string value) {
        code.resize(8, ' ');
        description.resize(22, ' ');
        return code + description + value;
    };
    const std::vector<std::string> lines = {
        row("CODIGO", "DESCRICAO", "    VALOR"), row("000101", "Caf\xe9 em gr\xe3o", " 1.234,56"),
        row("000102",
            "A\xe7\xfa"
            "car refinado",
            "   987,00"),
        row("000103", "Leite", "12,30    "), row("TOTAL", "", " 2.233,86")};
    attachLines(lines);
    preview->SetTool(TRLPreview::Tool::Select);
    TRLPreviewBox* box = preview->Boxes(0);
    const QPoint from = cellCentre(box, 1, 30), to = cellCentre(box, 3, 38);
    sendMouse(box, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, from);
    sendMouse(box, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, (from + to) / 2);
    sendMouse(box, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, to);
    sendMouse(box, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, to);
    EXPECT_EQ(preview->Selection(), (TextBlock{0, 1, 3, 30, 38}));

    ASSERT_TRUE(preview->CopySelectedText());
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    // One line per report line, its blanks at the end trimmed.
    EXPECT_EQ(copied->text(), QStringLiteral(" 1.234,56\n   987,00\n12,30"));
    EXPECT_EQ(copied->html().count(QStringLiteral("<tr>")), 3);

    // A click without a drag lets the selection go; then nothing is copied as text.
    mouseClick(box, Qt::LeftButton, from);
    EXPECT_TRUE(preview->Selection().IsEmpty());
    EXPECT_FALSE(preview->CopySelectedText());
}

TEST_F(TextMarksTest, ShiftDragsASelectionWithTheHandAndAccentedTextIsCopiedAsWritten) {
    attachLines({"Descri\xe7\xe3o   \x80 1,00  \x93ok\x94"});
    TRLPreviewBox* box = preview->Boxes(0);
    const QPoint from = cellCentre(box, 0, 0), to = cellCentre(box, 0, 25);
    sendMouse(box, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, from, Qt::ShiftModifier);
    sendMouse(box, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, to, Qt::ShiftModifier);
    sendMouse(box, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, to, Qt::ShiftModifier);
    EXPECT_EQ(preview->SelectedText(), QStringLiteral("Descrição   € 1,00  “ok”"));
}

TEST_F(TextMarksTest, ZoomToolZoomsAroundTheClickAndTheHandDragsThePage) {
    attachLines({"x"});
    preview->SetTool(TRLPreview::Tool::Zoom);
    int toolZooms = 0;
    preview->OnToolZoom = [&](TRLPreview*) { ++toolZooms; };
    TRLPreviewBox* box = preview->Boxes(0);
    const QPoint at = box->mapTo(preview->viewport(), QPoint(700, 500));
    const QPointF fraction(double(700 - box->InnerRect().left()) / box->InnerRect().width(),
                           double(500 - box->InnerRect().top()) / box->InnerRect().height());
    mouseClick(box, Qt::LeftButton, QPoint(700, 500));
    mouseClick(box, Qt::LeftButton, box->mapFrom(preview->viewport(), at));
    EXPECT_EQ(preview->ZoomFactor(), 150.0);
    EXPECT_EQ(toolZooms, 2);
    // The page point clicked is still under the mouse.
    const QRect inner = box->InnerRect().translated(box->pos());
    EXPECT_NEAR(inner.left() + fraction.x() * inner.width(), at.x(), 2);
    EXPECT_NEAR(inner.top() + fraction.y() * inner.height(), at.y(), 2);
    mouseClick(box, Qt::RightButton, box->mapFrom(preview->viewport(), at));
    EXPECT_EQ(preview->ZoomFactor(), 125.0);

    preview->SetTool(TRLPreview::Tool::Hand);
    const int horz = preview->HorzScrollPosition(), vert = preview->VertScrollPosition();
    const QPoint start = box->mapFrom(preview->viewport(), QPoint(600, 400));
    sendMouse(box, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, start);
    sendMouse(box, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, start + QPoint(40, 30));
    sendMouse(box, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, start + QPoint(40, 30));
    // The page follows the mouse.
    ASSERT_GE(horz, 40);
    ASSERT_GE(vert, 30);
    EXPECT_EQ(preview->HorzScrollPosition(), horz - 40);
    EXPECT_EQ(preview->VertScrollPosition(), vert - 30);
}
