#include "main_window_fixture.h"

#include "app/cursors.h"
#include "app/navigation_panel.h"
#include "platform/error_log.h"
#include "platform/settings.h"
#include "platform/version.h"
#include "print/draft_filter.h"
#include "print/printer_wrapper.h"
#include "report/custom_band.h"
#include "report/custom_label.h"

#include "ui_events.h"
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QEnterEvent>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QWheelEvent>

namespace rl::test {
namespace {

using MainWindow = MainWindowFixture;

QStringList captionsOf(const QList<QAction*>& actions) {
    QStringList captions;
    for (const QAction* action : actions)
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return captions;
}

// Empties the page number box as a user would: select everything, then backspace.
void emptyBox(QWidget* box) {
    keyClick(box, Qt::Key_A, Qt::ControlModifier); // discarded by the box's key filter
    auto* edit = qobject_cast<QLineEdit*>(box);
    if (edit) edit->selectAll();
    keyClick(box, Qt::Key_Backspace);
}

TEST_F(MainWindow, DesignTimeMenusCaptionsAndControls) {
    ReportSession owner{StartupValues{}};
    TForm1 form(owner);
    EXPECT_EQ(form.windowTitle(),
              QStringLiteral("Relantomador de relatórios - versão ") + ExeVersionString());
    EXPECT_EQ(captionsOf(form.menuBar()->actions()),
              QStringList(
                  {"Arquivo", "Eventuais", "Fonte", "Visualização", "Figura", "Configurações", "Pesquisar"}));
    EXPECT_EQ(captionsOf(form.Arquivo1->actions()),
              QStringList({"&Salvar Como...", "&Abrir", "Imprimir", "-", "&Sair"}));
    EXPECT_EQ(captionsOf(form.Eventuais1->actions()), QStringList({"Zoom", "&Enviar", "E&xportar para..."}));
    EXPECT_EQ(captionsOf(form.Zoom1->actions()), QStringList({"200%", "100%", "80%", "60%", "40%"}));
    EXPECT_EQ(captionsOf(form.Enviar1->actions()), QStringList({"E-mail"}));
    EXPECT_EQ(captionsOf(form.Exportarpara1->actions()),
              QStringList({"Word", "Excel", "Bloco de Notas", "WordPad", "Internet Explorer (HTML)"}));

    // Disabled at design time: "&Salvar Como...", "Eventuais", the export items,
    // "Fonte", "Figura", "Configurações", "Pesquisar".
    for (const QAction* item :
         {form.SalvarComo1, form.Eventuais1->menuAction(), form.Word1, form.Excel1, form.BlocodeNotas1,
          form.WordPad1, form.InternetExplorerHTML1, form.Fonte1->menuAction(), form.Figura1->menuAction(),
          form.Configuracoes1, form.Pesquisar1->menuAction()})
        EXPECT_FALSE(item->isEnabled()) << item->text().toStdString();
    for (const QAction* item : {form.Abrir1, form.Imprimir1, form.Sair1, form.Visualizacao1->menuAction(),
                                form.Retrato1, form.Paisagem1, form.Enviar1->menuAction(), form.Email1})
        EXPECT_TRUE(item->isEnabled()) << item->text().toStdString();

    EXPECT_EQ(form.ComboBox1->count(), 5);
    EXPECT_EQ(form.ComboBox1->currentText(), QStringLiteral("100"));
    EXPECT_TRUE(form.ComboBox1->isEditable());
    EXPECT_EQ(form.Label1->text(), QStringLiteral("de"));
    // The preview's tools, the hand chosen.
    EXPECT_TRUE(form.ButHand->isEnabled());
    EXPECT_TRUE(form.ButZoom->isEnabled());
    EXPECT_TRUE(form.ButSelect->isEnabled());
    EXPECT_TRUE(form.ButHand->isChecked());
    EXPECT_TRUE(form.RLPreview1->isHidden());
    EXPECT_TRUE(form.NavigationPanel1->isHidden());
    EXPECT_TRUE(form.NavigationPanel1->isCollapsed());
    EXPECT_EQ(form.NavigationPanel1->width(), NavigationPanel::kCollapsedWidth);
    EXPECT_EQ(form.RLPreview1->cursor().pixmap().toImage(), Cursors::Get(crHand1).pixmap().toImage());
    EXPECT_EQ(form.findChild<QToolButton*>(QStringLiteral("butprint")), form.butprint);
    EXPECT_EQ(form.butnext->toolTip(), QStringLiteral("Próxima Página"));
    EXPECT_EQ(form.SpeedButton2->statusTip(), QStringLiteral("Exibir\\Ocultar Painel de Navegação"));
}

TEST_F(MainWindow, OnePageReportDisablesEveryNavigationButton) {
    start({writeReport(QStringLiteral("one.txt"), 1)});
    EXPECT_EQ(pageCount(), 1);
    EXPECT_EQ(window->Label1->text(), QStringLiteral("de 1"));
    EXPECT_EQ(window->Edit1->text(), QStringLiteral("1"));
    for (const QToolButton* button : {window->butfirst, window->butprior, window->butnext, window->butlast})
        EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    // Pages to show: the preview and the page tree are up, and every menu item is enabled.
    EXPECT_FALSE(window->RLPreview1->isHidden());
    EXPECT_FALSE(window->NavigationPanel1->isHidden());
    for (const QAction* item : window->MenuItems())
        EXPECT_TRUE(item->isEnabled()) << item->text().toStdString();
    ASSERT_EQ(window->TreeView1->topLevelItemCount(), 1);
    EXPECT_EQ(window->TreeView1->topLevelItem(0)->text(0), QStringLiteral("Páginas"));
    EXPECT_EQ(window->TreeView1->topLevelItem(0)->childCount(), 1);
}

TEST_F(MainWindow, EmptyReportShowsNoPages) {
    start({dir.filePath(QStringLiteral("missing.txt"))});
    EXPECT_EQ(window->Label1->text(), QStringLiteral("de %1").arg(pageCount()));
    EXPECT_FALSE(window->butnext->isEnabled());
    EXPECT_FALSE(window->butlast->isEnabled());
}

TEST_F(MainWindow, PageBoxNavigatesOnEveryKeystroke) {
    start({writeReport(QStringLiteral("ten.txt"), 10)});
    ASSERT_EQ(pageCount(), 10);
    ASSERT_EQ(window->focusWidget(), window->Edit1);
    emptyBox(window->Edit1);
    EXPECT_EQ(window->Edit1->text(), QString());
    EXPECT_EQ(currentPage(), 1);

    keyClick(window->Edit1, Qt::Key_9, Qt::NoModifier);
    EXPECT_EQ(currentPage(), 9);
    EXPECT_EQ(window->Edit1->text(), QStringLiteral("9"));
    ASSERT_NE(window->TreeView1->currentItem(), nullptr);
    EXPECT_EQ(window->TreeView1->currentItem()->text(0), QStringLiteral("9"));

    // Page 99 does not exist: the preview stays on 9 and the box says so again.
    keyClick(window->Edit1, Qt::Key_9, Qt::NoModifier);
    EXPECT_EQ(currentPage(), 9);
    EXPECT_EQ(window->Edit1->text(), QStringLiteral("9"));
    EXPECT_TRUE(window->butfirst->isEnabled());
    EXPECT_TRUE(window->butnext->isEnabled());

    // Letters and signs never reach the box.
    keyClicks(window->Edit1, QStringLiteral("a-+ "));
    EXPECT_EQ(window->Edit1->text(), QStringLiteral("9"));
}

TEST_F(MainWindow, PageTreeSelectionNavigates) {
    start({writeReport(QStringLiteral("ten.txt"), 10)});
    QTreeWidgetItem* root = window->TreeView1->topLevelItem(0);
    ASSERT_EQ(root->childCount(), 10);
    window->TreeView1->setCurrentItem(root->child(4));
    EXPECT_EQ(currentPage(), 5);
    EXPECT_EQ(window->Edit1->text(), QStringLiteral("5"));
    // The root is no page.
    window->TreeView1->setCurrentItem(root);
    EXPECT_EQ(currentPage(), 5);
}

TEST_F(MainWindow, NavigationButtonsAndKeys) {
    start({writeReport(QStringLiteral("ten.txt"), 10)});
    QWidget* focus = window->Edit1;
    keyClick(focus, Qt::Key_End);
    EXPECT_EQ(currentPage(), 10);
    EXPECT_FALSE(window->butnext->isEnabled());
    EXPECT_FALSE(window->butlast->isEnabled());
    EXPECT_TRUE(window->butprior->isEnabled());
    // Page Down on the last page: the button is disabled, the key still acts, nothing changes.
    keyClick(focus, Qt::Key_PageDown);
    EXPECT_EQ(currentPage(), 10);
    EXPECT_EQ(window->Edit1->text(), QStringLiteral("10"));
    keyClick(focus, Qt::Key_PageUp);
    EXPECT_EQ(currentPage(), 9);
    keyClick(focus, Qt::Key_Home);
    EXPECT_EQ(currentPage(), 1);
    EXPECT_FALSE(window->butfirst->isEnabled());
    keyClick(focus, Qt::Key_PageUp);
    EXPECT_EQ(currentPage(), 1);

    mouseClick(window->butnext);
    EXPECT_EQ(currentPage(), 2);
    mouseClick(window->butlast);
    EXPECT_EQ(currentPage(), 10);
    mouseClick(window->butprior);
    EXPECT_EQ(currentPage(), 9);
    mouseClick(window->butfirst);
    EXPECT_EQ(currentPage(), 1);
}

TEST_F(MainWindow, ArrowKeysScrollThePreview) {
    start({writeReport(QStringLiteral("two.txt"), 2)});
    window->resize(600, 500);
    window->ZoomMenuClick(200);
    TRLPreview* preview = window->RLPreview1;
    preview->SetHorzScrollPosition(100);
    preview->SetVertScrollPosition(100);
    keyClick(window->Edit1, Qt::Key_Right);
    EXPECT_EQ(preview->HorzScrollPosition(), 110);
    keyClick(window->Edit1, Qt::Key_Left);
    keyClick(window->Edit1, Qt::Key_Left);
    EXPECT_EQ(preview->HorzScrollPosition(), 90);
    keyClick(window->Edit1, Qt::Key_Down);
    EXPECT_EQ(preview->VertScrollPosition(), 112);
    keyClick(window->Edit1, Qt::Key_Up);
    keyClick(window->Edit1, Qt::Key_Up);
    EXPECT_EQ(preview->VertScrollPosition(), 88);
}

TEST_F(MainWindow, ZoomBox) {
    start({writeReport(QStringLiteral("two.txt"), 2)});
    TRLPreview* preview = window->RLPreview1;
    QComboBox* box = window->ComboBox1;
    box->setFocus();
    ASSERT_EQ(window->focusWidget(), box);
    box->lineEdit()->selectAll();
    keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(preview->ZoomFactor(), 100.0);
    // 5 is below what the preview accepts: ignored.
    keyClick(box, Qt::Key_5);
    EXPECT_EQ(box->currentText(), QStringLiteral("5"));
    EXPECT_EQ(preview->ZoomFactor(), 100.0);
    keyClick(box, Qt::Key_0);
    EXPECT_EQ(preview->ZoomFactor(), 50.0);
    keyClicks(box, QStringLiteral("x,%"));
    EXPECT_EQ(box->currentText(), QStringLiteral("50"));

    // The list keys never step the zoom.
    for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown})
        keyClick(box, key);
    EXPECT_EQ(box->currentText(), QStringLiteral("50"));
    EXPECT_EQ(preview->ZoomFactor(), 50.0);

    // A number too large for the box is ignored.
    box->setEditText(QStringLiteral("99999999999"));
    window->ComboBox1Change();
    EXPECT_EQ(preview->ZoomFactor(), 50.0);
    box->setEditText(QStringLiteral("50"));

    // Enter hands the focus to the page number box.
    keyClick(box, Qt::Key_Return);
    EXPECT_EQ(window->focusWidget(), window->Edit1);

    window->N801->trigger();
    EXPECT_EQ(box->currentText(), QStringLiteral("80"));
    EXPECT_EQ(preview->ZoomFactor(), 80.0);
    // Choosing from the list applies it.
    box->setCurrentIndex(0);
    emit box->activated(0);
    EXPECT_EQ(preview->ZoomFactor(), 200.0);

    // What is typed is what applies: the list's entries never complete it.
    box->setFocus();
    for (const char* typed : {"20", "10"}) {
        box->lineEdit()->selectAll();
        keyClick(box, Qt::Key_Backspace);
        keyClicks(box, QString::fromLatin1(typed));
        EXPECT_EQ(box->currentText(), QString::fromLatin1(typed));
        EXPECT_EQ(preview->ZoomFactor(), QString::fromLatin1(typed).toDouble());
    }
    keyClick(box, Qt::Key_Return);
    EXPECT_EQ(box->currentText(), QStringLiteral("10"));
    EXPECT_EQ(preview->ZoomFactor(), 10.0);

    // The wheel over the box turns it only while it has the focus.
    window->Edit1->setFocus();
    QWheelEvent wheel(QPointF(5, 5), box->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(box, &wheel);
    EXPECT_EQ(box->currentText(), QStringLiteral("10"));
}

TEST_F(MainWindow, PageBoxTakesDigitsOnlyAndCtrlCCopiesThePage) {
    start({writeReport(QStringLiteral("three.txt"), 3)});
    window->Edit1->setText(QStringLiteral("2"));
    window->Edit1->selectAll();
    QApplication::clipboard()->setText(QStringLiteral("3x"));
    window->Edit1->paste();
    EXPECT_EQ(window->Edit1->text(), QStringLiteral("2"));
    QApplication::clipboard()->setText(QStringLiteral("3"));
    window->Edit1->selectAll();
    window->Edit1->paste();
    EXPECT_EQ(currentPage(), 3);

    QApplication::clipboard()->clear();
    window->Edit1->deselect();
    keyClick(window->Edit1, Qt::Key_C, Qt::ControlModifier);
    const QImage copied = QApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(window->RLPreview1->Storage()->Pages(2)->Width,
                                   window->RLPreview1->Storage()->Pages(2)->Height));
}

TEST_F(MainWindow, ZoomKeepsTheScrollPositions) {
    start({writeReport(QStringLiteral("two.txt"), 2)});
    window->resize(600, 500);
    window->ZoomMenuClick(200);
    TRLPreview* preview = window->RLPreview1;
    preview->SetHorzScrollPosition(150);
    preview->SetVertScrollPosition(170);
    window->ComboBox1->setEditText(QStringLiteral("300"));
    window->ComboBox1Change();
    EXPECT_EQ(preview->ZoomFactor(), 300.0);
    EXPECT_EQ(preview->HorzScrollPosition(), 150);
    EXPECT_EQ(preview->VertScrollPosition(), 170);
}

TEST_F(MainWindow, EscapeClosesAndDeletesTheReportFileButNotAnOpenedOne) {
    const QString report = writeReport(QStringLiteral("report.txt"), 2);
    const QString other = writeReport(QStringLiteral("other.txt"), 4);
    start({report});
    dialogs.openAnswers = {other};
    window->Abrir1->trigger();
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].filter, TForm1::kTextFilter);
    EXPECT_EQ(pageCount(), 4);
    EXPECT_EQ(composer->LoadedPageCount, 4);
    EXPECT_EQ(window->Edit1->text(), QStringLiteral("1"));
    EXPECT_EQ(window->Label1->text(), QStringLiteral("de 4"));
    EXPECT_EQ(window->TreeView1->topLevelItem(0)->childCount(), 4);
    EXPECT_EQ(session->Values().ReportFilePath, report);

    ASSERT_TRUE(window->isVisible());
    keyClick(window->Edit1, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(QFileInfo::exists(report));
    EXPECT_TRUE(QFileInfo::exists(other));
}

TEST_F(MainWindow, OpenReadsTheFileInTheEncodingChosenInTheDialog) {
    start({writeReport(QStringLiteral("report.txt"), 2)});
    const QString dos = dir.filePath(QStringLiteral("dos.txt"));
    // "┌─┐", "│é│" in CP850, which Windows-1252 would also read.
    writeFile(dos, "titulo\r\n\xDA\xC4\xBF\r\n\xB3\x82\xB3\r\n");
    dialogs.openAnswers = {dos, dos};
    dialogs.encodingAnswers = {ReportEncoding::Cp850};
    window->Abrir1->trigger();
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].initialEncoding, ReportEncoding::Auto); // the command line's
    EXPECT_EQ(session->LinesEncoding(), ReportEncoding::Cp850);
    EXPECT_EQ(session->PrintedLine(1), "+-+");
    EXPECT_EQ(session->PrintedLine(2), "|\xE9|");

    // The next time the dialog starts at the last choice.
    window->Abrir1->trigger();
    ASSERT_EQ(dialogs.requests.size(), 2u);
    EXPECT_EQ(dialogs.requests[1].initialEncoding, ReportEncoding::Cp850);
    EXPECT_EQ(session->LinesEncoding(), ReportEncoding::Cp850);
}

TEST_F(MainWindow, OpenCancelledChangesNothing) {
    start({writeReport(QStringLiteral("report.txt"), 2)});
    window->Abrir1->trigger();
    EXPECT_EQ(pageCount(), 2);
    EXPECT_EQ(composer->LoadedPageCount, 0);
}

TEST_F(MainWindow, CloseCommandsDeleteTheReportFile) {
    const QString report = writeReport(QStringLiteral("report.txt"), 1);
    start({report});
    window->Sair1->trigger();
    EXPECT_FALSE(QFileInfo::exists(report));

    const QString again = writeReport(QStringLiteral("again.txt"), 1);
    start({again});
    mouseClick(window->SpeedButton1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(QFileInfo::exists(again));
}

TEST_F(MainWindow, WithKeepNeitherOpenNorClosingDeletesAFile) {
    const QString report = writeReport(QStringLiteral("report.txt"), 2);
    const QString other = writeReport(QStringLiteral("other.txt"), 1);
    start({QStringLiteral("--keep"), report});
    EXPECT_EQ(pageCount(), 2);
    dialogs.openAnswers = {other};
    window->Abrir1->trigger();
    EXPECT_EQ(pageCount(), 1);
    window->Sair1->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(QFileInfo::exists(report));
    EXPECT_TRUE(QFileInfo::exists(other));
}

TEST_F(MainWindow, ReportPathThatCannotBeDeletedIsLeftAndLogged) {
    // A folder named as the report: no file to read, and nothing that may be deleted.
    const QString folder = dir.filePath(QStringLiteral("folder.txt"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile::remove(ErrorLog::path());
    start({folder});
    window->close();
    EXPECT_TRUE(QFileInfo(folder).isDir());
    const QByteArray log = readFile(ErrorLog::path());
    EXPECT_TRUE(
        log.startsWith("Ocorreu um erro no sistema, erro: n\xc3\xa3o foi poss\xc3\xadvel apagar o arquivo " +
                       QFile::encodeName(folder)))
        << log.toStdString();
    EXPECT_TRUE(log.endsWith(" - Objeto :Form1\r\n")) << log.toStdString();
    QFile::remove(ErrorLog::path());
}

struct PermissionCase {
    const char* name;
    QStringList extraArguments;
    bool print, send, exportSave;
};

class MainWindowPermissions : public MainWindowFixture,
                              public ::testing::WithParamInterface<PermissionCase> {};

TEST_P(MainWindowPermissions, FlagsSetTheirControls) {
    const PermissionCase& c = GetParam();
    start(QStringList{writeReport(QStringLiteral("report.txt"), 2), QStringLiteral("132")} +
          c.extraArguments);
    EXPECT_EQ(window->butprint->isEnabled(), c.print);
    EXPECT_EQ(window->Imprimir1->isEnabled(), c.print);
    EXPECT_EQ(window->Enviar1->menuAction()->isEnabled(), c.send);
    EXPECT_EQ(window->Exportarpara1->menuAction()->isEnabled(), c.exportSave);
    EXPECT_EQ(window->SalvarComo1->isEnabled(), c.exportSave);
    EXPECT_TRUE(window->Abrir1->isEnabled());
    EXPECT_TRUE(messages.requests.empty());

    // Opening another text file does not lift the calling program's restrictions.
    dialogs.openAnswers = {writeReport(QStringLiteral("other.txt"), 3)};
    window->Abrir1->trigger();
    EXPECT_EQ(window->butprint->isEnabled(), c.print);
    EXPECT_EQ(window->Imprimir1->isEnabled(), c.print);
    EXPECT_EQ(window->Enviar1->menuAction()->isEnabled(), c.send);
    EXPECT_EQ(window->Exportarpara1->menuAction()->isEnabled(), c.exportSave);
    EXPECT_EQ(window->SalvarComo1->isEnabled(), c.exportSave);
}

INSTANTIATE_TEST_SUITE_P(
    , MainWindowPermissions,
    ::testing::Values(
        PermissionCase{"NoFlags", {}, true, true, true},
        PermissionCase{
            "NSN", {QStringLiteral("paisagem"), QStringLiteral("permissao=NSN")}, false, true, false},
        PermissionCase{
            "LowerCaseAnywhere", {QStringLiteral("Permissao=sns"), QStringLiteral("x")}, true, false, true},
        PermissionCase{"OnlyBlanks", {QStringLiteral("permissao=   ")}, true, true, true},
        PermissionCase{"OneFlagAtTheEnd", {QStringLiteral("permissao=S")}, true, false, false}),
    [](const ::testing::TestParamInfo<PermissionCase>& info) { return std::string(info.param.name); });

TEST_F(MainWindow, OrientationCommands) {
    start({writeReport(QStringLiteral("report.txt"), 2), QStringLiteral("80")});
    const auto pageIsLandscape = [this] {
        const TRLGraphicSurface* page = window->RLPreview1->Storage()->Pages(0);
        return page && page->Width > page->Height;
    };
    EXPECT_FALSE(pageIsLandscape());
    window->Paisagem1->trigger();
    EXPECT_EQ(composer->RLReport1->PageSetup.Orientation(), poLandscape);
    EXPECT_TRUE(pageIsLandscape());
    window->Retrato1->trigger();
    EXPECT_FALSE(pageIsLandscape());
}

// The paper chosen in "Configurações" is the one the preview shows, at once
// and after a restart.
TEST_F(MainWindow, PaperChosenInTheSettingsStaysAfterARestart) {
    const QString report = writeReport(QStringLiteral("report.txt"), 2);
    start({report});
    const auto pageWidth = [this] { return window->RLPreview1->Storage()->Pages(0)->Width; };
    EXPECT_EQ(pageWidth(), 816); // Letter
    dialogs.dialogAnswers.push_back([](QWidget* dialog) {
        auto* paper = dialog->findChild<QComboBox*>(QStringLiteral("CBPapel"));
        paper->setCurrentIndex(paper->findText(QStringLiteral("A4")));
        dialog->findChild<QPushButton*>(QStringLiteral("butok"))->click();
        return static_cast<QDialog*>(dialog)->result() == QDialog::Accepted;
    });
    window->Configuracoes1->trigger();
    EXPECT_EQ(pageWidth(), 794);
    session.reset();
    start({report});
    EXPECT_EQ(pageWidth(), 794);
    QFile::remove(Settings::filePath(SettingsFile::System));
}

TEST_F(MainWindow, FontCommand) {
    start({writeReport(QStringLiteral("report.txt"), 2), QStringLiteral("132")});
    const SurfaceFont before = composer->RLLabel1->Font;
    // Cancelled: nothing changes.
    window->Alterar1->trigger();
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].initialFont.family(), QStringLiteral("Orator10 BT"));
    EXPECT_EQ(dialogs.requests[0].initialFont.pointSize(), 7);
    EXPECT_EQ(composer->RLLabel1->Font, before);

    composer->RLBand1->SetHeight(40);
    QFont chosen(QStringLiteral("Orator10 BT"));
    chosen.setPointSize(10);
    chosen.setBold(true);
    dialogs.fontAnswers = {chosen};
    window->Alterar1->trigger();
    EXPECT_EQ(composer->RLLabel1->Font.Size, 10);
    EXPECT_EQ(composer->RLLabel1->Font.Style, fsBold);
    EXPECT_EQ(composer->RLReport1->Font.Size, 10);
    EXPECT_EQ(composer->RLReport1->Font.Name, std::string("Orator10 BT"));
    EXPECT_GT(pageCount(), 0);
}

TEST_F(MainWindow, FontCommandSetsTheBandHeightForWideReportsOnly) {
    QFont chosen(QStringLiteral("Orator10 BT"));
    chosen.setPointSize(7);
    for (const auto& [columns, expectSet] :
         {std::pair{QStringLiteral("255"), true}, {QStringLiteral("80"), false}}) {
        start({writeReport(QStringLiteral("report.txt"), 1), columns});
        composer->RLBand1->SetAutoSize(false);
        composer->RLBand1->SetHeight(40);
        dialogs.fontAnswers = {chosen};
        window->Alterar1->trigger();
        EXPECT_EQ(composer->RLBand1->Height() == 12, expectSet) << columns.toStdString();
    }
}

TEST_F(MainWindow, NavigationPanelToggles) {
    start({writeReport(QStringLiteral("report.txt"), 2)});
    EXPECT_FALSE(window->NavigationPanel1->isHidden());
    EXPECT_TRUE(window->SpeedButton2->isChecked());
    EXPECT_TRUE(window->NavigationPanel1->isCollapsed());
    mouseClick(window->SpeedButton2);
    EXPECT_TRUE(window->NavigationPanel1->isHidden());
    EXPECT_FALSE(window->SpeedButton2->isChecked());
    mouseClick(window->SpeedButton2);
    EXPECT_FALSE(window->NavigationPanel1->isHidden());
    EXPECT_TRUE(window->SpeedButton2->isChecked());

    mouseClick(window->NavigationPanel1->toggleButton());
    EXPECT_FALSE(window->NavigationPanel1->isCollapsed());
    EXPECT_EQ(window->NavigationPanel1->width(), NavigationPanel::kExpandedWidth);
    EXPECT_TRUE(window->TreeView1->isVisible());
    EXPECT_EQ(window->NavigationPanel1->toolTip(),
              QStringLiteral("Selecione o item correspondente a página"));
}

TEST_F(MainWindow, HintsShowInTheStatusBar) {
    start({writeReport(QStringLiteral("report.txt"), 1)});
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(window->butprint, &enter);
    EXPECT_EQ(window->StatusPanel->text(), QStringLiteral("Imprimir"));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(window->butprint, &leave);
    EXPECT_EQ(window->StatusPanel->text(), QString());
    EXPECT_EQ(window->StatusPanel->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
}

} // namespace
} // namespace rl::test

namespace rl::test {
namespace {

// The window and the batch mode compose through the same session: the same
// file and settings give the same pages, byte for byte as they are spilled.
TEST_F(MainWindow, WindowAndBatchCompositionGiveTheSamePages) {
    const QString report = writeReport(QStringLiteral("same.txt"), 3);
    const QString settings = dir.filePath(QStringLiteral("program-preview.ini"));
    writeFile(settings, "[config]\r\npapel=A4\r\n");
    const QStringList arguments{report, QStringLiteral("255"), QStringLiteral("paisagem")};
    start(arguments);
    ReportSession batch(ReportSession::StartupValuesFor(arguments, settings), settings);
    ASSERT_TRUE(batch.Compose());
    ASSERT_EQ(batch.PageCount(), session->PageCount());
    for (int i = 0; i < batch.PageCount(); ++i) {
        const QByteArray windowPage = session->Pages().Pages(i)->SaveToBytes();
        EXPECT_EQ(batch.Pages().Pages(i)->SaveToBytes(), windowPage) << "page " << i + 1;
    }
}

// The dot-matrix print from the window and --draft give the same bytes for a
// landscape report on the 132-column form: the window does not tell the
// filter the report's orientation (which scaled the columns differently).
TEST_F(MainWindow, DotMatrixPrintAndDraftGiveTheSameBytes) {
    // No printer, whatever the machine has: both paths take the fallback sheet.
    struct NoCups {
        explicit NoCups(const QString& socket) {
            qputenv("CUPS_SERVER", QFile::encodeName(socket));
            TRLPrinterWrapper::resetInstance();
        }
        ~NoCups() {
            qunsetenv("CUPS_SERVER");
            TRLPrinterWrapper::resetInstance();
        }
    } const noCups(dir.filePath(QStringLiteral("no-cups.sock")));
    const QString report = writeReport(QStringLiteral("wide.txt"), 2);
    const QString settings = dir.filePath(QStringLiteral("program-preview.ini"));
    // A centred head picture: the text starts at the printer's margin in any
    // scale, the picture does not.
    QImage logo(120, 40, QImage::Format_RGB32);
    logo.fill(Qt::black);
    const QString picture = dir.filePath(QStringLiteral("logo.png"));
    ASSERT_TRUE(logo.save(picture));
    writeFile(settings, "[config]\r\nfigura=" + picture.toUtf8() + "\r\n");
    const QStringList arguments{report, QStringLiteral("132"), QStringLiteral("paisagem")};
    start(arguments);

    struct ChooseMatrix : ScriptedDialogPresenter {
        bool execDialog(QWidget* dialog) override {
            dialog->findChild<QComboBox*>(QStringLiteral("ComboBoxFilter"))
                ->setCurrentText("Impressora Matricial");
            dialog->findChild<QComboBox*>(QStringLiteral("ComboBoxOption"))->setCurrentText("132 cols");
            return true;
        }
    } matrix;
    const ScopedDialogPresenter chosen(matrix);
    const QString fromWindow = dir.filePath(QStringLiteral("window.prn"));
    composer->RLDraftFilter1->SetDeviceKind(dkFileName);
    composer->RLDraftFilter1->SetDevicePath(fromWindow);
    window->butprintClick();

    ReportSession batch(ReportSession::StartupValuesFor(arguments, settings), settings);
    ASSERT_TRUE(batch.Compose());
    const QString fromDraft = dir.filePath(QStringLiteral("draft.prn"));
    batch.PrintDraft(fromDraft, 1, -1, 2);
    const QByteArray expected = readFile(fromDraft);
    ASSERT_GT(expected.size(), 100);
    EXPECT_EQ(readFile(fromWindow), expected) << firstDifference(expected, readFile(fromWindow));
    EXPECT_TRUE(messages.requests.empty());
}

} // namespace
} // namespace rl::test
