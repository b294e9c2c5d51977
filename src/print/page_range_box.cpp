#include "print/page_range_box.h"

#include "platform/messages.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace rl {

namespace {

template <typename Widget> Widget* named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

int pageNumber(const QLineEdit* edit) {
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    return ok ? value : 0;
}

QLabel* label(Messages::Id id, QLineEdit* buddy, QWidget* parent) {
    auto* result = new QLabel(Messages::text(id) + u':', parent);
    result->setBuddy(buddy);
    return result;
}

} // namespace

PageRangeBox::PageRangeBox(QWidget* parent)
    : QGroupBox(u' ' + Messages::text(Messages::Id::PageRange) + u' ', parent) {
    RadioAllPages = named(new QRadioButton(Messages::text(Messages::Id::AllPages), this), "RadioAllPages");
    RadioPageNums = named(new QRadioButton(Messages::text(Messages::Id::Pages), this), "RadioPageNums");
    RadioSelection = named(new QRadioButton(Messages::text(Messages::Id::Selection), this), "RadioSelection");
    EditFromPage = named(new QLineEdit(this), "EditFromPage");
    EditToPage = named(new QLineEdit(this), "EditToPage");
    for (QLineEdit* edit : {EditFromPage, EditToPage})
        edit->setMaximumWidth(60);
    connect(EditFromPage, &QLineEdit::textEdited, RadioPageNums, [this] { RadioPageNums->setChecked(true); });

    auto* layout = new QGridLayout(this);
    layout->addWidget(RadioAllPages, 0, 0, 1, 5);
    layout->addWidget(RadioPageNums, 1, 0);
    layout->addWidget(label(Messages::Id::RangeFrom, EditFromPage, this), 1, 1);
    layout->addWidget(EditFromPage, 1, 2);
    layout->addWidget(label(Messages::Id::RangeTo, EditToPage, this), 1, 3);
    layout->addWidget(EditToPage, 1, 4);
    layout->addWidget(RadioSelection, 2, 0, 1, 5);
}

void PageRangeBox::Load(int choice, int fromPage, int toPage) {
    (choice == PageNums    ? RadioPageNums
     : choice == Selection ? RadioSelection
                           : RadioAllPages)
        ->setChecked(true);
    EditFromPage->setText(fromPage == 0 ? QString() : QString::number(fromPage));
    EditToPage->setText(toPage == 0 ? QString() : QString::number(toPage));
}

PageRangeBox::Choice PageRangeBox::Chosen() const {
    return RadioPageNums->isChecked() ? PageNums : RadioSelection->isChecked() ? Selection : AllPages;
}

std::pair<int, int> PageRangeBox::Range(int minPage, int maxPage) const {
    switch (Chosen()) {
    case Selection:
        return {pageNumber(EditFromPage), pageNumber(EditFromPage)};
    case PageNums:
        return {pageNumber(EditFromPage), pageNumber(EditToPage)};
    case AllPages:
        break;
    }
    return {minPage, maxPage};
}

} // namespace rl
