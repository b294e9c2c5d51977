#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace rl {

// One progress display while a long task runs (preparing a report, a filter
// run): a caption, a text, a bar and a way to cancel. Created by the
// presenter, closed when destroyed. Called on the thread that created it.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    // The number of steps the bar counts to; 0 shows a busy bar.
    virtual void SetMaximum(int maximum) = 0;
    // Advances one step and shows the text when it is not empty. A display
    // that shows a window lets pending events run here, so that a click on
    // its cancel button takes effect between steps.
    virtual void Step(const QString& text = {}) = 0;
};

// The one way the program shows progress. The window application installs a
// presenter that shows the progress window; the batch mode installs one that
// writes a line to a terminal; tests install one that records. With none
// installed nothing is shown.
class ProgressPresenter {
public:
    virtual ~ProgressPresenter() = default;

    // Begins a display with the caption (the window's title); onCancel is
    // called when the user asks to cancel. May return nullptr (nothing shown).
    virtual std::unique_ptr<ProgressDisplay> begin(const QString& caption,
                                                   std::function<void()> onCancel) = 0;

    // The presenter installed, or the silent one. Installing does not transfer
    // ownership; the caller keeps it alive while it is installed.
    static ProgressPresenter& current();
    // Installs a presenter (nullptr: the silent one); returns the previous one.
    static ProgressPresenter* setCurrent(ProgressPresenter* presenter);
};

// Installs a presenter for the life of a scope and restores the previous one.
class ScopedProgressPresenter {
public:
    explicit ScopedProgressPresenter(ProgressPresenter& presenter)
        : previous_(ProgressPresenter::setCurrent(&presenter)) {}
    ~ScopedProgressPresenter() { ProgressPresenter::setCurrent(previous_); }
    ScopedProgressPresenter(const ScopedProgressPresenter&) = delete;
    ScopedProgressPresenter& operator=(const ScopedProgressPresenter&) = delete;

private:
    ProgressPresenter* previous_;
};

} // namespace rl
