#pragma once

#include "composer/composer_view.h"

#include <QIcon>
#include <QMainWindow>

#include <utility>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace rl {

class FindBar;
class NavigationPanel;
class ReportSession;
class TForm2;
class TRLPreview;

// The main viewer window: the preview of the generated pages with the toolbar,
// the menus, the page tree and the keyboard handling.
//
// Created and owned by the composer (through the session's view factory); every
// command that changes the report goes through the report session. Closing it deletes the report file named
// on the command line; the application ends when it closes (last window).
//
// Keys reach the window before the focused control: the window watches the
// application's key presses addressed to its focused widget (or to itself when
// nothing has the focus), acts on them, and lets the control have them after.
class TForm1 : public QMainWindow, public ComposerView {
    Q_OBJECT
public:
    // The picture dialog's filter, as the program has always offered it.
    static const QString kPictureFilter;
    static const QString kTextFilter;
    // Deleting the report file is tried this often, kDeleteRetryMs apart, before
    // the file is left where it is and the failure logged.
    static constexpr int kDeleteAttempts = 10;
    static constexpr int kDeleteRetryMs = 20;

    explicit TForm1(ReportSession& session, QWidget* parent = nullptr);
    ~TForm1() override;

    ReportSession& Session() const { return session_; }
    TForm2& Composer() const;

    // ---- ComposerView
    TRLPreview* Preview() override { return RLPreview1; }
    void RebuildPageTree(int pageCount) override;
    void ShowWindow() override;
    void checapaginas() override;
    void GenerationProgress(int pageCount, bool finished) override;
    void habilitamenus() override;
    void ApplyPermissionFlags() override;

    // ---- toolbar
    QToolBar* ToolBar1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* butprint = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLabel* Label2 = nullptr;
    QToolButton* butfirst = nullptr;
    QToolButton* butprior = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label1 = nullptr;
    QToolButton* butnext = nullptr;
    QToolButton* butlast = nullptr;
    QToolButton* ButHand = nullptr;
    QToolButton* ButZoom = nullptr;
    QToolButton* ButSelect = nullptr; // the block selection tool, "Selecionar"
    QToolButton* SpeedButton1 = nullptr;

    // ---- body
    NavigationPanel* NavigationPanel1 = nullptr;
    QTreeWidget* TreeView1 = nullptr;
    TRLPreview* RLPreview1 = nullptr;
    QLabel* StatusPanel = nullptr; // the status bar's one centred panel
    FindBar* FindBar1 = nullptr;   // under the toolbar, shown by "Localizar..."

    // ---- menus: a menu's own item is its menuAction()
    QMenu* Arquivo1 = nullptr;
    QAction* SalvarComo1 = nullptr;
    QAction* Abrir1 = nullptr;
    QAction* Imprimir1 = nullptr;
    QAction* N1 = nullptr;
    QAction* Sair1 = nullptr;
    QMenu* Eventuais1 = nullptr;
    QMenu* Zoom1 = nullptr;
    QAction* N2001 = nullptr;
    QAction* N1001 = nullptr;
    QAction* N801 = nullptr;
    QAction* N601 = nullptr;
    QAction* N401 = nullptr;
    QMenu* Enviar1 = nullptr;
    QAction* Email1 = nullptr;
    QMenu* Exportarpara1 = nullptr;
    QAction* Word1 = nullptr;
    QAction* Excel1 = nullptr;
    QAction* BlocodeNotas1 = nullptr;
    QAction* WordPad1 = nullptr;
    QAction* InternetExplorerHTML1 = nullptr;
    QMenu* Fonte1 = nullptr;
    QAction* Alterar1 = nullptr;
    QMenu* Visualizacao1 = nullptr;
    QAction* Retrato1 = nullptr;
    QAction* Paisagem1 = nullptr;
    QMenu* Figura1 = nullptr;
    QAction* Inserir1 = nullptr;
    QAction* Remover1 = nullptr;
    QAction* Configuracoes1 = nullptr;
    QMenu* Pesquisar1 = nullptr;
    QAction* Localizar1 = nullptr;
    QAction* LocalizarProxima1 = nullptr;
    QAction* LocalizarAnterior1 = nullptr;

    // Every menu item of the window, top-level menus and separators included.
    const std::vector<QAction*>& MenuItems() const { return menuItems_; }

    // ---- commands (each also reachable through its control)
    void butfirstClick();
    void butpriorClick();
    void butnextClick();
    void butlastClick();
    void butprintClick();
    void SpeedButton2Click();
    void ButHandClick();
    void ButZoomClick();
    void ButSelectClick();
    void Edit1Change();
    void ComboBox1Change();
    void ZoomMenuClick(int percent);
    void TreeView1Change(QTreeWidgetItem* node);
    void FormKeyDown(int key);
    void Abrir1Click();
    void Imprimir1Click();
    void SalvarComo1Click();
    void Email1Click();
    void ExportClick(QAction* item);
    void Alterar1Click();
    void Retrato1Click();
    void Paisagem1Click();
    void Inserir1Click();
    void Remover1Click();
    void Configuracoes1Click();

    // The remembered scroll positions around a zoom or a resize.
    void SaveScrollPositions();
    void RestoreScrollPositions();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Wait, with the wait cursor, for the pages a command needs: up to
    // pageNumber (none below 1), or the whole report. Nothing when generation
    // is done.
    void WaitForPages(int pageNumber);
    void WaitForWholeReport();
    void CreateToolBar();
    void CreateBody();
    void CreateMenus();
    QToolButton* AddToolButton(const QString& name, const QString& hint, const QIcon& icon);
    QAction* AddMenuItem(QMenu* menu, const QString& name, const QString& caption, bool enabled);
    QMenu* AddMenu(QWidget* parentMenu, const QString& name, const QString& caption, bool enabled);
    // Deletes the report file named on the command line, a bounded number of times.
    void DeleteReportFile();
    // While an output runs, the commands that would change the layout or start
    // another output are disabled, and enabled again as they were after it.
    void RunningChanged(bool running);
    // The commands RunningChanged disables (the print button too).
    std::vector<QAction*> RunConflictingCommands() const;
    // Key filter of the page number and zoom boxes: digits, backspace and Enter.
    static bool IsAcceptedBoxKey(const QKeyEvent& key);

    ReportSession& session_;
    std::vector<QAction*> menuItems_;
    QIcon rootIcon_;
    QIcon pageIcon_;
    int savedHorzScroll_ = 0;
    int savedVertScroll_ = 0;
    // The enabled state of each command RunningChanged disabled.
    std::vector<std::pair<QAction*, bool>> enabledBeforeRun_;
    bool printEnabledBeforeRun_ = true;
    // habilitamenus came while an output ran: it applies when the run ends.
    bool enableMenusAfterRun_ = false;
    // The window was closed while an output ran: it closes once the run ends.
    bool closeAfterRun_ = false;
};

} // namespace rl
