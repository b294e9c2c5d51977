#pragma once

// Small hand-made pages for the RTF and HTML filter tests.

#include "pagestore/graphic_storage.h"
#include "pagestore/graphic_surface.h"
#include "pagestore/picture_data.h"
#include "print/custom_filter.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QObject>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace rl::test {

// A store of A4 pages, owned by a QObject so that a filter unlinking it never destroys it.
struct PageStoreFixture {
    QObject owner;
    TRLGraphicStorage* store = new TRLGraphicStorage(&owner);

    explicit PageStoreFixture(bool landscape = false) {
        store->SetPaperWidth(210);
        store->SetPaperHeight(297);
        store->SetOrientation(landscape ? 2 : 1);
    }
    // A new empty page of the store's oriented size; add it with add().
    std::unique_ptr<TRLGraphicSurface> page() const {
        auto p = std::make_unique<TRLGraphicSurface>();
        p->Width = store->OrientedWidthPixels();
        p->Height = store->OrientedHeightPixels();
        return p;
    }
    void add(std::unique_ptr<TRLGraphicSurface> p) { store->Add(std::move(p)); }
};

inline TRLTextObject& addText(TRLGraphicSurface& page, PageRect bounds, const std::string& text,
                              std::uint8_t hAlign = haLeft, const std::string& font = "Orator10 BT",
                              std::int32_t size = 8, MetaColor colour = {}) {
    TRLTextObject& t = page.AddObject<TRLTextObject>();
    t.Bounds = bounds;
    t.Origin = {bounds.left, bounds.top};
    t.Text = text;
    t.HAlign = hAlign;
    t.Options = toKeepWhole;
    t.Brush.Style = std::uint8_t(BrushStyle::Clear);
    t.SetFontName(font);
    t.Font.Size = size;
    t.Font.PixelsPerInch = 96;
    t.Font.Color = colour;
    return t;
}

inline TRLLineObject& addLine(TRLGraphicSurface& page, PagePoint from, PagePoint to) {
    TRLLineObject& l = page.AddObject<TRLLineObject>();
    l.StartPoint = from;
    l.EndPoint = to;
    l.Bounds = {std::min(from.x, to.x), std::min(from.y, to.y), std::max(from.x, to.x) + 1,
                std::max(from.y, to.y) + 1};
    l.Pen.Width = 1;
    return l;
}

inline TRLRectangleObject& addRectangle(TRLGraphicSurface& page, PageRect bounds) {
    TRLRectangleObject& r = page.AddObject<TRLRectangleObject>();
    r.Bounds = bounds;
    r.Pen.Width = 1;
    r.Brush.Style = std::uint8_t(BrushStyle::Clear);
    return r;
}

// A 2 x 2 picture of four colours.
inline QByteArray fourColourPicture() {
    QImage image(2, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(1, 0, qRgb(0, 0, 255));
    image.setPixel(0, 1, qRgb(0, 128, 0));
    image.setPixel(1, 1, qRgb(255, 255, 255));
    return PictureData::fromImage(image);
}

inline TRLImageObject& addPicture(TRLGraphicSurface& page, PageRect bounds, const QByteArray& data) {
    TRLImageObject& i = page.AddObject<TRLImageObject>();
    i.Bounds = bounds;
    i.PictureData = data;
    return i;
}

inline void addClip(TRLGraphicSurface& page, PageRect bounds) {
    page.AddObject<TRLSetClipRectObject>().Bounds = bounds;
}
inline void resetClip(TRLGraphicSurface& page) {
    page.AddObject<TRLResetClipRectObject>();
}

// One drawing object of every kind with pens and brushes of several styles.
inline void addShapes(TRLGraphicSurface& page) {
    TRLPixelObject& pixel = page.AddObject<TRLPixelObject>();
    pixel.Bounds = {500, 500, 501, 501};
    pixel.Color = {1, 2, 3};
    TRLFillRectObject& fill = page.AddObject<TRLFillRectObject>();
    fill.Bounds = {500, 520, 540, 540};
    fill.Brush = {{0, 255, 0}, std::uint8_t(BrushStyle::DiagCross)};
    TRLEllipseObject& ellipse = page.AddObject<TRLEllipseObject>();
    ellipse.Bounds = {550, 520, 590, 540};
    ellipse.Pen = {{255, 0, 0}, std::uint8_t(PenMode::Copy), std::uint8_t(PenStyle::Dash), 1};
    ellipse.Brush = {{0, 0, 255}, std::uint8_t(BrushStyle::Horizontal)};
    TRLPolygonObject& polygon = page.AddObject<TRLPolygonObject>();
    polygon.Bounds = {600, 520, 641, 541};
    polygon.Points = {{600, 540}, {620, 520}, {640, 540}};
    polygon.Pen = {{0, 0, 0}, std::uint8_t(PenMode::Copy), std::uint8_t(PenStyle::Solid), 2};
    polygon.Brush = {{255, 255, 0}, std::uint8_t(BrushStyle::Solid)};
    TRLPolylineObject& polyline = page.AddObject<TRLPolylineObject>();
    polyline.Bounds = {650, 520, 691, 541};
    polyline.Points = {{650, 520}, {670, 540}, {690, 520}};
    polyline.Pen = {{0, 128, 0}, std::uint8_t(PenMode::Copy), std::uint8_t(PenStyle::DashDotDot), 1};
    addLine(page, {500, 560}, {600, 600}).Pen.Style = std::uint8_t(PenStyle::Dot);
    TRLRectangleObject& rectangle = addRectangle(page, {610, 560, 700, 600});
    rectangle.Pen.Style = std::uint8_t(PenStyle::Clear);
    rectangle.Brush = {{9, 9, 9}, std::uint8_t(BrushStyle::BDiagonal)};
}

// The tiny page both goldens start from: a text, a line, a rectangle and a
// picture, stored out of reading order.
inline void addTinyPage(PageStoreFixture& f) {
    auto p = f.page();
    addRectangle(*p, {20, 60, 220, 100});
    TRLTextObject& t = addText(*p, {30, 20, 130, 32}, "Ol\xe1, {mundo} 100%");
    t.Font.Style = fsBold;
    addLine(*p, {20, 50}, {220, 50});
    addPicture(*p, {240, 20, 248, 28}, fourColourPicture());
    f.add(std::move(p));
}

// Runs a save filter over the whole store into a file of the sandbox; the file's bytes.
inline QByteArray runToFile(TRLCustomSaveFilter& filter, TRLGraphicStorage& store, const QString& name,
                            int from = 1, int to = -1) {
    const QString path = QDir(sandboxDir()).filePath(name);
    filter.SetFileName(path);
    filter.SetShowProgress(false);
    filter.Run(&store, from, to);
    return readFile(path);
}

// Compares with tests/data/export/NAME; RL_UPDATE_GOLDENS=1 writes it instead.
inline void expectGolden(const QByteArray& actual, const QString& name) {
    const QString path = QStringLiteral(RL_TEST_DATA "/export/") + name;
    if (qEnvironmentVariableIsSet("RL_UPDATE_GOLDENS")) {
        writeFile(path, actual);
        return;
    }
    const QByteArray expected = readFile(path);
    ASSERT_FALSE(expected.isEmpty()) << "no golden " << path.toStdString();
    EXPECT_TRUE(expected == actual) << name.toStdString() << ": " << firstDifference(expected, actual);
}

} // namespace rl::test
