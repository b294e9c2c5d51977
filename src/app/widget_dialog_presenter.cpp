#include "app/widget_dialog_presenter.h"

#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLineEdit>

namespace rl {

QString WidgetDialogPresenter::getOpenFileName(QWidget* parent, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), QString(), toQtFilter(filter));
}

QString WidgetDialogPresenter::getSaveFileName(QWidget* parent, const QString& filter,
                                               const QString& suggestedName) {
    return QFileDialog::getSaveFileName(parent, QString(), suggestedName, toQtFilter(filter));
}

std::optional<QFont> WidgetDialogPresenter::getFont(QWidget* parent, const QFont& initial) {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial, parent);
    if (!ok) return std::nullopt;
    return font;
}

bool WidgetDialogPresenter::execDialog(QWidget* dialog) {
    auto* modal = qobject_cast<QDialog*>(dialog);
    return modal && modal->exec() == QDialog::Accepted;
}

std::optional<QString> WidgetDialogPresenter::getPassword(QWidget* parent, const QString& caption,
                                                          const QString& label) {
    bool ok = false;
    const QString password =
        QInputDialog::getText(parent, caption, label, QLineEdit::Password, QString(), &ok);
    if (!ok) return std::nullopt;
    return password;
}

} // namespace rl
