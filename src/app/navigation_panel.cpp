#include "app/navigation_panel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

namespace rl {

NavigationPanel::NavigationPanel(const QString& title, QWidget* parent) : QWidget(parent), title_(title) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(2);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(0);
    titleLabel_ = new QLabel(title_, this);
    titleLabel_->setObjectName(QStringLiteral("NavigationPanelTitle"));
    QFont bold = titleLabel_->font();
    bold.setBold(true);
    titleLabel_->setFont(bold);
    // Wider than the expanded panel in one line: it wraps to two.
    titleLabel_->setWordWrap(true);
    titleLabel_->setMinimumWidth(0);
    titleLabel_->setMinimumHeight(2 * QFontMetrics(bold).lineSpacing() + 2);
    titleLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    toggle_ = new QToolButton(this);
    toggle_->setObjectName(QStringLiteral("NavigationPanelToggle"));
    toggle_->setAutoRaise(true);
    toggle_->setFixedSize(kCollapsedWidth - 2, kCollapsedWidth - 2);
    header->addWidget(titleLabel_, 1);
    header->addWidget(toggle_, 0, Qt::AlignRight);
    layout->addLayout(header);
    // Takes the height the content leaves (all of it while the content is hidden),
    // so that the title row stays at the top.
    layout->addStretch(0);
    connect(toggle_, &QToolButton::clicked, this, [this] { setCollapsed(!collapsed_); });
    setCollapsed(true);
}

void NavigationPanel::setContent(QWidget* content) {
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    if (content_) {
        layout->removeWidget(content_);
        delete content_;
    }
    content_ = content;
    if (!content_) return;
    content_->setParent(this);
    // Between the title row and the trailing stretch.
    layout->insertWidget(1, content_, 1);
    content_->setVisible(!collapsed_);
}

void NavigationPanel::setCollapsed(bool collapsed) {
    collapsed_ = collapsed;
    setFixedWidth(collapsed ? kCollapsedWidth : kExpandedWidth);
    titleLabel_->setVisible(!collapsed);
    if (content_) content_->setVisible(!collapsed);
    toggle_->setArrowType(collapsed ? Qt::RightArrow : Qt::LeftArrow);
    update();
}

void NavigationPanel::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!collapsed_) return;
    // The collapsed strip carries the title, written downwards.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    const int top = toggle_->geometry().bottom() + 6;
    // Turned a quarter clockwise, the glyphs rise towards the right: the
    // baseline goes left of the middle by half the ink's height.
    const QFontMetrics metrics = painter.fontMetrics();
    painter.translate(width() / 2.0 - (metrics.ascent() - metrics.descent()) / 2.0, top);
    painter.rotate(90);
    painter.drawText(0, 0, title_);
}

} // namespace rl
