#include "pagestore/graphic_storage.h"
#include "pagestore/graphic_surface.h"
#include "pagestore/page_paint_context.h"
#include "pagestore/picture_data.h"
#include "pagestore/text_measure.h"
#include "platform/windows1252.h"

#include <QFontMetrics>

#include <QImage>

#include <gtest/gtest.h>

#include <random>
#include <thread>

using namespace rl;

namespace {

TRLTextObject& keepWholeText(TRLGraphicSurface& page, std::int32_t top, std::int32_t bottom) {
    return page.TextRect({0, top, 50, bottom}, 0, top, "x", haLeft, vaTop, toKeepWhole);
}

QByteArray solidPicture(int w, int h, QColor color) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return PictureData::fromImage(image);
}

} // namespace

TEST(GraphicSurface, VariableSubstitution) {
    TRLGraphicStorage store;
    store.SetLastPageNumber(12);
    auto page = std::make_unique<TRLGraphicSurface>();
    page->SetOrientation(1);
    page->Variables.setValue("Loop", "{Loop}");
    page->SetStore(&store);
    EXPECT_EQ(page->SubstituteVariables("A{Orientation}B{x}"), "A1B{x}");
    EXPECT_EQ(page->SubstituteVariables("{orientation}"), "1"); // names ignore case
    EXPECT_EQ(page->SubstituteVariables("de {LastPageNumber}"), "de 12");
    EXPECT_EQ(page->SubstituteVariables("a { b"), "a { b");
    EXPECT_EQ(page->SubstituteVariables("{x}{Orientation}"), "{x}1");
    EXPECT_EQ(page->SubstituteVariables("{Loop}{Orientation}"),
              "{Loop}1"); // values are not substituted again
    EXPECT_EQ(page->SubstituteVariables("{}"), "{}");
    // A page variable hides the store's.
    page->Variables.setValue("LastPageNumber", "99");
    EXPECT_EQ(page->SubstituteVariables("{LastPageNumber}"), "99");
    page->SetStore(nullptr);
}

TEST(GraphicSurface, PageVariablesFormatAndDefaults) {
    TRLGraphicSurface page;
    EXPECT_EQ(page.Orientation(), 1);
    EXPECT_EQ(page.PaperWidth(), 0);
    page.SetPaperWidth(215.9);
    page.SetPaperHeight(297);
    page.SetOrientation(2);
    EXPECT_EQ(page.Variables.entries(),
              (std::vector<std::string>{"PaperWidth=215.9000", "PaperHeight=297.0000", "Orientation=2"}));
    page.Variables.setValue("paperwidth", "abc");
    EXPECT_EQ(page.PaperWidth(), 0);
    EXPECT_EQ(page.Variables.entries().front(), "paperwidth=abc"); // replaced in place, not appended
}

TEST(GraphicSurface, FontNamesAreHeldOnceIgnoringCase) {
    TRLGraphicSurface page;
    EXPECT_EQ(page.FontNameIndex("Orator10 BT"), 0);
    EXPECT_EQ(page.FontNameIndex("Arial"), 1);
    EXPECT_EQ(page.FontNameIndex("ORATOR10 bt"), 0);
    EXPECT_EQ(page.FontNames.size(), 2u);
    EXPECT_EQ(page.FontNameAt(5), "");
}

TEST(GraphicSurface, OpenSetsPenClipAndAddingObjectsOpensAndDirties) {
    TRLGraphicSurface page;
    page.Width = 300;
    page.Height = 200;
    page.ContentRect = {10, 20, 290, 190};
    page.FillRect({0, 0, 5, 5});
    EXPECT_TRUE(page.IsOpen);
    EXPECT_TRUE(page.IsDirty);
    EXPECT_EQ(page.PenPosition, (PagePoint{10, 20}));
    EXPECT_EQ(page.CurrentClip, (PageRect{0, 0, 300, 200}));
    page.Close();
    EXPECT_FALSE(page.IsOpen);
    EXPECT_EQ(page.ObjectCount(), 1); // closing keeps the content
}

TEST(GraphicSurface, DrawingGroupsTagObjectsOfOnePass) {
    TRLGraphicSurface page;
    const std::int32_t group = nextDrawingGroup();
    page.FillRect({0, 0, 1, 1});
    page.Rectangle(0, 0, 1, 1);
    nextDrawingGroup();
    page.FillRect({0, 0, 1, 1});
    EXPECT_EQ(page.Objects(0)->Group, group);
    EXPECT_EQ(page.Objects(1)->Group, group);
    EXPECT_EQ(page.Objects(2)->Group, group + 1);
}

TEST(GraphicSurface, ClipRectsNest) {
    TRLGraphicSurface page;
    page.Width = 100;
    page.Height = 100;
    page.SetClipRect({1, 1, 50, 50});
    page.SetClipRect({2, 2, 10, 10});
    page.ResetClipRect();
    EXPECT_EQ(page.CurrentClip, (PageRect{1, 1, 50, 50}));
    EXPECT_EQ(page.Objects(2)->Bounds, (PageRect{2, 2, 10, 10})); // reset records the rectangle it leaves
    page.ResetClipRect();
    EXPECT_EQ(page.CurrentClip, (PageRect{0, 0, 100, 100}));
}

TEST(GraphicSurface, FindFreeRowAvoidsKeepWholeText) {
    TRLGraphicSurface page;
    keepWholeText(page, 100, 120);
    keepWholeText(page, 90, 105); // overlaps the first from above
    page.TextRect({0, 300, 50, 320}, 0, 300, "free", haLeft, vaTop, toUnclipped);
    std::int32_t y = 0;
    EXPECT_TRUE(page.FindFreeRow(110, y));
    EXPECT_EQ(y, 90); // moved to the topmost of the nested texts
    EXPECT_TRUE(page.FindFreeRow(100, y));
    EXPECT_EQ(y, 90); // 100 is inside the second one
    EXPECT_TRUE(page.FindFreeRow(120, y));
    EXPECT_EQ(y, 120); // the bottom edge is not inside
    EXPECT_TRUE(page.FindFreeRow(310, y));
    EXPECT_EQ(y, 310); // text without the keep-whole bit may be cut
    TRLGraphicSurface top;
    keepWholeText(top, 0, 30);
    EXPECT_FALSE(top.FindFreeRow(10, y));
    EXPECT_EQ(y, 0);
}

TEST(GraphicSurface, DrawPageCopiesAndMovesEveryObject) {
    TRLGraphicSurface band;
    band.DrawFont.Name = "Arial";
    band.FontNameIndex("Unused");
    band.TextRect({0, 0, 100, 10}, 2, 3, "linha", haLeft, vaTop, 5);
    band.Rectangle(1, 1, 5, 5);
    TRLGraphicSurface page;
    page.FontNameIndex("Orator10 BT");
    page.DrawPage(10, 20, band);
    ASSERT_EQ(page.ObjectCount(), 2);
    const auto& text = static_cast<const TRLTextObject&>(*page.Objects(0));
    EXPECT_EQ(text.Bounds, (PageRect{10, 20, 110, 30}));
    EXPECT_EQ(text.Origin, (PagePoint{12, 23}));
    EXPECT_EQ(text.FontName(), "Arial"); // re-indexed into this page's names
    EXPECT_EQ(text.Font.NameIndex, 1);
    EXPECT_EQ(page.Objects(1)->Bounds, (PageRect{11, 21, 15, 25}));
    page.DrawPage(0, 0, page); // onto itself: doubles, does not run away
    EXPECT_EQ(page.ObjectCount(), 4);
}

// What the report does with its page when the sheet is made: the objects
// change hands, with the same result as copying them.
TEST(GraphicSurface, MovePageGivesWhatDrawPageGives) {
    auto fill = [](TRLGraphicSurface& band) {
        band.DrawFont.Name = "Arial";
        band.FontNameIndex("Unused");
        band.TextRect({0, 0, 100, 10}, 2, 3, "linha", haLeft, vaTop, 5);
        band.Rectangle(1, 1, 5, 5);
        band.StretchDraw({0, 0, 2, 2}, solidPicture(2, 2, Qt::red), false);
    };
    TRLGraphicSurface copiedFrom, movedFrom, copied, moved;
    fill(copiedFrom);
    fill(movedFrom);
    copied.FontNameIndex("Orator10 BT");
    moved.FontNameIndex("Orator10 BT");
    copied.DrawPage(0, 0, copiedFrom);
    moved.MovePage(movedFrom);
    EXPECT_EQ(moved.SaveToBytes(), copied.SaveToBytes());
    EXPECT_EQ(movedFrom.ObjectCount(), 0);
    EXPECT_EQ(&moved.Objects(0)->Surface(), &moved);
}

// Freed objects' memory is kept per thread for the next objects: a page filled
// on a worker and dropped on this thread must not hand out a block of the
// wrong size (the sanitizer build reports it if it does).
TEST(GraphicSurface, ObjectsMadeOnOneThreadAreFreedOnAnother) {
    auto page = std::make_unique<TRLGraphicSurface>();
    std::thread worker([&] {
        for (int i = 0; i < 300; ++i) {
            page->SetClipRect({0, i, 10, i + 1});
            page->TextRect({0, i, 10, i + 1}, 0, i, std::string(size_t(i), 'x'), haLeft, vaTop, 5);
            page->ResetClipRect();
        }
    });
    worker.join();
    page.reset();
    TRLGraphicSurface next;
    for (int i = 0; i < 300; ++i)
        next.TextRect({0, i, 10, i + 1}, 0, i, "y", haLeft, vaTop, 5).Text.assign(size_t(i), 'y');
    EXPECT_EQ(next.ObjectCount(), 300);
    EXPECT_EQ(static_cast<const TRLTextObject&>(*next.Objects(299)).Text.size(), 299u);
}

TEST(GraphicSurface, CopyRectScalesClipsAndSkipsObjectsOutside) {
    TRLGraphicSurface source;
    source.DrawPen.Width = 4;
    source.Rectangle(10, 10, 20, 20);
    source.Rectangle(200, 200, 210, 210); // outside the source rectangle
    auto& text = source.TextRect({0, 5, 50, 15}, 0, 5, "t", haLeft, vaTop, 5);
    text.Font.Size = 8;
    TRLGraphicSurface page;
    page.CopyRect({100, 100, 150, 150}, source, {0, 0, 100, 100});
    ASSERT_EQ(page.ObjectCount(), 4);
    EXPECT_EQ(page.Objects(0)->kind(), ObjectKind::SetClipRect);
    EXPECT_EQ(page.Objects(0)->Bounds, (PageRect{100, 100, 150, 150}));
    const auto& rect = static_cast<const TRLRectangleObject&>(*page.Objects(1));
    EXPECT_EQ(rect.Bounds, (PageRect{105, 105, 110, 110}));
    EXPECT_EQ(rect.Pen.Width, 2);
    const auto& copied = static_cast<const TRLTextObject&>(*page.Objects(2));
    EXPECT_EQ(copied.Font.Size, 4);
    EXPECT_EQ(copied.Origin, (PagePoint{100, 102})); // Round(2.5) is 2: ties go to even
    EXPECT_EQ(page.Objects(3)->kind(), ObjectKind::ResetClipRect);
    EXPECT_TRUE(page.SavedClips.empty());
}

TEST(GraphicSurface, InflateScalesPenWidthsButNeverToZero) {
    TRLGraphicSurface page;
    auto& line = page.AddObject<TRLLineObject>();
    line.Pen.Width = 3;
    line.Inflate(0.25, 1);
    EXPECT_EQ(line.Pen.Width, 1);
    auto& thin = page.AddObject<TRLPolylineObject>();
    thin.Pen.Width = 0;
    thin.Inflate(5, 5);
    EXPECT_EQ(thin.Pen.Width, 0);
    auto& wide = page.AddObject<TRLEllipseObject>();
    wide.Pen.Width = 3;
    wide.Inflate(2.5, 1);
    EXPECT_EQ(wide.Pen.Width, 8); // Round(7.5) = 8
    // Absurd factors saturate instead of overflowing.
    wide.Bounds = {INT32_MAX, 0, 1, 1};
    wide.Inflate(1e12, 1);
    EXPECT_EQ(wide.Bounds.left, INT32_MAX);
}

TEST(GraphicSurface, PictureOperations) {
    const QByteArray picture = solidPicture(40, 20, Qt::red);
    TRLGraphicSurface page;
    page.Draw(5, 6, picture, true);
    EXPECT_EQ(page.Objects(0)->Bounds, (PageRect{5, 6, 45, 26}));
    EXPECT_TRUE(static_cast<const TRLImageObject&>(*page.Objects(0)).IntegralScale);

    page.ScaleDraw({0, 0, 100, 100}, picture, false); // wider than high: full width
    EXPECT_EQ(page.Objects(1)->Bounds, (PageRect{0, 0, 100, 50}));
    page.ScaleDraw({0, 0, 100, 100}, picture, true);
    EXPECT_EQ(page.Objects(2)->Bounds, (PageRect{0, 25, 100, 75}));
    page.ScaleDraw({0, 0, 100, 10}, picture, true); // limited by height
    EXPECT_EQ(page.Objects(3)->Bounds, (PageRect{40, 0, 60, 10}));

    page.ClipDraw({30, 0, 100, 100}, picture, false); // only the part inside the rectangle
    EXPECT_EQ(page.Objects(4)->Bounds, (PageRect{30, 0, 70, 20}));
    page.ClipDraw({0, 0, 10, 10}, picture, true); // centred: the middle 10 x 10
    EXPECT_EQ(page.Objects(5)->Bounds, (PageRect{0, 0, 10, 10}));
    EXPECT_EQ(PictureData::size(static_cast<const TRLImageObject&>(*page.Objects(5)).PictureData),
              QSize(10, 10));
    const int before = page.ObjectCount();
    page.ClipDraw({100, 100, 110, 110}, solidPicture(40, 20, Qt::red), false);
    page.ClipDraw({50, 50, 50, 60}, picture, false); // an empty rectangle shows nothing
    EXPECT_EQ(page.ObjectCount(), before + 1);
    page.ClipDraw({500, 500, 600, 600}, QByteArray("NIL"), false);
    EXPECT_EQ(page.ObjectCount(), before + 1);
}

TEST(GraphicSurface, TextMeasurementUsesTheReportFontAt96Dpi) {
    TRLGraphicSurface page;
    page.DrawFont.Name = "Orator10 BT";
    page.DrawFont.Size = 7;
    const std::int32_t one = page.TextWidth("A");
    EXPECT_GT(one, 0);
    // Fixed pitch: every character is as wide as every other, accented ones included.
    EXPECT_EQ(page.TextWidth("WWWWWWWWWW"), page.TextWidth("iiiiiiiiii"));
    EXPECT_EQ(page.TextWidth("\xc1\xc9\xcd\xd3\xda"), page.TextWidth("AEIOU"));
    EXPECT_GT(page.TextHeight("A"), 0);
    page.DrawFont.Size = 14;
    EXPECT_GT(page.TextHeight("A"), 9);
}

TEST(TextJustification, SpacesAreWidenedRightToLeft) {
    std::string t = "a b c";
    size_t scan = t.size();
    ASSERT_TRUE(widenOneSpace(t, scan));
    EXPECT_EQ(t, "a b  c");
    ASSERT_TRUE(widenOneSpace(t, scan));
    EXPECT_EQ(t, "a  b  c");
    ASSERT_TRUE(widenOneSpace(t, scan)); // wraps around to the rightmost gap again
    EXPECT_EQ(t, "a  b   c");
    std::string word = "  palavra  ";
    scan = word.size();
    EXPECT_FALSE(widenOneSpace(word, scan)); // leading blanks are no gap
    EXPECT_EQ(word, "  palavra  ");
}

TEST(GraphicSurface, FastMeasurementAgreesWithQtsLayout) {
    // Lines are measured by adding per-character advances; Qt's own layout of
    // the whole string must give the same width, for every size the composer uses.
    std::mt19937 random(7);
    for (int size : {6, 7, 8, 10, 13}) {
        for (const char* face : {"Orator10 BT", "DejaVu Sans"}) {
            SurfaceFont font;
            font.Name = face;
            font.Size = size;
            QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
            image.setDotsPerMeterX(3780);
            image.setDotsPerMeterY(3780);
            const QFontMetrics metrics(makeQFont(face, mulDiv(size, 96, 72), 0, 1), &image);
            for (int n = 0; n < 50; ++n) {
                std::string text(size_t(random() % 140), ' ');
                for (char& c : text)
                    c = char(0x20 + random() % 0xE0);
                EXPECT_EQ(measureText(font, text).width(), metrics.horizontalAdvance(fromWindows1252(text)))
                    << face << " " << size << ": " << text;
            }
            EXPECT_EQ(measureText(font, "a\tb").height(), metrics.height());
            // Text with a control character is measured by Qt, the trailing space included.
            EXPECT_EQ(measureTextWithSpace(font, "a\tb").width(), metrics.horizontalAdvance("a\tb "));
        }
    }
}
