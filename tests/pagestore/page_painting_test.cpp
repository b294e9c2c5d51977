#include "pagestore/graphic_surface.h"
#include "pagestore/picture_data.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace rl;

namespace {

const QRgb kWhite = qRgb(255, 255, 255);

// Paints a page into a white 96-dpi image of the given size.
QImage paint(const TRLGraphicSurface& page, QSize size, QRect target = {}) {
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(kWhite);
    QPainter painter(&image);
    page.PaintTo(painter, target.isNull() ? QRect(QPoint(0, 0), size) : target);
    return image;
}

int countNonWhite(const QImage& image, QRect area) {
    int n = 0;
    area = area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixel(x, y) != kWhite;
    return n;
}

QRect inkBox(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != kWhite) box |= QRect(x, y, 1, 1);
    return box;
}

TRLGraphicSurface& sized(TRLGraphicSurface& page, int w, int h) {
    page.Width = w;
    page.Height = h;
    return page;
}

} // namespace

TEST(PagePainting, FillRectIsScaledWithThePage) {
    TRLGraphicSurface page;
    sized(page, 100, 50);
    page.DrawBrush.Color = {255, 0, 0};
    page.FillRect({10, 10, 20, 15});
    const QImage full = paint(page, {100, 50});
    EXPECT_EQ(inkBox(full), QRect(10, 10, 10, 5));
    EXPECT_EQ(full.pixel(10, 10), qRgb(255, 0, 0));
    const QImage doubled = paint(page, {200, 100});
    EXPECT_EQ(inkBox(doubled), QRect(20, 20, 20, 10));
    // Into a rectangle away from the origin, at half size.
    const QImage half = paint(page, {200, 100}, QRect(100, 50, 50, 25));
    EXPECT_EQ(inkBox(half), QRect(105, 55, 5, 3)); // 7.5 rounds to 8 (ties to even), 5 to 5
}

TEST(PagePainting, PageWithoutWidthPaintsAtScaleOne) {
    TRLGraphicSurface page; // Width and Height 0: the private pages of bands
    page.FillRect({3, 4, 6, 8});
    page.Objects(0);
    static_cast<TRLFillRectObject&>(*page.Objects(0)).Brush.Color = {0, 0, 255};
    EXPECT_EQ(inkBox(paint(page, {50, 50})), QRect(3, 4, 3, 4));
}

TEST(PagePainting, RectangleKeepsAtLeastOnePixel) {
    TRLGraphicSurface page;
    sized(page, 1000, 1000);
    page.DrawBrush.Color = {0, 0, 0};
    page.Rectangle(100, 100, 101, 500); // 1 unit wide: 0.1 pixel at this scale
    const QImage image = paint(page, {100, 100});
    const QRect box = inkBox(image);
    EXPECT_EQ(box.left(), 10);
    EXPECT_EQ(box.width(), 1);
    EXPECT_GE(box.height(), 39);
}

TEST(PagePainting, WidePenIsScaledButNeverVanishes) {
    TRLGraphicSurface page;
    sized(page, 400, 400);
    auto& line = page.AddObject<TRLLineObject>();
    line.StartPoint = {0, 200};
    line.EndPoint = {400, 200};
    line.Pen.Width = 3;
    line.Brush.Style = std::uint8_t(BrushStyle::Clear);
    const QImage quarter = paint(page, {100, 100}); // width 3 x 0.25 truncates to 0, kept at 1
    const QRect box = inkBox(quarter);
    EXPECT_EQ(box.height(), 1);
    EXPECT_GE(box.width(), 99);
    line.Pen.Width = 8;
    EXPECT_GE(inkBox(paint(page, {400, 400})).height(), 7);
}

TEST(PagePainting, WideDashedLineIsDrawnInPatternSegments) {
    TRLGraphicSurface page;
    sized(page, 200, 20);
    auto& line = page.AddObject<TRLLineObject>();
    line.StartPoint = {0, 10};
    line.EndPoint = {192, 10};
    line.Pen.Width = 2;
    line.Pen.Style = std::uint8_t(PenStyle::Dash); // 24 drawn, 8 skipped
    line.Brush.Style = std::uint8_t(BrushStyle::Clear);
    const QImage image = paint(page, {200, 20});
    EXPECT_NE(image.pixel(12, 10), kWhite); // inside the first dash
    EXPECT_EQ(image.pixel(28, 10), kWhite); // inside the first gap
    EXPECT_NE(image.pixel(44, 10), kWhite); // second dash
    // With a solid brush, the gaps are filled in the brush colour.
    line.Brush = {{255, 0, 0}, std::uint8_t(BrushStyle::Solid)};
    EXPECT_EQ(paint(page, {200, 20}).pixel(28, 10), qRgb(255, 0, 0));
}

TEST(PagePainting, ClippedTextStaysInsideItsBoundsUnclippedDoesNot) {
    TRLGraphicSurface page;
    sized(page, 300, 40);
    page.DrawFont.Size = 10;
    page.DrawBrush.Style = std::uint8_t(BrushStyle::Clear);
    const std::string text = "MMMMMMMMMMMMMMMMMMMM";
    page.TextRect({0, 0, 40, 20}, 0, 0, text, haLeft, vaTop, toKeepWhole);
    const QImage clipped = paint(page, {300, 40});
    EXPECT_GT(countNonWhite(clipped, {0, 0, 40, 20}), 0);
    EXPECT_EQ(countNonWhite(clipped, {40, 0, 260, 40}), 0);

    static_cast<TRLTextObject&>(*page.Objects(0)).Options = toUnclipped | toKeepWhole;
    const QImage unclipped = paint(page, {300, 40});
    EXPECT_GT(countNonWhite(unclipped, {40, 0, 260, 40}), 0);
}

TEST(PagePainting, TextAlignmentPlacesTheInk) {
    TRLGraphicSurface page;
    sized(page, 400, 40);
    page.DrawFont.Size = 10;
    page.DrawBrush.Style = std::uint8_t(BrushStyle::Clear);
    page.TextRect({0, 0, 400, 40}, 0, 0, "X", haRight, vaBottom, 0);
    const QRect right = inkBox(paint(page, {400, 40}));
    EXPECT_GT(right.left(), 380);
    EXPECT_GT(right.top(), 20);
    static_cast<TRLTextObject&>(*page.Objects(0)).HAlign = haCenter;
    static_cast<TRLTextObject&>(*page.Objects(0)).VAlign = vaCenter;
    const QRect centre = inkBox(paint(page, {400, 40}));
    EXPECT_NEAR(centre.center().x(), 200, 8);
    EXPECT_NEAR(centre.center().y(), 20, 6);
}

TEST(PagePainting, JustifiedTextSpreadsToTheRightEdge) {
    TRLGraphicSurface page;
    sized(page, 400, 20);
    page.DrawFont.Size = 10;
    page.DrawBrush.Style = std::uint8_t(BrushStyle::Clear);
    page.TextRect({0, 0, 300, 20}, 0, 0, "A B C", haJustify, vaTop, toUnclipped);
    const QRect justified = inkBox(paint(page, {400, 20}));
    static_cast<TRLTextObject&>(*page.Objects(0)).HAlign = haLeft;
    const QRect left = inkBox(paint(page, {400, 20}));
    EXPECT_LT(left.right(), 60);
    EXPECT_GT(justified.right(), 250);
    EXPECT_LE(justified.right(), 300);
}

TEST(PagePainting, TextShowsVariablesOfTheStore) {
    TRLGraphicSurface page;
    sized(page, 200, 20);
    page.DrawBrush.Style = std::uint8_t(BrushStyle::Clear);
    page.Variables.setValue("Empty", "");
    page.Variables.setValue("Long", "MMMMMMMMMMMMMMMM");
    page.TextRect({0, 0, 200, 20}, 0, 0, "{Long}", haLeft, vaTop, toUnclipped);
    EXPECT_GT(inkBox(paint(page, {200, 20})).width(), 80);
}

TEST(PagePainting, ClipObjectsLimitWhatFollows) {
    TRLGraphicSurface page;
    sized(page, 100, 100);
    page.DrawBrush.Color = {0, 0, 0};
    page.SetClipRect({0, 0, 50, 50});
    page.FillRect({0, 0, 100, 100});
    page.ResetClipRect();
    page.FillRect({90, 90, 100, 100});
    const QImage image = paint(page, {100, 100});
    EXPECT_EQ(countNonWhite(image, {0, 0, 50, 50}), 2500);
    EXPECT_EQ(countNonWhite(image, {50, 0, 50, 90}), 0);
    EXPECT_EQ(countNonWhite(image, {90, 90, 10, 10}), 100);
}

TEST(PagePainting, NothingIsPaintedOutsideTheTarget) {
    TRLGraphicSurface page;
    sized(page, 100, 100);
    page.DrawBrush.Color = {0, 0, 0};
    page.FillRect({-50, -50, 200, 200});
    page.SetClipRect({-1000, -1000, 1000, 1000}); // a clip wider than the page
    page.FillRect({-50, -50, 200, 200});
    page.ResetClipRect();
    const QImage image = paint(page, {300, 300}, QRect(100, 100, 100, 100));
    EXPECT_EQ(inkBox(image), QRect(100, 100, 100, 100));
}

TEST(PagePainting, ImagesStretchAndIntegralScaleUsesWholeFactors) {
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    TRLGraphicSurface page;
    sized(page, 100, 100);
    page.StretchDraw({0, 0, 35, 20}, PictureData::fromImage(picture), false);
    EXPECT_EQ(inkBox(paint(page, {100, 100})), QRect(0, 0, 35, 20));
    static_cast<TRLImageObject&>(*page.Objects(0)).IntegralScale = true;
    EXPECT_EQ(inkBox(paint(page, {100, 100})), QRect(0, 0, 31, 20)); // 3 x 10 + 1
    static_cast<TRLImageObject&>(*page.Objects(0)).PictureData = "NIL";
    EXPECT_TRUE(inkBox(paint(page, {100, 100})).isNull());
    static_cast<TRLImageObject&>(*page.Objects(0)).PictureData = "BMPgarbage";
    EXPECT_TRUE(inkBox(paint(page, {100, 100})).isNull());
}

TEST(PagePainting, HatchedBrushLeavesWhiteGaps) {
    TRLGraphicSurface page;
    sized(page, 40, 40);
    page.DrawBrush = {{0, 0, 0}, std::uint8_t(BrushStyle::Horizontal)};
    page.FillRect({0, 0, 40, 40});
    const QImage image = paint(page, {40, 40});
    const int ink = countNonWhite(image, {0, 0, 40, 40});
    EXPECT_GT(ink, 0);
    EXPECT_LT(ink, 1600);
}

TEST(PagePainting, AbsurdValuesFromADamagedPageStayBounded) {
    TRLGraphicSurface page;
    sized(page, 100, 100);
    auto& text = page.TextRect({0, 0, 100, 100}, 0, 0, "huge", haJustify, vaTop, 0);
    text.Font.Size = 2000000000;
    auto& line = page.AddObject<TRLLineObject>();
    line.StartPoint = {-2000000000, 5};
    line.EndPoint = {2000000000, 5};
    line.Pen.Width = 2000000000;
    auto& dashed = page.AddObject<TRLLineObject>();
    dashed.StartPoint = {-2000000000, 50};
    dashed.EndPoint = {2000000000, 50};
    dashed.Pen.Width = 2;
    dashed.Pen.Style = std::uint8_t(PenStyle::Dot);
    page.AddObject<TRLPolygonObject>().Points = {{INT32_MIN, INT32_MIN}, {INT32_MAX, 0}, {0, INT32_MAX}};
    page.AddObject<TRLRectangleObject>().Bounds = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    const QImage image = paint(page, {100, 100}); // returns at all, without exhausting memory
    EXPECT_GT(countNonWhite(image, image.rect()), 0);
}
