#include "report/progress_window.h"

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
    connect(cancel, &QPushButton::clicked, this, [this] {
        if (OnCancel) OnCancel();
    });
    setMinimumWidth(300);
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
