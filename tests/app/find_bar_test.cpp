#include "app/find_bar.h"
#include "main_window_fixture.h"
#include "ui_events.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>

using namespace rl;
using namespace rl::test;

using FindInMainWindow = MainWindowFixture;

namespace {

// A 50-page report of ten lines a page; "Saldo" on line 3 of page 1 and on
// line 7 of page 40.
TRLGraphicStorage* fiftyPages(QObject* owner) {
    auto* store = new TRLGraphicStorage(owner);
    for (int number = 1; number <= 50; ++number) {
        auto page = std::make_unique<TRLGraphicSurface>();
        page->Width = 1056;
        page->Height = 816;
        page->DrawFont.Size = 7;
        for (int line = 1; line <= 10; ++line) {
            std::string text = "linha " + std::to_string(line) + " da p\xe1gina " + std::to_string(number);
            if (number == 1 && line == 3) text = "Saldo anterior      1.000,00";
            if (number == 40 && line == 7) text = "  saldo final         980,00";
            const std::int32_t top = 40 + line * 12;
            page->TextRect({38, top, 1018, top + 12}, 38, top, text, haLeft, vaTop, 5);
        }
        store->Add(std::move(page));
    }
    store->SetFirstPageNumber(1);
    store->SetLastPageNumber(50);
    store->SetOrientation(2);
    store->SetPaperWidth(215.9);
    store->SetPaperHeight(279.4);
    return store;
}

class FindBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        preview.resize(1000, 700);
        preview.show();
        preview.AttachStorage(fiftyPages(&owner));
        bar.OnNotice = [this](const QString& text) { notices << text; };
        bar.Open();
        bar.FindEdit->setText(QStringLiteral("saldo"));
    }
    // Page number, line number and the count shown.
    std::tuple<int, int, QString> shown() const {
        const auto& match = preview.HighlightedMatch();
        return {match ? match->at.page + 1 : 0, match ? match->at.line + 1 : 0, bar.CountLabel->text()};
    }

    QObject owner;
    TRLPreview preview;
    FindBar bar{&preview};
    QStringList notices;
};

} // namespace

TEST_F(FindBarTest, FindsThePagesInOrderAndWrapsWithANotice) {
    bar.FindNext();
    EXPECT_EQ(shown(), std::make_tuple(1, 3, QStringLiteral("1 de 2")));
    EXPECT_EQ(preview.CurrentPageNumber(), 1);
    bar.FindNext();
    EXPECT_EQ(shown(), std::make_tuple(40, 7, QStringLiteral("2 de 2")));
    EXPECT_EQ(preview.CurrentPageNumber(), 40);
    EXPECT_EQ(notices.last(), QString());
    bar.FindNext();
    EXPECT_EQ(shown(), std::make_tuple(1, 3, QStringLiteral("1 de 2")));
    EXPECT_EQ(notices.last(), QStringLiteral("Fim do relatório: a pesquisa recomeçou do início"));
    bar.FindPrevious();
    EXPECT_EQ(shown(), std::make_tuple(40, 7, QStringLiteral("2 de 2")));
    EXPECT_EQ(notices.last(), QStringLiteral("Início do relatório: a pesquisa recomeçou do fim"));

    // A find from a page the user turned to starts at the top of that page.
    preview.GoToPageNumber(20);
    bar.FindNext();
    EXPECT_EQ(shown(), std::make_tuple(40, 7, QStringLiteral("2 de 2")));

    bar.Close();
    EXPECT_FALSE(preview.HighlightedMatch());
    EXPECT_TRUE(bar.isHidden());
}

TEST_F(FindBarTest, OptionsNarrowTheMatches) {
    bar.CaseBox->setChecked(true);
    bar.FindNext();
    EXPECT_EQ(shown(), std::make_tuple(40, 7, QStringLiteral("1 de 1")));
    bar.CaseBox->setChecked(false);
    bar.FindEdit->setText(QStringLiteral("sald"));
    bar.WordBox->setChecked(true);
    EXPECT_EQ(shown(), std::make_tuple(0, 0, QStringLiteral("0 de 0")));
    EXPECT_EQ(notices.last(), QStringLiteral("Texto não encontrado: \"sald\""));
    bar.WordBox->setChecked(false);
    bar.FindEdit->setText(QStringLiteral("pagina 17"));
    bar.AccentsBox->setChecked(true);
    EXPECT_EQ(shown(), std::make_tuple(17, 1, QStringLiteral("1 de 10")));
}

TEST_F(FindInMainWindow, SearchMenuOpensTheFindBarAndEscapeClosesOnlyTheBar) {
    start({writeReport(QStringLiteral("report.txt"), 3)});
    ASSERT_TRUE(window->Pesquisar1->menuAction()->isEnabled());
    QStringList captions;
    for (const QAction* item : window->Pesquisar1->actions())
        captions << item->text() + u' ' + item->shortcut().toString();
    EXPECT_EQ(captions,
              QStringList({"Localizar... Ctrl+F", "Localizar próxima F3", "Localizar anterior Shift+F3"}));

    window->Localizar1->trigger();
    ASSERT_TRUE(window->FindBar1->isVisible());
    window->FindBar1->FindEdit->setText(QStringLiteral("linha 2 da página 3"));
    keyClick(window->FindBar1->FindEdit, Qt::Key_Return);
    EXPECT_EQ(currentPage(), 3);
    EXPECT_EQ(window->Edit1->text(), QStringLiteral("3"));
    // Home in the text box moves its cursor; it does not turn the page.
    keyClick(window->FindBar1->FindEdit, Qt::Key_Home);
    EXPECT_EQ(currentPage(), 3);
    keyClick(window->FindBar1->FindEdit, Qt::Key_Escape);
    EXPECT_FALSE(window->FindBar1->isVisible());
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->RLPreview1->HighlightedMatch());

    // Ctrl+C copies a selection as text ("  linha 0 da página 3", columns 3 to 7).
    window->RLPreview1->SetSelection({2, 1, 1, 2, 6});
    keyClick(window->Edit1, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("linha"));
}

// The copied selection as LibreOffice Calc takes it from the clipboard's HTML
// flavour: one cell per report line.
TEST_F(FindBarTest, CopiedSelectionInteropCalcReadsOneCellPerLine) {
    preview.SetSelection({0, 0, 2, 0, 27});
    ASSERT_TRUE(preview.CopySelectedText());
    QTemporaryDir work;
    const QString html = work.filePath("selection.html");
    test::writeFile(html, QApplication::clipboard()->mimeData()->html().toUtf8());
    QProcess soffice;
    soffice.start("soffice", {"--headless", "-env:UserInstallation=file://" + work.path() + "/profile",
                              "--infilter=HTML (StarCalc)", "--convert-to",
                              "csv:Text - txt - csv (StarCalc):44,34,76,1", "--outdir", work.path(), html});
    ASSERT_TRUE(soffice.waitForFinished(180000));
    ASSERT_EQ(soffice.exitCode(), 0) << soffice.readAllStandardError().toStdString();
    // The blanks inside a line come as no-break spaces.
    const QString csv = QString::fromUtf8(test::readFile(work.filePath("selection.csv")))
                            .replace(QChar(0xA0), u' ')
                            .remove(u'"'); // text cells come quoted
    EXPECT_EQ(csv.split(u'\n', Qt::SkipEmptyParts),
              QStringList({"linha 1 da página 1", "linha 2 da página 1", "Saldo anterior      1.000,00"}));
}
