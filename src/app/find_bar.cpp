#include "app/find_bar.h"

#include "app/window_glyphs.h"
#include "pagestore/graphic_storage.h"
#include "preview/preview.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

namespace rl {

namespace {

// Between two looks at the event queue while a long pass runs.
constexpr int kPollMs = 40;

// While a long pass runs the event loop turns now and then, so the window
// repaints and Escape can be seen; every other input waits until the pass is
// over, so nothing can change or close the report under it.
class SearchInterrupter : public QObject {
public:
    bool cancelled = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) cancelled = true;
            return true;
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Close:
            return true;
        default:
            return false;
        }
    }
};

} // namespace

FindBar::FindBar(TRLPreview* preview, QWidget* parent) : QToolBar(parent), preview_(preview) {
    setObjectName(QStringLiteral("FindBar1"));
    setMovable(false);
    setFloatable(false);
    toggleViewAction()->setVisible(false);

    addWidget(new QLabel(QStringLiteral("Localizar: "), this));
    FindEdit = new QLineEdit(this);
    FindEdit->setObjectName(QStringLiteral("FindEdit"));
    FindEdit->setClearButtonEnabled(true);
    FindEdit->setMinimumWidth(FindEdit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 28);
    addWidget(FindEdit);

    using B = WindowGlyphs::Button;
    const auto button = [this](const QString& name, const QString& hint, B glyph) {
        auto* result = new QToolButton(this);
        result->setObjectName(name);
        result->setIcon(WindowGlyphs::ButtonIcon(glyph));
        result->setAutoRaise(true);
        result->setToolTip(hint);
        result->setStatusTip(hint);
        addWidget(result);
        return result;
    };
    PriorButton = button(QStringLiteral("PriorButton"), QStringLiteral("Localizar anterior"), B::Prior);
    NextButton = button(QStringLiteral("NextButton"), QStringLiteral("Localizar próxima"), B::Next);
    CountLabel = new QLabel(this);
    CountLabel->setObjectName(QStringLiteral("CountLabel"));
    CountLabel->setContentsMargins(6, 0, 6, 0);
    CountLabel->setMinimumWidth(
        CountLabel->fontMetrics().horizontalAdvance(QStringLiteral("00000 de 00000")));
    addWidget(CountLabel);
    addSeparator();

    const auto option = [this](const QString& name, const QString& caption) {
        auto* box = new QCheckBox(caption, this);
        box->setObjectName(name);
        addWidget(box);
        connect(box, &QCheckBox::toggled, this, [this] {
            if (isVisible() && !FindEdit->text().isEmpty()) Find(true, true);
        });
        return box;
    };
    CaseBox = option(QStringLiteral("CaseBox"), QStringLiteral("Diferenciar maiúsculas"));
    WordBox = option(QStringLiteral("WordBox"), QStringLiteral("Palavra inteira"));
    AccentsBox = option(QStringLiteral("AccentsBox"), QStringLiteral("Ignorar acentos"));

    auto* spring = new QWidget(this);
    spring->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    addWidget(spring);
    CloseButton = button(QStringLiteral("CloseButton"), QStringLiteral("Fechar a pesquisa"), B::Close);

    // Typing searches once the user pauses; Enter at once.
    typingTimer_ = new QTimer(this);
    typingTimer_->setSingleShot(true);
    typingTimer_->setInterval(kTypingPauseMs);
    connect(typingTimer_, &QTimer::timeout, this, [this] { Find(true, true); });
    connect(FindEdit, &QLineEdit::textEdited, this, [this] { typingTimer_->start(); });
    connect(FindEdit, &QLineEdit::returnPressed, this, [this] { FindNext(); });
    connect(PriorButton, &QToolButton::clicked, this, [this] { FindPrevious(); });
    connect(NextButton, &QToolButton::clicked, this, [this] { FindNext(); });
    connect(CloseButton, &QToolButton::clicked, this, [this] { Close(); });
}

FindBar::~FindBar() = default;

TextSearchOptions FindBar::Options() const {
    return {CaseBox->isChecked(), WordBox->isChecked(), AccentsBox->isChecked()};
}

void FindBar::Open() {
    setVisible(true);
    FindEdit->setFocus(Qt::ShortcutFocusReason);
    FindEdit->selectAll();
}

void FindBar::Close() {
    typingTimer_->stop();
    setVisible(false);
    current_.reset();
    preview_->ClearTextMatch();
    if (OnClosed) OnClosed();
}

void FindBar::Invalidate() {
    search_.reset();
    current_.reset();
    CountLabel->clear();
}

bool FindBar::HandleKey(const QKeyEvent& key) {
    if (key.key() != Qt::Key_Escape || !isVisible()) return false;
    Close();
    return true;
}

void FindBar::FindNext() {
    // F3 with the bar closed opens it on the last text.
    if (!isVisible()) Open();
    Find(true, false);
}

void FindBar::FindPrevious() {
    if (!isVisible()) Open();
    Find(false, false);
}

void FindBar::Notice(const QString& text) {
    if (OnNotice) OnNotice(text);
}

ReportSearch* FindBar::EnsureSearch() {
    TRLGraphicStorage* store = preview_->Storage();
    const QString text = FindEdit->text();
    if (!store || text.isEmpty()) {
        search_.reset();
        return nullptr;
    }
    if (search_ && searchedText_ == text && searchedOptions_ == Options()) return search_.get();

    current_.reset();
    searchedText_ = text;
    searchedOptions_ = Options();
    search_ = std::make_unique<ReportSearch>(*store, TextPattern::FromText(text, searchedOptions_));

    QElapsedTimer elapsed;
    elapsed.start();
    qint64 lastPoll = 0;
    SearchInterrupter interrupter;
    bool busy = false;
    const bool counted = search_->Run([&] {
        if (!busy && elapsed.elapsed() >= kBusyAfterMs) {
            busy = true;
            QApplication::setOverrideCursor(Qt::WaitCursor);
            qApp->installEventFilter(&interrupter);
        }
        if (busy && elapsed.elapsed() - lastPoll >= kPollMs) {
            lastPoll = elapsed.elapsed();
            QCoreApplication::processEvents();
        }
        return interrupter.cancelled;
    });
    if (busy) {
        qApp->removeEventFilter(&interrupter);
        QApplication::restoreOverrideCursor();
    }
    if (!counted) {
        search_.reset();
        Notice(QStringLiteral("Pesquisa interrompida"));
        return nullptr;
    }
    return search_.get();
}

void FindBar::Find(bool forward, bool inclusive) {
    typingTimer_->stop();
    // A pass turns the event loop: a timer or a button must not start another.
    if (searching_) return;
    searching_ = true;
    if (BeforeSearch) BeforeSearch();
    const std::optional<TextMatch> before = current_;
    const ReportSearch* previous = search_.get();
    ReportSearch* search = EnsureSearch();
    searching_ = false;
    if (!search) {
        CountLabel->clear();
        preview_->ClearTextMatch();
        return;
    }
    if (search->Total() == 0) {
        current_.reset();
        preview_->ClearTextMatch();
        CountLabel->setText(QStringLiteral("0 de 0"));
        Notice(QStringLiteral("Texto não encontrado: \"%1\"").arg(FindEdit->text()));
        return;
    }
    // From the match shown while it is in view (a new text may match right
    // there); else from the top of the page shown.
    TextPosition from{std::max(0, preview_->CurrentPageIndex()), 0, 0};
    if (before && preview_->BoxOfPage(before->at.page)) {
        from = before->at;
        if (search != previous) inclusive = true;
    } else {
        inclusive = true;
    }
    bool wrapped = false;
    const std::optional<TextMatch> found =
        forward ? search->Next(from, inclusive, wrapped) : search->Previous(from, wrapped);
    if (!found) return;
    current_ = found;
    preview_->ShowTextMatch(*found);
    CountLabel->setText(QStringLiteral("%1 de %2").arg(search->Ordinal(*found) + 1).arg(search->Total()));
    if (wrapped)
        Notice(forward ? QStringLiteral("Fim do relatório: a pesquisa recomeçou do início")
                       : QStringLiteral("Início do relatório: a pesquisa recomeçou do fim"));
    else
        Notice(QString());
}

} // namespace rl
