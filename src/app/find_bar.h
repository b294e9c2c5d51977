#pragma once

#include "pagestore/text_search.h"

#include <QToolBar>

#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QTimer;
class QToolButton;

namespace rl {

class TRLPreview;

// The main window's find bar, under the toolbar: a text box, the options
// "Diferenciar maiúsculas", "Palavra inteira" and "Ignorar acentos", previous
// and next buttons, and the match count ("3 de 17").
//
// It searches the pages the preview shows (ReportSearch: a pass over every
// page to count, then only pages with matches are read) and shows each match
// through the preview. A find goes from the match shown, or from the top of
// the page shown when that match is no longer in view; past the end it wraps,
// and says so through OnNotice. A pass that takes long shows the wait cursor
// and stops at Escape; meanwhile other input is held back, so nothing changes
// the pages under the search.
//
// The window must call Invalidate() whenever the report is laid out again.
class FindBar : public QToolBar {
    Q_OBJECT
public:
    // After this long a pass shows the wait cursor and watches for Escape.
    static constexpr int kBusyAfterMs = 200;
    static constexpr int kTypingPauseMs = 300;

    FindBar(TRLPreview* preview, QWidget* parent = nullptr);
    ~FindBar() override;

    QLineEdit* FindEdit = nullptr;
    QCheckBox* CaseBox = nullptr;
    QCheckBox* WordBox = nullptr;
    QCheckBox* AccentsBox = nullptr;
    QToolButton* PriorButton = nullptr;
    QToolButton* NextButton = nullptr;
    QLabel* CountLabel = nullptr;
    QToolButton* CloseButton = nullptr;

    // Status texts: the wrap notice, text not found, a search interrupted.
    std::function<void(const QString& text)> OnNotice;
    // After the bar closed (the window takes the focus back).
    std::function<void()> OnClosed;
    // Before a search is made over the pages: they must all be there (the
    // window waits for a generation still going on).
    std::function<void()> BeforeSearch;

    // Shows the bar with its text selected and focused.
    void Open();
    // Hides it and takes the match highlight away.
    void Close();
    void FindNext();
    void FindPrevious();
    // The pages changed: every match found so far is gone.
    void Invalidate();
    // Escape while the focus is in the bar closes it; true when taken.
    bool HandleKey(const QKeyEvent& key);

    const std::optional<TextMatch>& CurrentMatch() const { return current_; }
    TextSearchOptions Options() const;

private:
    void Find(bool forward, bool inclusive);
    // The search for the text and options now in the bar, counted; null when
    // there is nothing to search or the count was interrupted.
    ReportSearch* EnsureSearch();
    void Notice(const QString& text);

    TRLPreview* preview_;
    QTimer* typingTimer_ = nullptr;
    std::unique_ptr<ReportSearch> search_;
    QString searchedText_;
    TextSearchOptions searchedOptions_;
    std::optional<TextMatch> current_;
    bool searching_ = false;
};

} // namespace rl
