#pragma once

#include "platform/progress_presenter.h"

#include <QDialog>

#include <functional>

class QLabel;
class QProgressBar;

namespace rl {

// A small window with a caption, "Aguarde...", a progress bar and "Cancelar",
// shown while a report is prepared or a filter runs. Each step lets pending
// window events through, so a click on "Cancelar" takes effect between steps.
class TRLProgressWindow : public QDialog {
    Q_OBJECT
public:
    explicit TRLProgressWindow(const QString& caption, QWidget* parent = nullptr);

    void SetMaximum(int maximum);
    // Advances one step and shows the text (e.g. "Página 3").
    void Step(const QString& text = {});
    std::function<void()> OnCancel;

    // Escape and the window's close button cancel too; the window stays up
    // until its owner ends the task.
    void reject() override;

    // Only where a widget application runs (never in batch mode).
    static bool Available();

private:
    QLabel* label_;
    QProgressBar* bar_;
};

// Shows progress in a TRLProgressWindow; the window application installs it.
// Where no widget application runs it shows nothing.
class WidgetProgressPresenter : public ProgressPresenter {
public:
    std::unique_ptr<ProgressDisplay> begin(const QString& caption, std::function<void()> onCancel) override;
};

} // namespace rl
