#pragma once

#include <QTest>
#include <QWidget>

namespace rl::test {

// Key and mouse events as the window system delivers them (application event
// filters, then the widget, then its parents), through QTest.

inline void keyClick(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(widget, key, modifiers);
}

// Types each character of the text.
inline void keyClicks(QWidget* widget, const QString& text) {
    QTest::keyClicks(widget, text);
}

inline void mouseClick(QWidget* widget, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(widget, button, Qt::NoModifier, widget->rect().center());
}

} // namespace rl::test
