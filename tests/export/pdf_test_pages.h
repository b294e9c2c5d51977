#pragma once

#include "export/pdf_filter.h"
#include "pagestore/graphic_storage.h"
#include "pagestore/graphic_surface.h"
#include "pagestore/picture_data.h"
#include "platform/clock.h"

#include <QDateTime>
#include <QImage>

#include <memory>

namespace rl::test {

// A store with an owner, so that a filter's run (link, unlink) does not free it.
struct OwnedStore {
    std::unique_ptr<QObject> owner = std::make_unique<QObject>();
    TRLGraphicStorage* store = new TRLGraphicStorage(owner.get());
    TRLGraphicStorage* operator->() const { return store; }
    TRLGraphicStorage& operator*() const { return *store; }
};

// A store of pages of the given paper size (millimetres, portrait).
inline OwnedStore makeStore(double widthMm, double heightMm) {
    OwnedStore store;
    store->SetPaperWidth(widthMm);
    store->SetPaperHeight(heightMm);
    store->SetOrientation(1);
    return store;
}

inline std::unique_ptr<TRLGraphicSurface> makePage(const TRLGraphicStorage& store) {
    auto page = std::make_unique<TRLGraphicSurface>();
    page->Width = store.OrientedWidthPixels();
    page->Height = store.OrientedHeightPixels();
    page->Open();
    return page;
}

// A 2 x 2 picture: red, green / blue, white.
inline QByteArray tinyLogo() {
    QImage image(2, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(1, 0, qRgb(0, 255, 0));
    image.setPixel(0, 1, qRgb(0, 0, 255));
    image.setPixel(1, 1, qRgb(255, 255, 255));
    return PictureData::fromImage(image);
}

// Three small pages: (1) a text in the report face with parentheses and a tab,
// a right-aligned text, a dashed line, a rectangle with a clear pen and the
// logo; (2) the logo again, a bold text and one object of every other kind
// in a clip rectangle; (3) nothing at all.
inline OwnedStore tinyDocument() {
    auto store = makeStore(60, 30); // 227 x 113 page units
    {
        auto page = makePage(*store);
        page->DrawFont.Size = 8;
        page->TextRect({10, 10, 200, 21}, 10, 10, "Total (a)\tb", haLeft, vaTop, toKeepWhole);
        page->TextRect({10, 30, 200, 41}, 10, 30, "fim", haRight, vaTop, toUnclipped);
        auto& line = page->AddObject<TRLLineObject>();
        line.StartPoint = {10, 50};
        line.EndPoint = {200, 50};
        line.Pen = {{0, 0, 128}, std::uint8_t(PenMode::Copy), std::uint8_t(PenStyle::Dash), 2};
        page->DrawPen.Style = std::uint8_t(PenStyle::Clear);
        page->DrawBrush = {{255, 200, 0}, std::uint8_t(BrushStyle::Solid)};
        page->Rectangle(10, 60, 110, 100);
        page->StretchDraw({150, 60, 190, 100}, tinyLogo(), false);
        store->Add(std::move(page));
    }
    {
        auto page = makePage(*store);
        page->StretchDraw({150, 60, 190, 100}, tinyLogo(), false);
        page->DrawFont.Style = fsBold;
        page->TextRect({10, 10, 200, 21}, 10, 10, "Negrito", haLeft, vaTop, toUnclipped);
        // The other kinds, inside a clip rectangle, then an unmatched reset.
        page->SetClipRect({0, 30, 120, 113});
        page->AddObject<TRLPixelObject>().Bounds = {5, 35, 6, 36};
        page->DrawBrush = {{0, 128, 0}, std::uint8_t(BrushStyle::Solid)};
        page->FillRect({10, 35, 30, 45});
        page->DrawPen = {{255, 0, 0}, std::uint8_t(PenMode::Copy), std::uint8_t(PenStyle::DashDotDot), 1};
        auto& ellipse = page->AddObject<TRLEllipseObject>();
        ellipse.Bounds = {40, 35, 80, 55};
        ellipse.Pen = page->DrawPen;
        ellipse.Brush = page->DrawBrush;
        auto& polygon = page->AddObject<TRLPolygonObject>();
        polygon.Points = {{10, 60}, {30, 60}, {20, 80}};
        polygon.Pen = page->DrawPen;
        polygon.Brush = page->DrawBrush;
        auto& polyline = page->AddObject<TRLPolylineObject>();
        polyline.Points = {{40, 60}, {60, 80}, {80, 60}};
        polyline.Pen = page->DrawPen;
        page->ResetClipRect();
        page->AddObject<TRLResetClipRectObject>();
        store->Add(std::move(page));
    }
    store->Add(makePage(*store));
    return store;
}

// Runs a PDF filter over all pages of the store into path.
inline void exportPdf(TRLGraphicStorage& store, const QString& path, bool compress = true) {
    TRLPDFFilter filter;
    filter.Compress = compress;
    filter.SetShowProgress(false);
    filter.DocumentInfo.Creator = QStringLiteral("MorvexReport v3.16");
    filter.SetFileName(path);
    filter.Run(&store, 1, -1);
}

inline QDateTime fixedMoment() {
    return QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7));
}

} // namespace rl::test
