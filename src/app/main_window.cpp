#include "app/main_window.h"

#include "app/cursors.h"
#include "app/email_dialog.h"
#include "app/find_bar.h"
#include "app/navigation_panel.h"
#include "app/window_glyphs.h"
#include "composer/composer_form.h"
#include "composer/page_setup_dialog.h"
#include "composer/report_session.h"
#include "export/table_save_filter.h"
#include "pagestore/graphic_storage.h"
#include "pagestore/picture_data.h"
#include "platform/dialog_presenter.h"
#include "platform/error.h"
#include "platform/error_log.h"
#include "platform/launcher.h"
#include "platform/message_presenter.h"
#include "platform/version.h"
#include "platform/windows1252.h"
#include "preview/preview.h"
#include "print/save_dialog.h"
#include "print/save_params.h"
#include "report/custom_band.h"
#include "report/custom_label.h"
#include "report/custom_report.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <cmath>
#include <exception>

namespace rl {

const QString TForm1::kTextFilter = QStringLiteral("Arquivos Texto|*.txt|Todos os arquivos|*");
const QString TForm1::kPictureFilter = QStringLiteral(
    "Todos "
    "(*.apf;*.gif;*.gif;*.ani;*.pcx;*.jpg;*.jpeg;*.png;*.bmp;*.ico;*.emf;*.wmf)|*.apf;*.gif;*.gif;*.ani;*."
    "pcx;"
    "*.jpg;*.jpeg;*.png;*.bmp;*.ico;*.emf;*.wmf|APRO APF Format (*.apf)|*.apf|CompuServe GIF Image "
    "(*.gif)|*.gif|"
    "CompuServe GIF Image (*.gif)|*.gif|ANI Image (*.ani)|*.ani|PCX Image (*.pcx)|*.pcx|JPEG Image File "
    "(*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|PNG Image (*.png)|*.png|Bitmaps (*.bmp)|*.bmp|Icons "
    "(*.ico)|*.ico|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf");

namespace {

const QString kRootCaption = QStringLiteral("Páginas");

QFont toQFont(const SurfaceFont& font) {
    QFont result(fromWindows1252(font.Name));
    result.setPointSize(font.Size > 0 ? font.Size : 8);
    result.setBold(font.Style & fsBold);
    result.setItalic(font.Style & fsItalic);
    result.setUnderline(font.Style & fsUnderline);
    result.setStrikeOut(font.Style & fsStrikeOut);
    return result;
}

// The chosen face, size and style; colour, character set and pitch stay as they were.
SurfaceFont fromQFont(const QFont& font, SurfaceFont base) {
    const QByteArray name = toWindows1252(font.family());
    base.Name.assign(name.constData(), size_t(name.size()));
    if (font.pointSize() > 0)
        base.Size = font.pointSize();
    else if (font.pixelSize() > 0)
        base.Size = std::max(1, int(std::lround(font.pixelSize() * 72.0 / 96.0)));
    std::uint8_t style = 0;
    if (font.bold()) style |= fsBold;
    if (font.italic()) style |= fsItalic;
    if (font.underline()) style |= fsUnderline;
    if (font.strikeOut()) style |= fsStrikeOut;
    base.Style = style;
    return base;
}

QIcon nodeIcon(int normalImage, int selectedImage) {
    QIcon icon;
    icon.addPixmap(WindowGlyphs::NodeImage(normalImage), QIcon::Normal);
    icon.addPixmap(WindowGlyphs::NodeImage(selectedImage), QIcon::Selected);
    return icon;
}

} // namespace

TForm1::TForm1(ReportSession& session, QWidget* parent) : QMainWindow(parent), session_(session) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Relantomador de relatórios - versão ") + ExeVersionString());
    rootIcon_ = nodeIcon(0, 1);
    pageIcon_ = nodeIcon(3, 2);

    Cursors::LoadViewerCursors();
    CreateToolBar();
    CreateBody();
    CreateMenus();

    // Until there are pages to show, the window shows neither the preview nor
    // the page tree (checapaginas brings them up).
    NavigationPanel1->setVisible(false);
    RLPreview1->setVisible(false);
    RLPreview1->SetToolCursors(TRLPreview::Tool::Hand, Cursors::Get(crHand1), Cursors::Get(crHand2));
    RLPreview1->SetToolCursors(TRLPreview::Tool::Zoom, Cursors::Get(crZoom1), Cursors::Get(crZoom2));
    RLPreview1->SetToolCursors(TRLPreview::Tool::Select, QCursor(Qt::IBeamCursor), QCursor(Qt::IBeamCursor));
    RLPreview1->SetTool(TRLPreview::Tool::Hand);
    // The zoom tool's zoom shows in the zoom box.
    RLPreview1->OnToolZoom = [this](TRLPreview* preview) {
        ComboBox1->setEditText(QString::number(std::lround(preview->ZoomFactor())));
    };
    connect(&session_, &ReportSession::PagesChanged, this, [this] { FindBar1->Invalidate(); });
    FindBar1->BeforeSearch = [this] { WaitForWholeReport(); };
    Edit1->setFocus();

    qApp->installEventFilter(this);
    connect(&session_, &ReportSession::RunningChanged, this, &TForm1::RunningChanged);
}

TForm1::~TForm1() {
    if (qApp) qApp->removeEventFilter(this);
    // The preview goes before the window's other children, so that any view
    // change it reports while going finds the window whole.
    RLPreview1->OnChangeView = nullptr;
    RLPreview1->OnResize = nullptr;
}

TForm2& TForm1::Composer() const {
    return session_.Composer();
}

// ---------------------------------------------------------------- construction

QToolButton* TForm1::AddToolButton(const QString& name, const QString& hint, const QIcon& icon) {
    auto* button = new QToolButton(ToolBar1);
    button->setObjectName(name);
    button->setIcon(icon);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    if (!hint.isEmpty()) {
        button->setToolTip(hint);
        button->setStatusTip(hint);
    }
    ToolBar1->addWidget(button);
    return button;
}

void TForm1::CreateToolBar() {
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(20, 20));
    ToolBar1->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    const auto label = [this](const QString& name, const QString& text) {
        auto* result = new QLabel(text, ToolBar1);
        result->setObjectName(name);
        result->setContentsMargins(4, 0, 4, 0);
        ToolBar1->addWidget(result);
        return result;
    };
    using B = WindowGlyphs::Button;

    SpeedButton2 =
        AddToolButton(QStringLiteral("SpeedButton2"), QStringLiteral("Exibir\\Ocultar Painel de Navegação"),
                      WindowGlyphs::ButtonIcon(B::Panel));
    SpeedButton2->setCheckable(true);
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });

    butprint = AddToolButton(QStringLiteral("butprint"), QStringLiteral("Imprimir"),
                             WindowGlyphs::ButtonIcon(B::Print));
    connect(butprint, &QToolButton::clicked, this, [this] { butprintClick(); });
    ToolBar1->addSeparator();

    Label4 = label(QStringLiteral("Label4"), QStringLiteral("zoom"));
    ComboBox1 = new QComboBox(ToolBar1);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    // The box applies exactly what is typed: no completion from the list
    // ("20" would become "200"), and the wheel turns it only while it has focus.
    ComboBox1->setCompleter(nullptr);
    ComboBox1->setFocusPolicy(Qt::StrongFocus);
    ComboBox1->addItems({QStringLiteral("200"), QStringLiteral("100"), QStringLiteral("80"),
                         QStringLiteral("60"), QStringLiteral("40")});
    ComboBox1->setCurrentIndex(1);
    ComboBox1->setToolTip(QStringLiteral("zoom da página"));
    ComboBox1->setStatusTip(QStringLiteral("zoom da página"));
    ComboBox1->setMinimumContentsLength(4);
    ComboBox1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ToolBar1->addWidget(ComboBox1);
    // The box reacts to the user's typing and choosing, not to the program
    // setting its text (the zoom menu items apply the zoom themselves).
    connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this, [this] { ComboBox1Change(); });
    connect(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Change(); });
    Label2 = label(QStringLiteral("Label2"), QStringLiteral("%"));
    ToolBar1->addSeparator();

    butfirst = AddToolButton(QStringLiteral("butfirst"), QStringLiteral("Primeira Página"),
                             WindowGlyphs::ButtonIcon(B::First));
    connect(butfirst, &QToolButton::clicked, this, [this] { butfirstClick(); });
    butprior = AddToolButton(QStringLiteral("butprior"), QStringLiteral("Página Anterior"),
                             WindowGlyphs::ButtonIcon(B::Prior));
    connect(butprior, &QToolButton::clicked, this, [this] { butpriorClick(); });
    Label3 = label(QStringLiteral("Label3"), QStringLiteral("Página"));
    Edit1 = new QLineEdit(ToolBar1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setToolTip(QStringLiteral("Página Atual"));
    Edit1->setStatusTip(QStringLiteral("Página Atual"));
    Edit1->setFixedWidth(Edit1->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
    Edit1->setAlignment(Qt::AlignRight);
    // Digits only, whether typed, pasted or dropped.
    Edit1->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), Edit1));
    ToolBar1->addWidget(Edit1);
    connect(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(); });
    Label1 = label(QStringLiteral("Label1"), QStringLiteral("de"));
    butnext = AddToolButton(QStringLiteral("butnext"), QStringLiteral("Próxima Página"),
                            WindowGlyphs::ButtonIcon(B::Next));
    connect(butnext, &QToolButton::clicked, this, [this] { butnextClick(); });
    butlast = AddToolButton(QStringLiteral("butlast"), QStringLiteral("Última Página"),
                            WindowGlyphs::ButtonIcon(B::Last));
    connect(butlast, &QToolButton::clicked, this, [this] { butlastClick(); });
    ToolBar1->addSeparator();

    // The preview's tools: one group, the hand down.
    ButHand = AddToolButton(QStringLiteral("ButHand"), QString(), WindowGlyphs::ButtonIcon(B::Hand));
    ButZoom = AddToolButton(QStringLiteral("ButZoom"), QString(), WindowGlyphs::ButtonIcon(B::Zoom));
    ButSelect = AddToolButton(QStringLiteral("ButSelect"), QStringLiteral("Selecionar"),
                              WindowGlyphs::ButtonIcon(B::Select));
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    for (QToolButton* button : {ButHand, ButZoom, ButSelect}) {
        button->setCheckable(true);
        group->addButton(button);
    }
    ButHand->setChecked(true);
    connect(ButHand, &QToolButton::clicked, this, [this] { ButHandClick(); });
    connect(ButZoom, &QToolButton::clicked, this, [this] { ButZoomClick(); });
    connect(ButSelect, &QToolButton::clicked, this, [this] { ButSelectClick(); });
    ToolBar1->addSeparator();

    SpeedButton1 = AddToolButton(QStringLiteral("SpeedButton1"), QStringLiteral("Fechar"),
                                 WindowGlyphs::ButtonIcon(B::Close));
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { close(); });
}

void TForm1::CreateBody() {
    auto* body = new QWidget(this);
    body->setObjectName(QStringLiteral("Body"));
    auto* layout = new QHBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    NavigationPanel1 = new NavigationPanel(QStringLiteral("Painel de Navegação"), body);
    NavigationPanel1->setObjectName(QStringLiteral("NavigationPanel1"));
    NavigationPanel1->setToolTip(QStringLiteral("Selecione o item correspondente a página"));
    NavigationPanel1->setStatusTip(QStringLiteral("Selecione o item correspondente a página"));
    TreeView1 = new QTreeWidget;
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setColumnCount(1);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeView1->setIconSize(QSize(WindowGlyphs::kNodeImageSize, WindowGlyphs::kNodeImageSize));
    TreeView1->setUniformRowHeights(true);
    QPalette white = TreeView1->palette();
    white.setColor(QPalette::Base, Qt::white);
    TreeView1->setPalette(white);
    NavigationPanel1->setContent(TreeView1);
    connect(TreeView1, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* node) { TreeView1Change(node); });
    layout->addWidget(NavigationPanel1);

    RLPreview1 = new TRLPreview(body);
    RLPreview1->setObjectName(QStringLiteral("RLPreview1"));
    RLPreview1->OnChangeView = [this](TRLPreview*) { checapaginas(); };
    RLPreview1->OnResize = [this](TRLPreview*) {
        SaveScrollPositions();
        RLPreview1->viewport()->update();
        RestoreScrollPositions();
    };
    layout->addWidget(RLPreview1, 1);
    setCentralWidget(body);

    addToolBarBreak(Qt::TopToolBarArea);
    FindBar1 = new FindBar(RLPreview1, this);
    addToolBar(Qt::TopToolBarArea, FindBar1);
    FindBar1->setVisible(false);
    FindBar1->OnNotice = [this](const QString& text) { StatusPanel->setText(text); };
    FindBar1->OnClosed = [this] { Edit1->setFocus(); };

    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    StatusPanel = new QLabel(status);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusPanel->setAlignment(Qt::AlignCenter);
    StatusPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusPanel->setMinimumHeight(StatusPanel->fontMetrics().height() + 6);
    status->addWidget(StatusPanel, 1);
    setStatusBar(status);
}

QAction* TForm1::AddMenuItem(QMenu* menu, const QString& name, const QString& caption, bool enabled) {
    auto* item = new QAction(caption, menu);
    item->setObjectName(name);
    item->setEnabled(enabled);
    menu->addAction(item);
    menuItems_.push_back(item);
    return item;
}

QMenu* TForm1::AddMenu(QWidget* parentMenu, const QString& name, const QString& caption, bool enabled) {
    QMenu* menu = nullptr;
    if (auto* bar = qobject_cast<QMenuBar*>(parentMenu))
        menu = bar->addMenu(caption);
    else
        menu = static_cast<QMenu*>(parentMenu)->addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    menu->menuAction()->setEnabled(enabled);
    menuItems_.push_back(menu->menuAction());
    return menu;
}

void TForm1::CreateMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    Arquivo1 = AddMenu(bar, QStringLiteral("Arquivo1"), QStringLiteral("Arquivo"), true);
    SalvarComo1 =
        AddMenuItem(Arquivo1, QStringLiteral("SalvarComo1"), QStringLiteral("&Salvar Como..."), false);
    Abrir1 = AddMenuItem(Arquivo1, QStringLiteral("Abrir1"), QStringLiteral("&Abrir"), true);
    Imprimir1 = AddMenuItem(Arquivo1, QStringLiteral("Imprimir1"), QStringLiteral("Imprimir"), true);
    // The "-" item is a separator; Qt would draw a separator's text beside its
    // line, so it has none.
    N1 = AddMenuItem(Arquivo1, QStringLiteral("N1"), QString(), true);
    N1->setSeparator(true);
    Sair1 = AddMenuItem(Arquivo1, QStringLiteral("Sair1"), QStringLiteral("&Sair"), true);
    connect(SalvarComo1, &QAction::triggered, this, [this] { SalvarComo1Click(); });
    connect(Abrir1, &QAction::triggered, this, [this] { Abrir1Click(); });
    connect(Imprimir1, &QAction::triggered, this, [this] { Imprimir1Click(); });
    connect(Sair1, &QAction::triggered, this, [this] { close(); });

    Eventuais1 = AddMenu(bar, QStringLiteral("Eventuais1"), QStringLiteral("Eventuais"), false);
    Zoom1 = AddMenu(Eventuais1, QStringLiteral("Zoom1"), QStringLiteral("Zoom"), true);
    const struct {
        QAction** item;
        const char* name;
        int percent;
    } zooms[] = {{&N2001, "N2001", 200},
                 {&N1001, "N1001", 100},
                 {&N801, "N801", 80},
                 {&N601, "N601", 60},
                 {&N401, "N401", 40}};
    for (const auto& zoom : zooms) {
        *zoom.item =
            AddMenuItem(Zoom1, QString::fromLatin1(zoom.name), QString::number(zoom.percent) + u'%', true);
        const int percent = zoom.percent;
        connect(*zoom.item, &QAction::triggered, this, [this, percent] { ZoomMenuClick(percent); });
    }
    Enviar1 = AddMenu(Eventuais1, QStringLiteral("Enviar1"), QStringLiteral("&Enviar"), true);
    Email1 = AddMenuItem(Enviar1, QStringLiteral("Email1"), QStringLiteral("E-mail"), true);
    connect(Email1, &QAction::triggered, this, [this] { Email1Click(); });
    Exportarpara1 =
        AddMenu(Eventuais1, QStringLiteral("Exportarpara1"), QStringLiteral("E&xportar para..."), true);
    Word1 = AddMenuItem(Exportarpara1, QStringLiteral("Word1"), QStringLiteral("Word"), false);
    Excel1 = AddMenuItem(Exportarpara1, QStringLiteral("Excel1"), QStringLiteral("Excel"), false);
    BlocodeNotas1 =
        AddMenuItem(Exportarpara1, QStringLiteral("BlocodeNotas1"), QStringLiteral("Bloco de Notas"), false);
    WordPad1 = AddMenuItem(Exportarpara1, QStringLiteral("WordPad1"), QStringLiteral("WordPad"), false);
    InternetExplorerHTML1 = AddMenuItem(Exportarpara1, QStringLiteral("InternetExplorerHTML1"),
                                        QStringLiteral("Internet Explorer (HTML)"), false);
    for (QAction* item : {Word1, Excel1, BlocodeNotas1, WordPad1, InternetExplorerHTML1})
        connect(item, &QAction::triggered, this, [this, item] { ExportClick(item); });

    Fonte1 = AddMenu(bar, QStringLiteral("Fonte1"), QStringLiteral("Fonte"), false);
    Alterar1 = AddMenuItem(Fonte1, QStringLiteral("Alterar1"), QStringLiteral("Alterar"), true);
    connect(Alterar1, &QAction::triggered, this, [this] { Alterar1Click(); });

    Visualizacao1 = AddMenu(bar, QStringLiteral("Visualizacao1"), QStringLiteral("Visualização"), true);
    Retrato1 = AddMenuItem(Visualizacao1, QStringLiteral("Retrato1"), QStringLiteral("Retrato"), true);
    Paisagem1 = AddMenuItem(Visualizacao1, QStringLiteral("Paisagem1"), QStringLiteral("Paisagem"), true);
    connect(Retrato1, &QAction::triggered, this, [this] { Retrato1Click(); });
    connect(Paisagem1, &QAction::triggered, this, [this] { Paisagem1Click(); });

    Figura1 = AddMenu(bar, QStringLiteral("Figura1"), QStringLiteral("Figura"), false);
    Inserir1 = AddMenuItem(Figura1, QStringLiteral("Inserir1"), QStringLiteral("Inserir"), true);
    Remover1 = AddMenuItem(Figura1, QStringLiteral("Remover1"), QStringLiteral("Remover"), true);
    connect(Inserir1, &QAction::triggered, this, [this] { Inserir1Click(); });
    connect(Remover1, &QAction::triggered, this, [this] { Remover1Click(); });

    // Two menus without items: clicking the title is the command.
    Configuracoes1 = new QAction(QStringLiteral("Configurações"), bar);
    Configuracoes1->setObjectName(QStringLiteral("Configuracoes1"));
    Configuracoes1->setEnabled(false);
    bar->addAction(Configuracoes1);
    menuItems_.push_back(Configuracoes1);
    connect(Configuracoes1, &QAction::triggered, this, [this] { Configuracoes1Click(); });
    Pesquisar1 = AddMenu(bar, QStringLiteral("Pesquisar1"), QStringLiteral("Pesquisar"), false);
    Localizar1 = AddMenuItem(Pesquisar1, QStringLiteral("Localizar1"), QStringLiteral("Localizar..."), true);
    LocalizarProxima1 = AddMenuItem(Pesquisar1, QStringLiteral("LocalizarProxima1"),
                                    QStringLiteral("Localizar próxima"), true);
    LocalizarAnterior1 = AddMenuItem(Pesquisar1, QStringLiteral("LocalizarAnterior1"),
                                     QStringLiteral("Localizar anterior"), true);
    Localizar1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    LocalizarProxima1->setShortcut(QKeySequence(Qt::Key_F3));
    LocalizarAnterior1->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    connect(Localizar1, &QAction::triggered, this, [this] { FindBar1->Open(); });
    connect(LocalizarProxima1, &QAction::triggered, this, [this] { FindBar1->FindNext(); });
    connect(LocalizarAnterior1, &QAction::triggered, this, [this] { FindBar1->FindPrevious(); });
}

// ---------------------------------------------------------------- composer view

void TForm1::RebuildPageTree(int pageCount) {
    const QSignalBlocker blocker(TreeView1);
    pageCount = std::max(0, pageCount);
    QTreeWidgetItem* root = TreeView1->topLevelItemCount() == 1 ? TreeView1->topLevelItem(0) : nullptr;
    if (!root) {
        TreeView1->clear();
        root = new QTreeWidgetItem(QStringList(kRootCaption));
        root->setIcon(0, rootIcon_);
        TreeView1->addTopLevelItem(root);
    }
    // Node i is page i whatever came before, so the nodes already there are
    // kept: a tree that grows while pages arrive keeps its place.
    while (root->childCount() > pageCount)
        delete root->takeChild(root->childCount() - 1);
    QList<QTreeWidgetItem*> pages;
    pages.reserve(pageCount - root->childCount());
    for (int i = root->childCount() + 1; i <= pageCount; ++i) {
        auto* page = new QTreeWidgetItem(QStringList(QString::number(i)));
        page->setIcon(0, pageIcon_);
        pages.append(page);
    }
    root->addChildren(pages);
    root->setExpanded(true);
}

void TForm1::GenerationProgress(int pageCount, bool finished) {
    RebuildPageTree(pageCount);
    RLPreview1->PagesChanged(finished);
    checapaginas();
}

void TForm1::WaitForPages(int pageNumber) {
    if (!session_.Generating() || pageNumber < 1) return;
    const TRLGraphicStorage* store = RLPreview1->Storage();
    if (store && store->PageCount() >= pageNumber) return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    session_.GenerateUntilPage(pageNumber);
    QGuiApplication::restoreOverrideCursor();
}

void TForm1::WaitForWholeReport() {
    if (!session_.Generating()) return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    session_.CompleteGeneration();
    QGuiApplication::restoreOverrideCursor();
}

void TForm1::ShowWindow() {
    // Maximised, and as large as the screen where no window manager maximises it.
    if (QScreen* screen = this->screen()) setGeometry(screen->availableGeometry());
    showMaximized();
    Edit1->setFocus();
}

void TForm1::checapaginas() {
    const TRLGraphicStorage* store = RLPreview1->Storage();
    const int pageCount = store ? store->PageCount() : 0;
    if (pageCount > 0 && RLPreview1->isHidden()) {
        ComboBox1Change();
        NavigationPanel1->setVisible(true);
        SpeedButton2->setChecked(true);
        RLPreview1->setVisible(true);
    }
    // The number shown is read again here: setting the box navigates, which may
    // come back here before this call goes on.
    Edit1->setText(QString::number(RLPreview1->CurrentPageNumber()));
    const int current = RLPreview1->CurrentPageNumber();
    // While pages are still being made the count is not final yet.
    const bool growing = session_.Generating();
    Label1->setText(QStringLiteral("de ") + QString::number(pageCount) + (growing ? QStringLiteral("…") : QString()));
    if (pageCount > 0 && !SalvarComo1->isEnabled() && pageCount == Composer().LoadedPageCount) {
        habilitamenus();
        // The calling program's restrictions outlive a change of text file: the
        // user could otherwise open the restricted report itself and export it.
        ApplyPermissionFlags();
    }
    butfirst->setEnabled(current > 1);
    butprior->setEnabled(current > 1);
    butnext->setEnabled(current < pageCount || growing);
    butlast->setEnabled(current < pageCount || growing);
}

void TForm1::habilitamenus() {
    if (session_.Running()) {
        enableMenusAfterRun_ = true;
        return;
    }
    for (QAction* item : menuItems_)
        item->setEnabled(true);
}

void TForm1::ApplyPermissionFlags() {
    try {
        if (!session_.HasPermissionFlags()) return;
        const bool print = session_.Permits(PrintPermission);
        const bool send = session_.Permits(SendPermission);
        const bool exportAllowed = session_.Permits(ExportPermission);
        butprint->setEnabled(print);
        Imprimir1->setEnabled(print);
        Enviar1->menuAction()->setEnabled(send);
        Exportarpara1->menuAction()->setEnabled(exportAllowed);
        SalvarComo1->setEnabled(exportAllowed);
    } catch (const std::exception& error) {
        ShowErrorBox(QStringLiteral("Erro ao aplicar permissões, erro: ") + ErrorLog::messageOf(error));
    }
}

// ---------------------------------------------------------------- navigation

void TForm1::butfirstClick() {
    RLPreview1->GoToPageNumber(1);
    checapaginas();
}

void TForm1::butpriorClick() {
    RLPreview1->GoToPageNumber(RLPreview1->CurrentPageNumber() - 1);
    checapaginas();
}

void TForm1::butnextClick() {
    WaitForPages(RLPreview1->CurrentPageNumber() + 1);
    RLPreview1->GoToPageNumber(RLPreview1->CurrentPageNumber() + 1);
    checapaginas();
}

void TForm1::butlastClick() {
    WaitForWholeReport();
    const TRLGraphicStorage* store = RLPreview1->Storage();
    RLPreview1->GoToPageNumber(store ? store->PageCount() : 0);
    checapaginas();
}

void TForm1::Edit1Change() {
    const QString text = Edit1->text();
    if (text.isEmpty()) return;
    bool ok = false;
    const int page = text.toInt(&ok);
    // Only digits can be typed; anything else (pasted text, a number too large) is no page.
    if (!ok) return;
    // A page not made yet is waited for; past the end nothing happens, as ever.
    WaitForPages(page);
    RLPreview1->GoToPageNumber(page);
    checapaginas();
    if (TreeView1->topLevelItemCount() == 0) return;
    QTreeWidgetItem* root = TreeView1->topLevelItem(0);
    if (root->childCount() == 0) return;
    // Node i of the tree is page i (the root is node 0).
    const int node = Edit1->text().toInt(&ok);
    if (!ok || node < 0 || node > root->childCount()) return;
    TreeView1->setCurrentItem(node == 0 ? root : root->child(node - 1));
}

void TForm1::TreeView1Change(QTreeWidgetItem* node) {
    if (!node || node->text(0) == kRootCaption) return;
    Edit1->setText(node->text(0));
}

void TForm1::FormKeyDown(int key) {
    switch (key) {
    case Qt::Key_Escape:
        close();
        break;
    // The page keys act even while their buttons are disabled; the preview
    // ignores a page outside the report.
    case Qt::Key_Home:
        butfirstClick();
        break;
    case Qt::Key_End:
        butlastClick();
        break;
    case Qt::Key_PageDown:
        butnextClick();
        break;
    case Qt::Key_PageUp:
        butpriorClick();
        break;
    case Qt::Key_Left:
        RLPreview1->SetHorzScrollPosition(RLPreview1->HorzScrollPosition() - 10);
        break;
    case Qt::Key_Right:
        RLPreview1->SetHorzScrollPosition(RLPreview1->HorzScrollPosition() + 10);
        break;
    case Qt::Key_Up:
        RLPreview1->SetVertScrollPosition(RLPreview1->VertScrollPosition() - 12);
        break;
    case Qt::Key_Down:
        RLPreview1->SetVertScrollPosition(RLPreview1->VertScrollPosition() + 12);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- zoom

void TForm1::SaveScrollPositions() {
    savedHorzScroll_ = RLPreview1->HorzScrollPosition();
    savedVertScroll_ = RLPreview1->VertScrollPosition();
}

void TForm1::RestoreScrollPositions() {
    RLPreview1->SetHorzScrollPosition(savedHorzScroll_);
    RLPreview1->SetVertScrollPosition(savedVertScroll_);
}

void TForm1::ComboBox1Change() {
    const QString text = ComboBox1->currentText();
    if (text.isEmpty()) return;
    try {
        SaveScrollPositions();
        bool ok = false;
        const int percent = text.toInt(&ok);
        // A number too large for the box (or pasted text) is ignored like any
        // zoom that cannot be applied.
        if (!ok) return;
        RLPreview1->SetZoomFactor(percent);
        RestoreScrollPositions();
    } catch (const std::exception&) {
    }
}

void TForm1::ZoomMenuClick(int percent) {
    ComboBox1->setEditText(QString::number(percent));
    RLPreview1->SetZoomFactor(percent);
}

// ---------------------------------------------------------------- panel and cursors

void TForm1::SpeedButton2Click() {
    NavigationPanel1->setVisible(NavigationPanel1->isHidden());
    SpeedButton2->setChecked(!NavigationPanel1->isHidden());
}

void TForm1::ButHandClick() {
    RLPreview1->SetTool(TRLPreview::Tool::Hand);
}

void TForm1::ButZoomClick() {
    RLPreview1->SetTool(TRLPreview::Tool::Zoom);
}

void TForm1::ButSelectClick() {
    RLPreview1->SetTool(TRLPreview::Tool::Select);
}

// ---------------------------------------------------------------- file, font, picture, orientation

void TForm1::Abrir1Click() {
    const DialogPresenter::ReportFileChoice choice =
        DialogPresenter::current().getOpenReportFile(this, kTextFilter, session_.Values().Encoding);
    if (choice.path.isEmpty()) return;
    session_.OpenReport(choice.path, choice.encoding);
    if (Composer().LoadedPageCount > 0) Edit1->setText(QStringLiteral("1"));
}

void TForm1::Inserir1Click() {
    const QString path = DialogPresenter::current().getOpenFileName(this, kPictureFilter);
    if (path.isEmpty() || !QFileInfo::exists(path)) return;
    try {
        // Read once here: a folder, an unreadable or a damaged file is refused
        // now, rather than named in a message by every page that would print it.
        session_.SetPicture(path);
    } catch (const std::exception&) {
        ShowPlainMessage(QStringLiteral("Tipo de arquivo inválido!"));
    }
}

void TForm1::Remover1Click() {
    session_.RemovePicture();
}

void TForm1::Alterar1Click() {
    const std::optional<QFont> chosen =
        DialogPresenter::current().getFont(this, toQFont(Composer().RLLabel1->Font));
    if (!chosen) return;
    session_.SetReportFont(fromQFont(*chosen, Composer().RLLabel1->Font));
}

void TForm1::Retrato1Click() {
    session_.SetOrientation(poPortrait);
}

void TForm1::Paisagem1Click() {
    session_.SetOrientation(poLandscape);
}

// Commands that arrive with the print, save, export, e-mail and page setup
// dialogs; their menu items and enabling rules are already in place.
void TForm1::butprintClick() {
    WaitForWholeReport();
    const PrintOutcome outcome = session_.Print(this, butprint);
    // A cancelled print sends nothing; the user is told so, unless leaving.
    if (outcome.kind == PrintOutcome::Cancelled && !outcome.message.isEmpty() && !closeAfterRun_)
        ShowPlainMessage(outcome.message);
}

void TForm1::Imprimir1Click() {
    if (butprint->isEnabled()) butprintClick();
}

namespace {

// A save or export that failed: the user is told, and the log keeps it as it
// keeps every error of a command.
void reportCommandFailure(const QObject* command, const std::exception& error) {
    ErrorLog::logException(command, error);
    ShowErrorBox(ErrorLog::messageOf(error));
}

// Resets the process-wide save parameters however the command ends.
struct SaveParamsReset {
    ~SaveParamsReset() { TRLSaveParams::instance().Reset(); }
};

} // namespace

void TForm1::SalvarComo1Click() {
    WaitForWholeReport(); // the dialog offers every page
    const TRLGraphicStorage* store = RLPreview1->Storage();
    if (!store) return;
    const SaveParamsReset reset;
    // The range is in positions of the store, as the filters count pages.
    TRLSaveParams& params = TRLSaveParams::instance();
    params.Filter = nullptr;
    params.FileName.clear();
    params.MinPage = 1;
    params.FromPage = 1;
    params.SetMaxPage(store->PageCount());
    params.ToPage = store->PageCount();
    TRLSaveDialog dialog(this);
    if (!dialog.Execute(params)) return;
    try {
        const ReportSession::SaveOutcome outcome = session_.SaveWithParams(params);
        // Where the file went, until the next hint takes the status bar.
        if (outcome == ReportSession::SaveOutcome::Saved)
            StatusPanel->setText(QStringLiteral("Relatório salvo em ") +
                                 QDir::toNativeSeparators(QFileInfo(params.FileName).absoluteFilePath()));
        if (outcome == ReportSession::SaveOutcome::NoFilter)
            ShowPlainMessage(
                QStringLiteral("Nada foi salvo: nenhum formato grava \"") +
                QFileInfo(params.FileName).fileName() +
                QStringLiteral("\". Escolha um formato na lista ou um nome terminado em .pdf, .rtf, "
                               ".htm, .html, .xls, .xlsx ou .csv."));
    } catch (const NoTableError& error) {
        // Not a fault of the program: the report is simply not a table.
        ShowPlainMessage(QString::fromUtf8(error.what()));
    } catch (const std::exception& error) {
        reportCommandFailure(SalvarComo1, error);
    }
}

void TForm1::Email1Click() {
    // As the menu: not when the calling program forbids sending.
    if (!Enviar1->menuAction()->isEnabled()) return;
    WaitForWholeReport();
    TForm4 dialog(session_, this);
    DialogPresenter::current().execDialog(&dialog);
}

void TForm1::ExportClick(QAction* item) {
    WaitForWholeReport();
    Launcher& launcher = Launcher::current();
    try {
        // Word and Excel need a word processor or a spreadsheet program;
        // without one nothing is written.
        if (item == Word1 || item == Excel1) {
            const bool word = item == Word1;
            if (!launcher.Installed(word ? LaunchTarget::WordProcessor : LaunchTarget::Spreadsheet)) {
                ErrorLog::logException(item,
                                       Error(word ? "nenhum processador de textos (LibreOffice) instalado"
                                                  : "nenhuma planilha eletrônica (LibreOffice) instalada"));
                MessagePresenter::current().showMessage(
                    {QStringLiteral("Não foi possivel executar esta operação."), QStringLiteral("Erro.."),
                     MessageIcon::Error, MessageButton::Ok, false});
                return;
            }
        }
        QString path;
        LaunchTarget target = LaunchTarget::DefaultApplication;
        if (item == Word1 || item == WordPad1) {
            path = session_.WriteRichTextHandOff();
            if (item == Word1) target = LaunchTarget::WordProcessor;
        } else if (item == InternetExplorerHTML1) {
            path = session_.WriteHtmlHandOff();
        } else if (item == Excel1 || item == BlocodeNotas1) {
            path = session_.WriteTextHandOff();
            target = item == Excel1 ? LaunchTarget::Spreadsheet : LaunchTarget::TextEditor;
        } else {
            return;
        }
        // Cancelled while the file was being made: there is no file to open.
        if (path.isEmpty()) return;
        launcher.Open(target, path);
    } catch (const std::exception& error) {
        reportCommandFailure(item, error);
    }
}

void TForm1::Configuracoes1Click() {
    ShowPageSetup(session_, this);
}

// ---------------------------------------------------------------- events

bool TForm1::event(QEvent* event) {
    // Hints go to the status bar's one centred panel.
    if (event->type() == QEvent::StatusTip) {
        StatusPanel->setText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

bool TForm1::IsAcceptedBoxKey(const QKeyEvent& key) {
    // Keys that type nothing (arrows, Home, Delete, Tab) are not characters and pass.
    switch (key.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
        return true;
    default:
        break;
    }
    const QString text = key.text();
    if (text.isEmpty()) return true;
    for (const QChar ch : text)
        if (ch < u'0' || ch > u'9') return false;
    return true;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // The wheel over the zoom box changes the zoom only while the box has focus.
    if (event->type() == QEvent::Wheel && watched == ComboBox1 && !ComboBox1->hasFocus()) return true;
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != this) return false;
    // Once per key: for the widget it is meant for, not again for each parent it
    // is passed on to when that widget does not take it.
    QWidget* focus = focusWidget();
    if (focus ? widget != focus && widget != focus->focusProxy() : widget != this) return false;

    auto* key = static_cast<QKeyEvent*>(event);
    const bool zoomBox = widget == ComboBox1 || widget == ComboBox1->lineEdit();
    // Ctrl+C copies the text selected in the page, else the page shown, unless
    // the user selected text in a box to copy.
    if (key->matches(QKeySequence::Copy)) {
        const auto* edit = qobject_cast<const QLineEdit*>(widget);
        if (!(edit && edit->hasSelectedText()) &&
            (RLPreview1->CopySelectedText() || RLPreview1->CopyCurrentPage()))
            return true;
    }
    // The find bar's keys are its own: Escape closes it, not the window.
    if (FindBar1->isAncestorOf(widget)) return FindBar1->HandleKey(*key);
    FormKeyDown(key->key());
    if (zoomBox) {
        switch (key->key()) {
        // Stepping through the list would change the zoom.
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Edit1->setFocus();
            return true;
        default:
            break;
        }
    }
    if ((zoomBox || widget == Edit1) && !IsAcceptedBoxKey(*key)) return true;
    return false;
}

std::vector<QAction*> TForm1::RunConflictingCommands() const {
    // Navigation, zoom and closing stay: they change neither the pages nor the
    // run. The items themselves go too, not only their menus: an item can be
    // triggered without its menu.
    std::vector<QAction*> commands{SalvarComo1, Abrir1, Imprimir1, Configuracoes1};
    for (QMenu* menu : {Enviar1, Exportarpara1, Fonte1, Visualizacao1, Figura1}) {
        commands.push_back(menu->menuAction());
        for (QAction* item : menu->actions())
            commands.push_back(item);
    }
    return commands;
}

void TForm1::RunningChanged(bool running) {
    if (running) {
        enabledBeforeRun_.clear();
        for (QAction* command : RunConflictingCommands()) {
            enabledBeforeRun_.emplace_back(command, command->isEnabled());
            command->setEnabled(false);
        }
        printEnabledBeforeRun_ = butprint->isEnabled();
        butprint->setEnabled(false);
        return;
    }
    for (const auto& [command, enabled] : enabledBeforeRun_)
        command->setEnabled(enabled);
    enabledBeforeRun_.clear();
    butprint->setEnabled(printEnabledBeforeRun_);
    if (enableMenusAfterRun_) {
        enableMenusAfterRun_ = false;
        habilitamenus();
    }
    // Closed during the run: now that it has ended, close for good.
    if (closeAfterRun_) QTimer::singleShot(0, this, &QWidget::close);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (session_.Running()) {
        // The run is stopped first, and the window closes when it has ended
        // (RunningChanged); closing now would leave it going with no window.
        closeAfterRun_ = true;
        session_.CancelRun();
        event->ignore();
        return;
    }
    // Pages still being made are not waited for: the generation ends here.
    session_.StopGeneration();
    DeleteReportFile();
    QMainWindow::closeEvent(event);
}

void TForm1::DeleteReportFile() {
    const QString path = session_.Values().ReportFilePath;
    if (path.isEmpty() || session_.Values().KeepReportFile) return;
    // Another program may hold the file for a moment; try again a few times, but
    // never keep the window from closing.
    QString reason;
    for (int attempt = 0; attempt < kDeleteAttempts; ++attempt) {
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) return;
        QFile file(path);
        if (file.remove()) return;
        reason = file.errorString();
        QThread::msleep(kDeleteRetryMs);
    }
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) return;
    ErrorLog::append(QStringLiteral("não foi possível apagar o arquivo ") + path + QStringLiteral(": ") +
                         reason,
                     objectName());
}

} // namespace rl
