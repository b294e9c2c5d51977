#include "print/save_dialog.h"

#include "platform/dialog_presenter.h"
#include "platform/message_presenter.h"
#include "platform/messages.h"
#include "print/custom_filter.h"
#include "print/page_range_box.h"
#include "print/save_params.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace rl {

namespace {

const QString kNoFilterExtension = QStringLiteral(".rpf");
const QString kNoFilterName = QStringLiteral("MorvexReport");

QString text(Messages::Id id) {
    return Messages::text(id);
}

} // namespace

TRLSaveDialog::TRLSaveDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(text(Messages::Id::Save));
    setModal(true);

    auto* fileLabel = new QLabel(text(Messages::Id::FileNameLabel), this);
    EditFileName_ = new QLineEdit(this);
    EditFileName_->setObjectName(QStringLiteral("EditFileName"));
    fileLabel->setBuddy(EditFileName_);
    ButtonBrowse_ = new QPushButton(QStringLiteral("..."), this);
    ButtonBrowse_->setObjectName(QStringLiteral("ButtonBrowse"));
    ButtonBrowse_->setAutoDefault(false);
    ButtonBrowse_->setFixedWidth(ButtonBrowse_->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);

    auto* filterLabel = new QLabel(text(Messages::Id::UseFilter) + u':', this);
    ComboBoxFilter_ = new QComboBox(this);
    ComboBoxFilter_->setObjectName(QStringLiteral("ComboBoxFilter"));
    filterLabel->setBuddy(ComboBoxFilter_);

    auto* rangeBox = RangeBox_ = new PageRangeBox(this);
    RadioAllPages_ = rangeBox->RadioAllPages;
    RadioPageNums_ = rangeBox->RadioPageNums;
    RadioSelection_ = rangeBox->RadioSelection;
    EditFromPage_ = rangeBox->EditFromPage;
    EditToPage_ = rangeBox->EditToPage;
    for (QLineEdit* edit : {EditFromPage_, EditToPage_})
        edit->setValidator(new QIntValidator(0, 999999, edit));

    CheckBoxBackground_ = new QCheckBox(text(Messages::Id::SaveInBackground), this);
    CheckBoxBackground_->setObjectName(QStringLiteral("CheckBoxBackground"));

    auto* save = new QPushButton(text(Messages::Id::Save), this);
    save->setObjectName(QStringLiteral("ButtonSave"));
    save->setDefault(true);
    auto* cancel = new QPushButton(text(Messages::Id::Cancel), this);
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    connect(save, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonBrowse_, &QPushButton::clicked, this, &TRLSaveDialog::Browse);

    auto* fields = new QGridLayout;
    fields->addWidget(fileLabel, 0, 0);
    fields->addWidget(EditFileName_, 0, 1);
    fields->addWidget(ButtonBrowse_, 0, 2);
    fields->addWidget(filterLabel, 1, 0);
    fields->addWidget(ComboBoxFilter_, 1, 1, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(rangeBox);
    layout->addWidget(CheckBoxBackground_);
    layout->addLayout(buttons);
    setMinimumWidth(400);
}

bool TRLSaveDialog::Execute() {
    return Execute(TRLSaveParams::instance());
}

bool TRLSaveDialog::Execute(TRLSaveParams& params) {
    params_ = &params;
    answers_.reset();
    FillFilters(params);
    LoadControls(params);
    EditFileName_->setFocus();
    const bool saved = DialogPresenter::current().execDialog(this) && (answers_ || CheckControls());
    params_ = nullptr;
    if (!saved) return false;
    StoreControls(params);
    return true;
}

void TRLSaveDialog::accept() {
    if (!params_ || CheckControls()) QDialog::accept();
}

void TRLSaveDialog::FillFilters(const TRLSaveParams& params) {
    ComboBoxFilter_->clear();
    filters_.clear();
    ComboBoxFilter_->addItem(text(Messages::Id::Default));
    filters_.emplace_back(nullptr);
    int selected = 0;
    for (TRLCustomFilter* filter : TRLCustomFilter::Registry()) {
        auto* saveFilter = qobject_cast<TRLCustomSaveFilter*>(filter);
        if (!saveFilter) continue;
        if (saveFilter == params.Filter) selected = int(filters_.size());
        ComboBoxFilter_->addItem(saveFilter->DisplayName());
        filters_.emplace_back(saveFilter);
    }
    ComboBoxFilter_->setCurrentIndex(selected);
}

void TRLSaveDialog::LoadControls(const TRLSaveParams& params) {
    RangeBox_->Load(params.SaveRange, params.FromPage, params.ToPage);
    EditFileName_->setText(params.FileName);
    CheckBoxBackground_->setChecked(params.SaveInBackground);
    CheckBoxBackground_->setEnabled(!(params.Options & TRLSaveParams::kDisableSaveInBackground));
    RadioPageNums_->setEnabled(true);
    EditFromPage_->setEnabled(true);
    EditToPage_->setEnabled(true);
    RadioSelection_->setEnabled(false);
}

TRLCustomSaveFilter* TRLSaveDialog::SelectedFilter() const {
    const int index = ComboBoxFilter_->currentIndex();
    if (index < 0 || size_t(index) >= filters_.size()) return nullptr;
    return filters_[size_t(index)];
}

bool TRLSaveDialog::CheckControls() {
    answers_.reset();
    const TRLSaveParams& params = *params_;
    QString fileName = EditFileName_->text();
    const auto refuse = [](QWidget* field, const QString& why) {
        ShowPlainMessage(why);
        field->setFocus();
        return false;
    };
    if (fileName.trimmed().isEmpty())
        return refuse(EditFileName_, QStringLiteral("Informe o nome do arquivo."));
    const auto [fromPage, toPage] = RangeBox_->Range(params.MinPage, params.MaxPage());
    // An empty range would write a document without pages.
    if (fromPage < std::max(1, params.MinPage) || fromPage > toPage || toPage > params.MaxPage())
        return refuse(EditFromPage_,
                      QStringLiteral("Intervalo de páginas inválido: informe páginas de %1 até %2.")
                          .arg(params.MinPage)
                          .arg(params.MaxPage()));

    TRLCustomSaveFilter* filter = SelectedFilter();
    if (!FileNameExtension(fileName).isEmpty())
        filter = SaveFilterByFileName(fileName);
    else
        fileName += filter ? NormalizedExtension(filter->DefaultExt()) : kNoFilterExtension;

    // Only a file something will be written to is worth the question.
    if (filter && QFileInfo(fileName).isFile()) {
        const int answer = MessagePresenter::current().showMessage(
            {QStringLiteral("O arquivo \"%1\" já existe. Deseja substituí-lo?").arg(fileName),
             text(Messages::Id::Save), MessageIcon::Question, MessageButton::Yes | MessageButton::No, false});
        if (answer != int(MessageButton::Yes)) {
            EditFileName_->setFocus();
            EditFileName_->selectAll();
            return false;
        }
    }
    answers_ = Answers{fileName, RangeBox_->Chosen(), fromPage, toPage, filter};
    return true;
}

void TRLSaveDialog::StoreControls(TRLSaveParams& params) const {
    params.FileName = answers_->fileName;
    params.SaveRange = TRLSaveRange(answers_->range);
    params.FromPage = answers_->fromPage;
    params.ToPage = answers_->toPage;
    params.SaveInBackground = CheckBoxBackground_->isChecked();
    params.Filter = answers_->filter;
}

void TRLSaveDialog::Browse() {
    TRLCustomSaveFilter* filter = SelectedFilter();
    const QString name = filter ? filter->DisplayName() : kNoFilterName;
    const QString extension = filter ? NormalizedExtension(filter->DefaultExt()) : kNoFilterExtension;
    const QString fileTypes = name + QStringLiteral(" (*") + extension + QStringLiteral(")|*") + extension;
    QString chosen = DialogPresenter::current().getSaveFileName(this, fileTypes, EditFileName_->text());
    if (chosen.isEmpty()) return;
    // The extension the dialog adds to a name typed without one.
    if (FileNameExtension(chosen).isEmpty()) chosen += extension;
    EditFileName_->setText(chosen);
}

} // namespace rl
