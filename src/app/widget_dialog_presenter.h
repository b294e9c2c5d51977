#pragma once

#include "platform/dialog_presenter.h"

namespace rl {

// The standard Qt dialogs; the window application installs it.
class WidgetDialogPresenter : public DialogPresenter {
public:
    QString getOpenFileName(QWidget* parent, const QString& filter) override;
    QString getSaveFileName(QWidget* parent, const QString& filter, const QString& suggestedName) override;
    // Qt's own file dialog (the platform's cannot take another control) with
    // the list "Codificação:" below the file type.
    ReportFileChoice getOpenReportFile(QWidget* parent, const QString& filter,
                                       ReportEncoding encoding) override;
    std::optional<QFont> getFont(QWidget* parent, const QFont& initial) override;
    bool execDialog(QWidget* dialog) override;
    std::optional<QString> getPassword(QWidget* parent, const QString& caption,
                                       const QString& label) override;
};

} // namespace rl
