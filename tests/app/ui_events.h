#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace rl::test {

// Key and mouse events delivered through the application as the window system
// would deliver them (filters, then the widget, then its parents), for tests.

// The text a key types, as a keyboard gives it.
inline QString typedText(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::ControlModifier) {
        if (key >= Qt::Key_A && key <= Qt::Key_Z) return QString(QChar(char16_t(key - Qt::Key_A + 1)));
        return QString();
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Space) return QString(QChar(char16_t(key)));
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return QString(QChar(char16_t(key))).toLower();
    switch (key) {
    case Qt::Key_Backspace:
        return QStringLiteral("\b");
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QStringLiteral("\r");
    case Qt::Key_Escape:
        return QStringLiteral("\x1b");
    case Qt::Key_Tab:
        return QStringLiteral("\t");
    case Qt::Key_Delete:
        return QStringLiteral("\x7f");
    default:
        return QString();
    }
}

inline void keyClick(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QString text = typedText(key, modifiers);
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(widget, &release);
}

// Types each character of the text (letters, digits and the signs on the keys).
inline void keyClicks(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
        const QString typed(ch);
        const int key = ch.isLetter() ? int(ch.toUpper().unicode()) : int(ch.unicode());
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, typed);
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, typed);
        QApplication::sendEvent(widget, &release);
    }
}

inline void mouseClick(QWidget* widget, Qt::MouseButton button = Qt::LeftButton) {
    const QPointF local = QRectF(widget->rect()).center();
    const QPointF global = widget->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, local, global, button, button, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, local, global, button, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

} // namespace rl::test
