#pragma once

#include <QGroupBox>

class QLineEdit;
class QRadioButton;

namespace rl {

// The "Intervalo de páginas" group the print and the save dialogs share: all
// pages, pages from/to, selection. Typing a first page chooses the range of
// pages. The controls carry their component names as object names.
class PageRangeBox : public QGroupBox {
    Q_OBJECT
public:
    explicit PageRangeBox(QWidget* parent);

    QRadioButton* RadioAllPages;
    QRadioButton* RadioPageNums;
    QRadioButton* RadioSelection;
    QLineEdit* EditFromPage;
    QLineEdit* EditToPage;
};

} // namespace rl
