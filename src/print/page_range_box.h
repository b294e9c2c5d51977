#pragma once

#include <QGroupBox>

#include <utility>

class QLineEdit;
class QRadioButton;

namespace rl {

// The "Intervalo de páginas" group the print and the save dialogs share: all
// pages, pages from/to, selection. Typing a first page chooses the range of
// pages. The controls carry their component names as object names.
class PageRangeBox : public QGroupBox {
    Q_OBJECT
public:
    // The three choices, in the order of the print and save range enumerations.
    enum Choice { AllPages, Selection, PageNums };

    explicit PageRangeBox(QWidget* parent);

    // Checks the choice and shows the range (a page 0 as an empty field).
    void Load(int choice, int fromPage, int toPage);
    Choice Chosen() const;
    // The pages the choice means: minPage..maxPage for all pages, the first
    // field's page for the selection, the two fields for a range (a text that
    // is not a number counts as 0).
    std::pair<int, int> Range(int minPage, int maxPage) const;

    QRadioButton* RadioAllPages;
    QRadioButton* RadioPageNums;
    QRadioButton* RadioSelection;
    QLineEdit* EditFromPage;
    QLineEdit* EditToPage;
};

} // namespace rl
