#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QToolButton;

namespace rl {

// A side panel that collapses to a narrow strip showing its title written
// downwards, and expands to show its content under a title row. The button at the
// top switches between the two.
class NavigationPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCollapsedWidth = 22;
    static constexpr int kExpandedWidth = 113;

    explicit NavigationPanel(const QString& title, QWidget* parent = nullptr);

    // Takes ownership of the content, shown below the title row when expanded.
    void setContent(QWidget* content);
    QWidget* content() const { return content_; }

    bool isCollapsed() const { return collapsed_; }
    void setCollapsed(bool collapsed);
    QString title() const { return title_; }
    QToolButton* toggleButton() const { return toggle_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    QLabel* titleLabel_ = nullptr;
    QToolButton* toggle_ = nullptr;
    QWidget* content_ = nullptr;
    bool collapsed_ = false;
};

} // namespace rl
