// The page-printer side without a scheduler: paper codes, the printer
// rectangle, the print dialog and the print command around it.
#include "pagestore/graphic_storage.h"
#include "pagestore/graphic_surface.h"
#include "platform/dialog_presenter.h"
#include "platform/error_log.h"
#include "platform/messages.h"
#include "platform/recording_presenter.h"
#include "print/paper_codes.h"
#include "print/print_command.h"
#include "print/print_dialog.h"
#include "print/print_params.h"
#include "print/printer_wrapper.h"
#include "print/spool_filter.h"
#include "report/paper_table.h"
#include "support/test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace rl;

namespace {

TEST(PaperSettings, NearestCodedRowElseUserDefinedInTenths) {
    struct Case {
        double width, height;
        PrinterPaperSettings expected;
    };
    const Case cases[] = {
        {210, 297, {9, 0, 0}},     {210.004, 297.004, {9, 0, 0}}, {211, 297, {256, 2110, 2970}},
        {215.9, 279.4, {1, 0, 0}}, {0, 0, {256, 0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PaperSettingsFor(c.width, c.height), c.expected) << c.width << " x " << c.height;
}

// The printer keeps its own copy of the coded rows: it must choose as the
// report engine's table does.
TEST(PaperSettings, AgreesWithTheReportPaperTable) {
    for (int i = 0; i < kPaperSizeCount; ++i) {
        const TRLPaperInfo& row = PaperInfo(TRLPaperSize(i));
        const TRLPaperInfo& chosen = PaperInfo(PaperSizeForDimensions(row.Width, row.Height));
        EXPECT_EQ(PaperSettingsFor(row.Width, row.Height).PaperCode, chosen.PaperCode) << row.Description;
    }
}

TEST(SpoolFilter, PrinterRectStartsAtTheSheetCornerInBothOrientations) {
    const PrinterMetrics m = PrinterMetrics::fallback();
    EXPECT_EQ(TRLSpoolFilter::PrinterRect(m, false, 210, 297), QRect(-75, -75, 2480, 3508));
    EXPECT_EQ(TRLSpoolFilter::PrinterRect(m, true, 210, 297), QRect(-75, -75, 3508, 2480));
    // No paper: the printer's sheet.
    EXPECT_EQ(TRLSpoolFilter::PrinterRect(m, false, 0, 0), QRect(-75, -75, 2550, 3300));
}

// Sets CUPS_SERVER to a socket nobody listens on: no printers, at once.
class NoScheduler : public ::testing::Test {
protected:
    void SetUp() override {
        m_had = qEnvironmentVariableIsSet("CUPS_SERVER");
        m_saved = qgetenv("CUPS_SERVER");
        qputenv("CUPS_SERVER", QFile::encodeName(test::sandboxDir() + "/no-cups.sock"));
        TRLPrinterWrapper::resetInstance();
        Messages::setLanguage(Messages::Language::Portuguese);
        TRLPrintParams::instance().Reset();
    }
    void TearDown() override {
        TRLCustomPrintFilter::SetDefaultPrintFilterFactory({});
        SetDotMatrixPreparer({});
        if (m_had)
            qputenv("CUPS_SERVER", m_saved);
        else
            qunsetenv("CUPS_SERVER");
        TRLPrinterWrapper::resetInstance();
        TRLPrintParams::instance().Reset();
    }

private:
    bool m_had = false;
    QByteArray m_saved;
};

// Answers the print dialog: fill (may be empty) looks at or fills the
// controls, then the answer is given.
class DialogAnswer : public DialogPresenter {
public:
    std::function<void(QWidget*)> fill;
    bool answer = true;
    int shown = 0;

    QString getOpenFileName(QWidget*, const QString&) override { return {}; }
    QString getSaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
    std::optional<QFont> getFont(QWidget*, const QFont&) override { return std::nullopt; }
    bool execDialog(QWidget* dialog) override {
        ++shown;
        if (fill) fill(dialog);
        return answer;
    }
};

template <class T> T* control(QWidget* dialog, const char* name) {
    T* found = dialog->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QString textOf(QWidget* dialog, const char* name) {
    return control<QLineEdit>(dialog, name)->text();
}

// A print filter that counts pages and has a two-entry option list.
class CountingFilter : public TRLCustomPrintFilter {
public:
    explicit CountingFilter(const QString& name = QString(), bool options = false) : options_(options) {
        SetDisplayName(name);
        SetShowProgress(false);
    }
    QString OptionsLabel() const override { return QStringLiteral("Formulário"); }
    std::optional<QStringList> OptionList() const override {
        if (!options_) return std::nullopt;
        return QStringList{QStringLiteral("Padrão"), QStringLiteral("80 cols"), QStringLiteral("132 cols")};
    }
    int OptionIndex() const override { return optionIndex; }
    void SetOptionIndex(int index) override { optionIndex = index; }
    void SetOrientation(int value) override { orientation = value; }

    int drawn = 0;
    int optionIndex = 0;
    int orientation = -1;

protected:
    void BeginDoc() override {}
    void EndDoc() override {}
    void NewPage() override {}
    void DrawPage(const TRLGraphicSurface&) override { ++drawn; }

private:
    bool options_;
};

// A store of pages numbered first..first+count-1, with an owner so that a run does not free it.
struct Pages {
    QObject owner;
    TRLGraphicStorage* store = new TRLGraphicStorage(&owner);
    Pages(int count, int first = 1) {
        for (int i = 0; i < count; ++i) {
            auto page = std::make_unique<TRLGraphicSurface>();
            page->Width = 100;
            page->Height = 100;
            page->Open();
            store->Add(std::move(page));
        }
        store->SetFirstPageNumber(first);
        store->SetLastPageNumber(first + count - 1);
    }
};

TEST(PrintDialog, PrinterEntryShowsThePortOnlyWhenItSaysMore) {
    Messages::setLanguage(Messages::Language::Portuguese);
    EXPECT_EQ(TRLPrintDialog::PrinterEntryText("Laser", "ipp://srv/printers/laser"),
              "Laser em ipp://srv/printers/laser");
    EXPECT_EQ(TRLPrintDialog::PrinterEntryText("LPT1", "LPT1"), "LPT1");
    EXPECT_EQ(TRLPrintDialog::PrinterEntryText("Laser", ""), "Laser");
}

TEST_F(NoScheduler, DialogStoresItsAnswersAndHandsTheFilterItsOrientation) {
    CountingFilter matrix("Impressora Matricial", true);
    CountingFilter unnamed; // no display name and no component name: not offered
    TRLPrintParams& params = TRLPrintParams::instance();
    params.Orientation = 1;
    params.SetMaxPage(7);
    DialogAnswer presenter;
    presenter.fill = [](QWidget* d) {
        auto* filters = control<QComboBox>(d, "ComboBoxFilter");
        EXPECT_FALSE(control<QLabel>(d, "LabelOption")->isVisibleTo(d));
        ASSERT_EQ(filters->count(), 2);
        EXPECT_EQ(filters->itemText(0), "Padrão");
        EXPECT_TRUE(filters->isEnabled());
        filters->setCurrentIndex(1);
        EXPECT_TRUE(control<QLabel>(d, "LabelOption")->isVisibleTo(d));
        EXPECT_EQ(control<QLabel>(d, "LabelOption")->text(), "Formulário:");
        control<QComboBox>(d, "ComboBoxOption")->setCurrentIndex(2);
        EXPECT_FALSE(control<QCheckBox>(d, "CheckBoxPrintToFile")->isEnabled());
        control<QLineEdit>(d, "EditFromPage")->setText("2");
        control<QRadioButton>(d, "RadioPageNums")->setChecked(true);
        control<QLineEdit>(d, "EditToPage")->setText("x");
        control<QLineEdit>(d, "EditCopies")->setText("duas");
    };
    ScopedDialogPresenter scoped(presenter);
    TRLPrintDialog dialog;
    ASSERT_TRUE(dialog.Execute(params));
    EXPECT_EQ(matrix.orientation, 1);
    EXPECT_EQ(params.Filter, &matrix);
    EXPECT_EQ(matrix.optionIndex, 2);
    EXPECT_EQ(dialog.OptionText(), "132 cols");
    EXPECT_EQ(params.PrintRange, rprPageNums);
    EXPECT_EQ(params.FromPage, 2);
    EXPECT_EQ(params.ToPage, 0);   // not a number
    EXPECT_EQ(params.Copies(), 0); // not a number
}

// A huge number of copies would overflow the progress bar's maximum.
TEST_F(NoScheduler, CopiesStayWithinOneTo999) {
    TRLPrintParams& params = TRLPrintParams::instance();
    DialogAnswer presenter;
    presenter.fill = [](QWidget* d) {
        auto* copies = control<QLineEdit>(d, "EditCopies");
        copies->clear();
        QTest::keyClicks(copies, "x12345");
        EXPECT_EQ(copies->text(), "123");
    };
    ScopedDialogPresenter scoped(presenter);
    ASSERT_TRUE(TRLPrintDialog().Execute(params));
    EXPECT_EQ(params.Copies(), 123);
    params.SetCopies(2000000000);
    EXPECT_EQ(params.Copies(), TRLPrintParams::kMaxCopies);
}

TEST_F(NoScheduler, CancellingPrintsNothingAndLeavesTheParametersReset) {
    auto counting = new CountingFilter; // handed to the framework by the factory
    TRLCustomPrintFilter::SetDefaultPrintFilterFactory(
        [counting] { return std::unique_ptr<TRLCustomPrintFilter>(counting); });
    Pages pages(5);
    DialogAnswer presenter;
    presenter.answer = false;
    presenter.fill = [](QWidget* d) {
        // A report numbered 1 to 5 opens with that range and one copy.
        EXPECT_EQ(textOf(d, "EditFromPage"), "1");
        EXPECT_EQ(textOf(d, "EditToPage"), "5");
        EXPECT_EQ(textOf(d, "EditCopies"), "1");
        EXPECT_TRUE(control<QRadioButton>(d, "RadioAllPages")->isChecked());
        EXPECT_FALSE(control<QComboBox>(d, "ComboBoxFilter")->isEnabled()); // "Padrão" alone
    };
    ScopedDialogPresenter scoped(presenter);
    EXPECT_EQ(RunPrintCommand(*pages.store, 5, "80").kind, PrintOutcome::Cancelled);
    EXPECT_EQ(presenter.shown, 1);
    TRLCustomPrintFilter::DefaultPrintFilter(); // made now if the command did not
    EXPECT_EQ(counting->drawn, 0);
    const TRLPrintParams& params = TRLPrintParams::instance();
    EXPECT_EQ(params.FromPage, 1);
    EXPECT_EQ(params.ToPage, 9999);
    EXPECT_EQ(params.MaxPage(), 9999);
    EXPECT_EQ(params.Copies(), 1);
}

// Pages numbered from 11: the dialog speaks numbers, the run positions.
TEST_F(NoScheduler, ChosenNumbersPrintTheirPagesAndOtherFiltersAreIgnored) {
    auto counting = new CountingFilter;
    TRLCustomPrintFilter::SetDefaultPrintFilterFactory(
        [counting] { return std::unique_ptr<TRLCustomPrintFilter>(counting); });
    CountingFilter other("Outra");
    Pages pages(5, 11);
    DialogAnswer presenter;
    presenter.fill = [](QWidget* d) {
        EXPECT_EQ(textOf(d, "EditFromPage"), "11");
        control<QComboBox>(d, "ComboBoxFilter")->setCurrentIndex(1);
        control<QRadioButton>(d, "RadioPageNums")->setChecked(true);
        control<QLineEdit>(d, "EditFromPage")->setText("12");
        control<QLineEdit>(d, "EditToPage")->setText("14");
    };
    ScopedDialogPresenter scoped(presenter);
    EXPECT_EQ(RunPrintCommand(*pages.store, 5, "132").kind, PrintOutcome::Printed);
    EXPECT_EQ(counting->drawn, 3);
    EXPECT_EQ(other.drawn, 0);
}

TEST_F(NoScheduler, DotMatrixPreparerGetsTheColumnCodeAndOptionText) {
    CountingFilter matrix("Impressora Matricial", true);
    Pages pages(2);
    QString seen;
    SetDotMatrixPreparer([&](TRLCustomPrintFilter& filter, const QString& columns, const QString& option) {
        seen = columns + "/" + option;
        return &filter == &matrix;
    });
    DialogAnswer presenter;
    presenter.fill = [](QWidget* d) {
        control<QComboBox>(d, "ComboBoxFilter")->setCurrentIndex(1);
        control<QComboBox>(d, "ComboBoxOption")->setCurrentIndex(1);
    };
    ScopedDialogPresenter scoped(presenter);
    EXPECT_EQ(RunPrintCommand(*pages.store, 2, "80").kind, PrintOutcome::Printed);
    EXPECT_EQ(seen, "80/80 cols");
    EXPECT_EQ(matrix.drawn, 2);
}

// Without a queue the spool filter cannot print: the user is told, the log
// gets its line, and nothing is thrown at the window.
TEST_F(NoScheduler, FailuresAreShownAndLogged) {
    InstallSpoolFilterAsDefault();
    Pages pages(3);
    RecordingPresenter messages;
    ScopedMessagePresenter scopedMessages(messages);
    DialogAnswer presenter;
    ScopedDialogPresenter scoped(presenter);
    QFile::remove(ErrorLog::path());

    PrintOutcome outcome = RunPrintCommand(*pages.store, 3, "80");
    EXPECT_EQ(outcome.kind, PrintOutcome::Failed);
    EXPECT_EQ(outcome.message, "Nenhuma impressora encontrada");

    // A range without pages is refused rather than printing nothing.
    presenter.fill = [](QWidget* d) {
        control<QRadioButton>(d, "RadioPageNums")->setChecked(true);
        control<QLineEdit>(d, "EditFromPage")->setText("3");
        control<QLineEdit>(d, "EditToPage")->setText("2");
    };
    EXPECT_EQ(RunPrintCommand(*pages.store, 3, "80").kind, PrintOutcome::Failed);

    ASSERT_EQ(messages.requests.size(), 2u);
    EXPECT_EQ(messages.requests[0].text, "Nenhuma impressora encontrada");
    EXPECT_EQ(messages.requests[0].caption, "Erro...");
    QFile log(ErrorLog::path());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll().count("Ocorreu um erro no sistema, erro: "), 2);

    // The batch entry: no box, the message comes back.
    outcome = PrintPagesOnQueue(*pages.store, 1, -1, "Nenhuma");
    EXPECT_EQ(outcome.kind, PrintOutcome::Failed);
    EXPECT_EQ(outcome.message, "Impressora não encontrada: Nenhuma");
    EXPECT_EQ(messages.requests.size(), 2u);
    QFile::remove(ErrorLog::path());
}

} // namespace
