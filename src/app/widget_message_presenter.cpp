#include "app/widget_message_presenter.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace rl {

namespace {

QMessageBox::Icon toQt(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonPair {
    MessageButton ours;
    QMessageBox::StandardButton qt;
};
constexpr ButtonPair kButtons[] = {{MessageButton::Ok, QMessageBox::Ok},
                                   {MessageButton::Cancel, QMessageBox::Cancel},
                                   {MessageButton::Yes, QMessageBox::Yes},
                                   {MessageButton::No, QMessageBox::No}};

} // namespace

int WidgetMessagePresenter::showMessage(const MessageBoxRequest& request) {
    QWidget* parent = request.centredOnScreen ? nullptr : QApplication::activeWindow();
    QMessageBox box(toQt(request.icon), request.caption, request.text, QMessageBox::NoButton, parent);
    QMessageBox::StandardButtons buttons;
    for (const ButtonPair& pair : kButtons)
        if (request.buttons.testFlag(pair.ours)) buttons |= pair.qt;
    box.setStandardButtons(buttons ? buttons : QMessageBox::Ok);
    if (request.centredOnScreen) {
        box.adjustSize();
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = box.frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            box.move(frame.topLeft());
        }
    }
    const int pressed = box.exec();
    for (const ButtonPair& pair : kButtons)
        if (pressed == pair.qt) return int(pair.ours);
    // Closed by the window's close box or Escape: the cautious answer.
    for (const MessageButton button : {MessageButton::Cancel, MessageButton::No, MessageButton::Ok})
        if (request.buttons.testFlag(button)) return int(button);
    return int(MessageButton::Ok);
}

} // namespace rl
