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
