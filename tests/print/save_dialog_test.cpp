#include "platform/dialog_presenter.h"
#include "platform/messages.h"
#include "platform/recording_presenter.h"
#include "print/custom_filter.h"
#include "print/save_dialog.h"
#include "print/save_params.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

using namespace rl;

namespace {

class NamedSaveFilter : public TRLCustomSaveFilter {
public:
    NamedSaveFilter(const QString& name, const QString& extension) {
        SetDisplayName(name);
        SetDefaultExt(extension);
    }

protected:
    void BeginDoc() override {}
    void EndDoc() override {}
    void NewPage() override {}
    void DrawPage(const TRLGraphicSurface&) override {}
};

// Answers the save dialog by filling its controls and pressing "Salvar".
class FillingPresenter : public DialogPresenter {
public:
    std::function<void(QWidget*)> fill;
    std::vector<QString> saveFilters;
    QString saveAnswer;

    QString getOpenFileName(QWidget*, const QString&) override { return {}; }
    QString getSaveFileName(QWidget*, const QString& filter, const QString&) override {
        saveFilters.push_back(filter);
        return saveAnswer;
    }
    std::optional<QFont> getFont(QWidget*, const QFont&) override { return std::nullopt; }
    bool execDialog(QWidget* dialog) override {
        if (!fill) return false;
        fill(dialog);
        return true;
    }
};

template <class T> T* control(QWidget* dialog, const char* name) {
    T* found = dialog->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void choose(QWidget* dialog, const QString& fileName, const QString& filterEntry) {
    control<QLineEdit>(dialog, "EditFileName")->setText(fileName);
    auto* filters = control<QComboBox>(dialog, "ComboBoxFilter");
    filters->setCurrentIndex(filters->findText(filterEntry));
    ASSERT_GE(filters->currentIndex(), 0) << filterEntry.toStdString();
}

class SaveDialog : public testing::Test {
protected:
    // The entries are looked up by their Portuguese texts.
    Messages::Language language = Messages::language();
    void SetUp() override { Messages::setLanguage(Messages::Language::Portuguese); }
    void TearDown() override { Messages::setLanguage(language); }

    NamedSaveFilter rtf{"Formato RichText", ".rtf"};
    NamedSaveFilter pdf{"Documento PDF", "pdf"};
    FillingPresenter dialogs;
    ScopedDialogPresenter scopedDialogs{dialogs};
    RecordingPresenter messages;
    ScopedMessagePresenter scopedMessages{messages};
    TRLSaveParams params;
    TRLSaveDialog dialog;
};

struct ExtensionCase {
    QString typed, entry, fileName;
    const char* filter; // "rtf", "pdf" or nullptr
};

TEST_F(SaveDialog, FileNameExtensionChoosesTheFilter) {
    const std::vector<ExtensionCase> cases = {
        {"rel.pdf", "Formato RichText", "rel.pdf", "pdf"},
        {"rel", "Formato RichText", "rel.rtf", "rtf"},
        {"rel", "Padrão", "rel.rpf", nullptr},
        {"rel.2024/rel", "Documento PDF", "rel.2024/rel.pdf", "pdf"},
        {"rel.doc", "Documento PDF", "rel.doc", nullptr},
    };
    for (const ExtensionCase& c : cases) {
        SCOPED_TRACE((c.typed + " / " + c.entry).toStdString());
        dialogs.fill = [&](QWidget* d) { choose(d, c.typed, c.entry); };
        ASSERT_TRUE(dialog.Execute(params));
        EXPECT_EQ(params.FileName, c.fileName);
        TRLCustomSaveFilter* expected = !c.filter ? nullptr : c.filter[0] == 'r' ? &rtf : &pdf;
        EXPECT_EQ(params.Filter, expected);
    }
}

struct RangeCase {
    const char* radio;
    QString from, to;
    bool accepted;
    int fromPage, toPage;
};

TEST_F(SaveDialog, RefusesARangeWithoutPages) {
    params.SetMaxPage(5);
    const std::vector<RangeCase> cases = {
        {"RadioAllPages", "", "", true, 1, 5}, {"RadioPageNums", "2", "4", true, 2, 4},
        {"RadioPageNums", "4", "2", false},    {"RadioPageNums", "x", "3", false},
        {"RadioPageNums", "2", "9", false},    {"RadioPageNums", "", "", false},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(c.radio + (" " + c.from + "-" + c.to).toStdString());
        params.FromPage = 1;
        params.ToPage = 5;
        messages.requests.clear();
        dialogs.fill = [&](QWidget* d) {
            choose(d, "rel", "Padrão");
            control<QRadioButton>(d, c.radio)->setChecked(true);
            control<QLineEdit>(d, "EditFromPage")->setText(c.from);
            control<QLineEdit>(d, "EditToPage")->setText(c.to);
        };
        EXPECT_EQ(dialog.Execute(params), c.accepted);
        EXPECT_EQ(messages.requests.size(), c.accepted ? 0u : 1u);
        EXPECT_EQ(params.FromPage, c.accepted ? c.fromPage : 1);
        EXPECT_EQ(params.ToPage, c.accepted ? c.toPage : 5);
    }
}

TEST_F(SaveDialog, CancelChangesNothing) {
    params.FileName = "antes.pdf";
    EXPECT_FALSE(dialog.Execute(params));
    EXPECT_EQ(params.FileName, "antes.pdf");
}

TEST_F(SaveDialog, BrowseOffersTheSelectedFiltersType) {
    dialogs.saveAnswer = "/pasta/escolhido";
    QString browsed;
    for (const QString& entry : {QString("Documento PDF"), QString("Padrão")}) {
        dialogs.fill = [&](QWidget* d) {
            choose(d, "rel", entry);
            control<QPushButton>(d, "ButtonBrowse")->click();
            browsed = control<QLineEdit>(d, "EditFileName")->text();
        };
        dialog.Execute(params);
    }
    EXPECT_EQ(dialogs.saveFilters,
              (std::vector<QString>{"Documento PDF (*.pdf)|*.pdf", "MorvexReport (*.rpf)|*.rpf"}));
    EXPECT_EQ(browsed, "/pasta/escolhido.rpf");
}

TEST(SaveParams, MaxPageCarriesToPageOnlyFromTheOldMaximum) {
    TRLSaveParams params;
    params.SetMaxPage(12);
    EXPECT_EQ(params.ToPage, 12);
    params.ToPage = 3;
    params.SetMaxPage(20);
    EXPECT_EQ(params.ToPage, 3);
}

TEST(SaveParams, FilterIsClearedWhenItIsDestroyed) {
    TRLSaveParams params;
    {
        NamedSaveFilter filter("Documento PDF", ".pdf");
        params.Filter = &filter;
    }
    EXPECT_EQ(params.Filter, nullptr);
}

} // namespace
