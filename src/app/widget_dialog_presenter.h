#pragma once

#include "platform/dialog_presenter.h"

namespace rl {

// The standard Qt dialogs; the window application installs it.
class WidgetDialogPresenter : public DialogPresenter {
public:
    QString getOpenFileName(QWidget* parent, const QString& filter) override;
    QString getSaveFileName(QWidget* parent, const QString& filter, const QString& suggestedName) override;
    std::optional<QFont> getFont(QWidget* parent, const QFont& initial) override;
    bool execDialog(QWidget* dialog) override;
    std::optional<QString> getPassword(QWidget* parent, const QString& caption,
                                       const QString& label) override;
};

} // namespace rl
