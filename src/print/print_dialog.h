#pragma once

#include <QDialog>
#include <QPointer>

#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace rl {

class PageRangeBox;

class TRLCustomPrintFilter;
class TRLPrintParams;

// The print dialog: printer, filter and its option, print-to-file and
// background boxes, page range and copies, loaded from and stored into print
// parameters; the chosen printer goes to TRLPrinterWrapper. Built in code;
// its texts come from the message table. Its controls carry object names
// (ComboBoxPrinter, ComboBoxFilter, LabelOption, ComboBoxOption,
// CheckBoxPrintToFile, CheckBoxPrintInBackground, RadioAllPages,
// RadioPageNums, RadioSelection, EditFromPage, EditToPage, EditCopies,
// ButtonOk, ButtonCancel) so that tests can fill them. GUI thread only.
class TRLPrintDialog : public QDialog {
    Q_OBJECT
public:
    explicit TRLPrintDialog(QWidget* parent = nullptr);

    // Fills the lists (printers read again), loads the controls from params,
    // shows the dialog modally through DialogPresenter::execDialog and, on
    // "Ok", stores the answers into params, selects the chosen printer and
    // sets its copies; returns true. "Cancelar" changes nothing.
    // Text that is not a number counts as 0 (pages and copies); copies take
    // at most three digits. A raw queue (one without a driver) comes with the
    // first dot-matrix filter chosen when "Padrão" was.
    bool Execute(TRLPrintParams& params);
    // The same on the process-wide parameters.
    bool Execute();

    // The text of the option list's chosen entry; empty when the chosen
    // filter has no options.
    QString OptionText() const;

    // A printer as the list shows it: the name, followed by " em " and the
    // port when there is a port other than the name.
    static QString PrinterEntryText(const QString& name, const QString& port);

private:
    void FillPrinters();
    void FillFilters(const TRLPrintParams& params);
    void FilterChanged();
    // With a raw queue chosen and "Padrão" as the filter, chooses the first
    // dot-matrix filter.
    void KeepRawPrinterWithDotMatrix();
    void LoadControls(const TRLPrintParams& params);
    void StoreControls(TRLPrintParams& params);
    TRLCustomPrintFilter* SelectedFilter() const;

    QComboBox* ComboBoxPrinter_;
    QComboBox* ComboBoxFilter_;
    QLabel* LabelOption_;
    QComboBox* ComboBoxOption_;
    QCheckBox* CheckBoxPrintToFile_;
    QCheckBox* CheckBoxPrintInBackground_;
    PageRangeBox* RangeBox_;
    QRadioButton* RadioAllPages_;
    QRadioButton* RadioPageNums_;
    QRadioButton* RadioSelection_;
    QLineEdit* EditFromPage_;
    QLineEdit* EditToPage_;
    QLineEdit* EditCopies_;
    // The orientation handed to a filter when it is chosen.
    int orientation_ = 0;
    // The filter of each entry of the list; none for "Padrão".
    std::vector<QPointer<TRLCustomPrintFilter>> filters_;
};

} // namespace rl
