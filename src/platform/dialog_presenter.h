#pragma once

#include "platform/report_encoding.h"

#include <QFont>
#include <QString>

#include <optional>

class QWidget;

namespace rl {

// The one way the program shows a standard dialog (open file, save file, font)
// and the report library's own dialogs. The window application installs the
// Qt dialogs; tests install a presenter that records each request and answers
// from a script, so no test ever waits on a dialog. With none installed every
// dialog answers as cancelled (nobody is there to answer it).
//
// Filters are given as the program writes them, "Description|pattern;pattern|…"
// pairs; the presenter turns them into what its dialogs understand.
class DialogPresenter {
public:
    virtual ~DialogPresenter() = default;

    // The chosen file's full path; empty when the user cancels.
    virtual QString getOpenFileName(QWidget* parent, const QString& filter) = 0;
    virtual QString getSaveFileName(QWidget* parent, const QString& filter, const QString& suggestedName) = 0;
    // The "Abrir" dialog: a text report and the encoding to read it in, the
    // list of encodings starting at the given one. An empty path when the user
    // cancels. The default asks getOpenFileName and keeps the encoding.
    struct ReportFileChoice {
        QString path;
        ReportEncoding encoding = ReportEncoding::Auto;
    };
    virtual ReportFileChoice getOpenReportFile(QWidget* parent, const QString& filter,
                                               ReportEncoding encoding);
    // The chosen font; nullopt when the user cancels.
    virtual std::optional<QFont> getFont(QWidget* parent, const QFont& initial) = 0;
    // Shows one of the program's own dialogs (a QDialog) modally; true when
    // the user accepted it. Tests fill the dialog's controls instead.
    virtual bool execDialog(QWidget* dialog);
    // Asks for a password (the text is never shown); nullopt when the user
    // cancels. The default answers as cancelled.
    virtual std::optional<QString> getPassword(QWidget* parent, const QString& caption, const QString& label);

    // The presenter in use: the one installed, or the cancelling one.
    // Installing does not transfer ownership; the caller keeps the presenter
    // alive while it is installed. Main thread only.
    static DialogPresenter& current();
    // Installs a presenter (nullptr: the cancelling one); returns the previous one.
    static DialogPresenter* setCurrent(DialogPresenter* presenter);

    // "Texts|*.txt|All|*.*" as Qt's name filters: "Texts (*.txt);;All (*.*)".
    // A description that already lists its patterns in brackets is kept as it is.
    static QString toQtFilter(const QString& filter);
};

// Installs a presenter for the life of a scope and restores the previous one.
class ScopedDialogPresenter {
public:
    explicit ScopedDialogPresenter(DialogPresenter& presenter)
        : previous_(DialogPresenter::setCurrent(&presenter)) {}
    ~ScopedDialogPresenter() { DialogPresenter::setCurrent(previous_); }
    ScopedDialogPresenter(const ScopedDialogPresenter&) = delete;
    ScopedDialogPresenter& operator=(const ScopedDialogPresenter&) = delete;

private:
    DialogPresenter* previous_;
};

} // namespace rl
