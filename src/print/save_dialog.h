#pragma once

#include <QDialog>
#include <QPointer>

#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace rl {

class PageRangeBox;

class TRLCustomSaveFilter;
class TRLSaveParams;

// The save dialog: file name, filter, page range and background choice,
// loaded from and stored into save parameters. Built in code; its texts come
// from the message table. Its controls carry object names (EditFileName,
// ButtonBrowse, ComboBoxFilter, RadioAllPages, RadioPageNums, RadioSelection,
// EditFromPage, EditToPage, CheckBoxBackground, ButtonSave, ButtonCancel) so
// that tests can fill them. GUI thread only.
class TRLSaveDialog : public QDialog {
    Q_OBJECT
public:
    explicit TRLSaveDialog(QWidget* parent = nullptr);

    // Loads the controls from params, shows the dialog modally through
    // DialogPresenter::execDialog and, when the user saves, stores the answers
    // into params and returns true. Cancel changes nothing and returns false.
    //
    // "Salvar" checks the answers inside the dialog, which stays open with
    // everything as typed when one is refused: a file name that names no file
    // or a page range that holds no page between MinPage and MaxPage (a plain
    // message says why), or a file that exists and the user would not have
    // replaced (asked Yes or No).
    //
    // A file name with an extension chooses the filter by that extension
    // (SaveFilterByFileName, possibly none); one without gets the chosen
    // filter's default extension, or ".rpf" when no filter is chosen.
    bool Execute(TRLSaveParams& params);

    // "Salvar": closes the dialog only once the answers are accepted.
    void accept() override;
    // The same on the process-wide parameters.
    bool Execute();

private:
    void FillFilters(const TRLSaveParams& params);
    void LoadControls(const TRLSaveParams& params);
    // Checks the answers and keeps them in answers_; false when refused.
    bool CheckControls();
    void StoreControls(TRLSaveParams& params) const;
    TRLCustomSaveFilter* SelectedFilter() const;
    void Browse();

    QLineEdit* EditFileName_;
    QPushButton* ButtonBrowse_;
    QComboBox* ComboBoxFilter_;
    PageRangeBox* RangeBox_;
    QRadioButton* RadioAllPages_;
    QRadioButton* RadioPageNums_;
    QRadioButton* RadioSelection_;
    QLineEdit* EditFromPage_;
    QLineEdit* EditToPage_;
    QCheckBox* CheckBoxBackground_;
    // The filter of each entry of the list; none for "Padrão".
    std::vector<QPointer<TRLCustomSaveFilter>> filters_;
    // The parameters being answered, and the answers once accepted.
    TRLSaveParams* params_ = nullptr;
    struct Answers {
        QString fileName;
        int range = 0;
        int fromPage = 0;
        int toPage = 0;
        QPointer<TRLCustomSaveFilter> filter;
    };
    std::optional<Answers> answers_;
};

} // namespace rl
