#include "print/progress_window.h"

#include "platform/messages.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace rl {

TRLProgressWindow::TRLProgressWindow(const QString& caption, QWidget* parent) : QDialog(parent) {
    setWindowTitle(caption);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    label_ = new QLabel(Messages::text(Messages::Id::PleaseWait), this);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 0);
    auto* cancel = new QPushButton(Messages::text(Messages::Id::Cancel), this);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    label_->setObjectName(QStringLiteral("LabelPleaseWait"));
    bar_->setObjectName(QStringLiteral("ProgressBar"));
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    connect(cancel, &QPushButton::clicked, this, &TRLProgressWindow::reject);
    setMinimumWidth(300);
}

void TRLProgressWindow::reject() {
    if (OnCancel) OnCancel();
}

bool TRLProgressWindow::Available() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

void TRLProgressWindow::SetMaximum(int maximum) {
    bar_->setRange(0, maximum);
    bar_->setValue(0);
}

void TRLProgressWindow::Step(const QString& text) {
    if (bar_->maximum() > 0) bar_->setValue(std::min(bar_->maximum(), bar_->value() + 1));
    if (!text.isEmpty()) label_->setText(text);
    QCoreApplication::processEvents();
}

} // namespace rl

namespace rl {

namespace {

class WindowDisplay : public ProgressDisplay {
public:
    WindowDisplay(const QString& caption, std::function<void()> onCancel) : window_(caption) {
        window_.OnCancel = std::move(onCancel);
        window_.show();
        window_.setFocus();
    }
    void SetMaximum(int maximum) override { window_.SetMaximum(maximum); }
    void Step(const QString& text) override { window_.Step(text); }

private:
    TRLProgressWindow window_;
};

} // namespace

std::unique_ptr<ProgressDisplay> WidgetProgressPresenter::begin(const QString& caption,
                                                                std::function<void()> onCancel) {
    if (!TRLProgressWindow::Available()) return nullptr;
    return std::make_unique<WindowDisplay>(caption, std::move(onCancel));
}

} // namespace rl
