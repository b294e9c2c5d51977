#include "print/print_dialog.h"

#include "platform/dialog_presenter.h"
#include "platform/messages.h"
#include "print/custom_filter.h"
#include "print/draft_filter.h"
#include "print/page_range_box.h"
#include "print/print_params.h"
#include "print/printer_wrapper.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <tuple>

namespace rl {

namespace {

QString text(Messages::Id id) {
    return Messages::text(id);
}

QString labelText(Messages::Id id) {
    return text(id) + u':';
}

// Text that is not a number counts as 0.
int number(const QLineEdit* edit) {
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    return ok ? value : 0;
}

QString numberText(int value) {
    return value == 0 ? QString() : QString::number(value);
}

template <class T> T* named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

TRLPrintDialog::TRLPrintDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(text(Messages::Id::Print));
    setModal(true);

    auto* printerBox = new QGroupBox(u' ' + text(Messages::Id::Printer) + u' ', this);
    auto* nameLabel = new QLabel(labelText(Messages::Id::Name), printerBox);
    ComboBoxPrinter_ = named(new QComboBox(printerBox), "ComboBoxPrinter");
    nameLabel->setBuddy(ComboBoxPrinter_);
    auto* filterLabel = new QLabel(labelText(Messages::Id::UseFilter), printerBox);
    ComboBoxFilter_ = named(new QComboBox(printerBox), "ComboBoxFilter");
    filterLabel->setBuddy(ComboBoxFilter_);
    LabelOption_ = named(new QLabel(printerBox), "LabelOption");
    ComboBoxOption_ = named(new QComboBox(printerBox), "ComboBoxOption");
    LabelOption_->setBuddy(ComboBoxOption_);
    CheckBoxPrintToFile_ =
        named(new QCheckBox(text(Messages::Id::PrintToFile), printerBox), "CheckBoxPrintToFile");
    CheckBoxPrintInBackground_ =
        named(new QCheckBox(text(Messages::Id::PrintInBackground), printerBox), "CheckBoxPrintInBackground");
    auto* printerLayout = new QGridLayout(printerBox);
    printerLayout->addWidget(nameLabel, 0, 0);
    printerLayout->addWidget(ComboBoxPrinter_, 0, 1);
    printerLayout->addWidget(filterLabel, 1, 0);
    printerLayout->addWidget(ComboBoxFilter_, 1, 1);
    printerLayout->addWidget(LabelOption_, 2, 0);
    printerLayout->addWidget(ComboBoxOption_, 2, 1);
    printerLayout->addWidget(CheckBoxPrintToFile_, 3, 0, 1, 2);
    printerLayout->addWidget(CheckBoxPrintInBackground_, 4, 0, 1, 2);
    printerLayout->setColumnStretch(1, 1);

    auto* rangeBox = RangeBox_ = new PageRangeBox(this);
    RadioAllPages_ = rangeBox->RadioAllPages;
    RadioPageNums_ = rangeBox->RadioPageNums;
    RadioSelection_ = rangeBox->RadioSelection;
    EditFromPage_ = rangeBox->EditFromPage;
    EditToPage_ = rangeBox->EditToPage;
    EditFromPage_->setText(QStringLiteral("1"));
    EditToPage_->setText(QStringLiteral("1"));

    auto* copiesBox = new QGroupBox(u' ' + text(Messages::Id::Copies) + u' ', this);
    auto* copiesLabel = new QLabel(labelText(Messages::Id::NumberOfCopies), copiesBox);
    EditCopies_ = named(new QLineEdit(copiesBox), "EditCopies");
    EditCopies_->setMaximumWidth(60);
    EditCopies_->setMaxLength(3);
    EditCopies_->setValidator(new QIntValidator(1, TRLPrintParams::kMaxCopies, EditCopies_));
    copiesLabel->setBuddy(EditCopies_);
    auto* copiesLayout = new QHBoxLayout(copiesBox);
    copiesLayout->addWidget(copiesLabel);
    copiesLayout->addWidget(EditCopies_);
    copiesLayout->addStretch();

    auto* ok = named(new QPushButton(text(Messages::Id::Ok), this), "ButtonOk");
    ok->setDefault(true);
    auto* cancel = named(new QPushButton(text(Messages::Id::Cancel), this), "ButtonCancel");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ComboBoxFilter_, &QComboBox::currentIndexChanged, this, [this] { FilterChanged(); });
    connect(ComboBoxPrinter_, &QComboBox::currentIndexChanged, this,
            [this] { KeepRawPrinterWithDotMatrix(); });

    auto* lower = new QHBoxLayout;
    lower->addWidget(rangeBox, 1);
    lower->addWidget(copiesBox);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(printerBox);
    layout->addLayout(lower);
    layout->addLayout(buttons);
    setMinimumWidth(460);
}

QString TRLPrintDialog::PrinterEntryText(const QString& name, const QString& port) {
    if (port.isEmpty() || port == name) return name;
    return name + u' ' + text(Messages::Id::PrinterOnPort) + u' ' + port;
}

bool TRLPrintDialog::Execute() {
    return Execute(TRLPrintParams::instance());
}

bool TRLPrintDialog::Execute(TRLPrintParams& params) {
    orientation_ = params.Orientation;
    FillPrinters();
    FillFilters(params);
    LoadControls(params);
    ComboBoxPrinter_->setFocus();
    if (!DialogPresenter::current().execDialog(this)) return false;
    StoreControls(params);
    return true;
}

void TRLPrintDialog::FillPrinters() {
    TRLPrinterWrapper& printers = TRLPrinterWrapper::instance();
    printers.RefreshPrinters();
    ComboBoxPrinter_->clear();
    const int count = int(printers.Printers().size());
    for (int i = 0; i < count; ++i)
        ComboBoxPrinter_->addItem(PrinterEntryText(printers.PrinterName(i), printers.PrinterPort(i)));
    // The selected printer, or the user's default when none is selected yet.
    const int current = printers.PrinterIndex();
    ComboBoxPrinter_->setCurrentIndex(count == 0 ? -1 : current >= 0 ? current : 0);
}

void TRLPrintDialog::FillFilters(const TRLPrintParams& params) {
    const QSignalBlocker quiet(ComboBoxFilter_);
    ComboBoxFilter_->clear();
    filters_.clear();
    ComboBoxFilter_->addItem(text(Messages::Id::Default));
    filters_.emplace_back(nullptr);
    int selected = 0;
    for (TRLCustomFilter* filter : TRLCustomFilter::Registry()) {
        auto* printFilter = qobject_cast<TRLCustomPrintFilter*>(filter);
        if (!printFilter || printFilter->DisplayName().isEmpty()) continue;
        if (printFilter == params.Filter) selected = int(filters_.size());
        ComboBoxFilter_->addItem(printFilter->DisplayName());
        filters_.emplace_back(printFilter);
    }
    ComboBoxFilter_->setCurrentIndex(selected);
    ComboBoxFilter_->setEnabled(filters_.size() > 1);
    FilterChanged();
    KeepRawPrinterWithDotMatrix();
}

void TRLPrintDialog::KeepRawPrinterWithDotMatrix() {
    // A raw queue takes only printer bytes: after a dot-matrix print the next
    // dialog opens on it again, and must not offer to send it pages.
    if (SelectedFilter() || !TRLPrinterWrapper::instance().PrinterIsRaw(ComboBoxPrinter_->currentIndex()))
        return;
    for (size_t i = 0; i < filters_.size(); ++i)
        if (qobject_cast<TRLDraftFilter*>(filters_[i].data())) {
            ComboBoxFilter_->setCurrentIndex(int(i));
            return;
        }
}

TRLCustomPrintFilter* TRLPrintDialog::SelectedFilter() const {
    const int index = ComboBoxFilter_->currentIndex();
    if (index < 0 || size_t(index) >= filters_.size()) return nullptr;
    return filters_[size_t(index)];
}

void TRLPrintDialog::FilterChanged() {
    TRLCustomPrintFilter* filter = SelectedFilter();
    const std::optional<QStringList> options = filter ? filter->OptionList() : std::nullopt;
    ComboBoxOption_->clear();
    if (!options) {
        LabelOption_->hide();
        ComboBoxOption_->hide();
        return;
    }
    filter->SetOrientation(orientation_);
    LabelOption_->setText(filter->OptionsLabel() + u':');
    ComboBoxOption_->addItems(*options);
    ComboBoxOption_->setCurrentIndex(filter->OptionIndex());
    LabelOption_->show();
    ComboBoxOption_->show();
}

QString TRLPrintDialog::OptionText() const {
    return ComboBoxOption_->count() > 0 ? ComboBoxOption_->currentText() : QString();
}

void TRLPrintDialog::LoadControls(const TRLPrintParams& params) {
    RangeBox_->Load(params.PrintRange, params.FromPage, params.ToPage);
    EditCopies_->setText(numberText(params.Copies()));
    EditCopies_->setEnabled(!(params.Options & rpoDisableCopies));
    CheckBoxPrintToFile_->setVisible(params.Options & rpoPrintToFile);
    CheckBoxPrintToFile_->setEnabled(!(params.Options & rpoDisablePrintToFile));
    CheckBoxPrintToFile_->setChecked(params.PrintToFile);
    CheckBoxPrintInBackground_->setEnabled(!(params.Options & rpoDisablePrintInBackground));
    CheckBoxPrintInBackground_->setChecked(params.PrintInBackground);
    const bool pageNums = params.Options & rpoPageNums;
    RadioPageNums_->setEnabled(pageNums);
    EditFromPage_->setEnabled(pageNums);
    EditToPage_->setEnabled(pageNums);
    RadioSelection_->setEnabled(params.Options & rpoSelection);
    setWindowFlag(Qt::WindowContextHelpButtonHint, params.Options & rpoHelp);
}

void TRLPrintDialog::StoreControls(TRLPrintParams& params) {
    params.PrintRange = TRLPrintRange(RangeBox_->Chosen());
    std::tie(params.FromPage, params.ToPage) = RangeBox_->Range(params.MinPage, params.MaxPage());
    params.SetCopies(number(EditCopies_));
    params.PrintToFile = CheckBoxPrintToFile_->isChecked();
    params.PrintInBackground = CheckBoxPrintInBackground_->isChecked();
    TRLPrinterWrapper::instance().SelectPrinter(ComboBoxPrinter_->currentIndex());
    TRLCustomPrintFilter* filter = SelectedFilter();
    params.Filter = filter;
    if (filter) filter->SetOptionIndex(ComboBoxOption_->currentIndex());
    params.ApplyCopies();
}

} // namespace rl
