#pragma once

#include "pagestore/graphic_storage.h"
#include "preview/preview.h"
#include "preview/preview_box.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace rl::test {

// A report page: a few lines of text, a black square at (100, 100)-(200, 200)
// and a framed rectangle, as the report engine would draw them.
inline std::unique_ptr<TRLGraphicSurface> makePage(int width, int height, const std::string& label) {
    auto page = std::make_unique<TRLGraphicSurface>();
    page->Width = width;
    page->Height = height;
    page->SetOrientation(2);
    page->SetPaperWidth(215.9);
    page->SetPaperHeight(279.4);
    page->DrawFont.Name = "Orator10 BT";
    page->DrawFont.Size = 7;
    page->DrawBrush.Style = std::uint8_t(BrushStyle::Clear);
    for (int row = 0; row < 5; ++row) {
        const std::int32_t top = 20 + row * 12;
        page->TextRect({20, top, width - 20, top + 12}, 20, top, label + " line " + std::to_string(row),
                       haLeft, vaTop, 5);
    }
    page->DrawBrush = TRLMetaBrush{{0, 0, 0}, std::uint8_t(BrushStyle::Solid)};
    page->FillRect({100, 100, 200, 200});
    page->DrawBrush.Style = std::uint8_t(BrushStyle::Clear);
    page->Rectangle(250, 100, 350, 150);
    return page;
}

// A finished report of Letter landscape pages (1056 x 816), numbered from
// firstPage unless firstPage is negative (then the store carries no numbers).
// Owned by `owner` when given; otherwise the caller or its last user frees it.
inline TRLGraphicStorage* makeStore(int pageCount, int firstPage = 1, QObject* owner = nullptr,
                                    int width = 1056, int height = 816) {
    auto* store = new TRLGraphicStorage(owner);
    for (int i = 0; i < pageCount; ++i)
        store->Add(makePage(width, height, "page " + std::to_string(i)));
    if (firstPage >= 0) {
        store->SetFirstPageNumber(firstPage);
        store->SetLastPageNumber(firstPage + pageCount - 1);
    }
    store->SetOrientation(2);
    store->SetPaperWidth(215.9);
    store->SetPaperHeight(279.4);
    return store;
}

// Records the layouts a preview announces.
struct ViewCounter {
    int count = 0;
    void attach(TRLPreview& preview) {
        preview.OnChangeView = [this](TRLPreview*) { ++count; };
    }
};

// A shown preview of a given size with a store it owns the lifetime of.
class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        preview = std::make_unique<TRLPreview>();
        preview->resize(1200, 900);
        preview->show();
        views.attach(*preview);
    }
    void TearDown() override {
        preview.reset();
        delete ownedStore.data();
    }
    // Attaches a store that the fixture frees (its owner is a plain QObject).
    TRLGraphicStorage* attach(int pageCount, int firstPage = 1, int width = 1056, int height = 816) {
        TRLGraphicStorage* store = makeStore(pageCount, firstPage, &storeOwner, width, height);
        ownedStore = store;
        preview->AttachStorage(store);
        return store;
    }
    QImage renderBox(int index) { return preview->Boxes(index)->grab().toImage(); }

    QObject storeOwner;
    QPointer<TRLGraphicStorage> ownedStore;
    std::unique_ptr<TRLPreview> preview;
    ViewCounter views;
};

// Mouse and keyboard input delivered as the application delivers it (an
// event a widget ignores goes on to its parent).
inline void sendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
                      QPoint pos, Qt::KeyboardModifiers modifiers = {}) {
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons, modifiers);
    QApplication::sendEvent(widget, &event);
}
inline void mouseClick(QWidget* widget, Qt::MouseButton button, QPoint pos,
                       Qt::KeyboardModifiers modifiers = {}) {
    sendMouse(widget, QEvent::MouseButtonPress, button, button, pos, modifiers);
    sendMouse(widget, QEvent::MouseButtonRelease, button, Qt::NoButton, pos, modifiers);
}
inline void mouseDoubleClick(QWidget* widget, QPoint pos) {
    mouseClick(widget, Qt::LeftButton, pos);
    sendMouse(widget, QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, pos);
    sendMouse(widget, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, pos);
}
inline void mouseMove(QWidget* widget, QPoint pos) {
    sendMouse(widget, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, pos);
}
inline void keyClick(QWidget* widget, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

} // namespace rl::test
