#include "composer/page_setup_dialog.h"

#include "composer/composer_form.h"
#include "composer/report_session.h"
#include "pagestore/picture_data.h"
#include "platform/dialog_presenter.h"
#include "platform/error_log.h"
#include "platform/message_presenter.h"
#include "platform/settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace rl {

namespace {

const QString kCustomPaper = QStringLiteral("Customizado");

template <class T> T* named(T* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

// An index read from the settings selects its entry; one outside the list selects nothing.
void selectIndex(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

// Caption in the first column, control in the second.
QLabel* addRow(QGridLayout* grid, int row, const QString& caption, QWidget* control) {
    auto* label = new QLabel(caption);
    label->setBuddy(control);
    grid->addWidget(label, row, 0);
    grid->addWidget(control, row, 1);
    return label;
}

} // namespace

// PNG pictures load like the others, so they are listed too.
const QString TForm3::FigureFilter =
    QStringLiteral("All (*.gif;*.ani;*.pcx;*.gif;*.jpg;*.jpeg;*.png;*.bmp;*.ico;*.emf;*.wmf)|"
                   "*.gif;*.ani;*.pcx;*.gif;*.jpg;*.jpeg;*.png;*.bmp;*.ico;*.emf;*.wmf");

TForm3::TForm3(QWidget* parent, const QString& programSettingsPath)
    : QDialog(parent), programSettingsPath_(programSettingsPath) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Configurações"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    PageControl1 = named(new QTabWidget(this), "PageControl1");

    // Tab "Relatório"
    auto* report = named(new QWidget, "TabSheet1");
    edfigura = named(new QLineEdit, "edfigura");
    edfiguraBrowse = named(new QPushButton(QStringLiteral("...")), "edfiguraBrowse");
    edfiguraBrowse->setAutoDefault(false);
    edfiguraBrowse->setFixedWidth(edfiguraBrowse->fontMetrics().horizontalAdvance(QStringLiteral("....")) +
                                  12);
    auto* figure = new QWidget;
    auto* figureRow = new QHBoxLayout(figure);
    figureRow->setContentsMargins(0, 0, 0, 0);
    figureRow->setSpacing(2);
    figureRow->addWidget(edfigura);
    figureRow->addWidget(edfiguraBrowse);

    combpos = named(new QComboBox, "combpos");
    combpos->addItems(
        {QStringLiteral("Centralizada"), QStringLiteral("À esquerda"), QStringLiteral("À direita")});
    combmfig = named(new QComboBox, "combmfig");
    combmfig->addItems({QStringLiteral("Página Inicial"), QStringLiteral("Todas Páginas")});
    CBPapel = named(new QComboBox, "CBPapel");
    CBPapel->addItems({QStringLiteral("A4"), QStringLiteral("Carta"), kCustomPaper});
    EdHeight = named(new QLineEdit, "EdHeight");
    EdWidth = named(new QLineEdit, "EdWidth");
    EdHeight->installEventFilter(this);
    EdWidth->installEventFilter(this);

    auto* reportGrid = new QGridLayout(report);
    addRow(reportGrid, 0, QStringLiteral("Figura"), figure);
    addRow(reportGrid, 1, QStringLiteral("Posição da figura"), combpos);
    addRow(reportGrid, 2, QStringLiteral("Mostrar figura"), combmfig);
    addRow(reportGrid, 3, QStringLiteral("Tamanho do papel"), CBPapel);
    LabelHeight = named(addRow(reportGrid, 4, QStringLiteral("Altura da página"), EdHeight), "LabelHeight");
    LabelWidth = named(addRow(reportGrid, 5, QStringLiteral("Largura da página"), EdWidth), "LabelWidth");
    reportGrid->setColumnStretch(1, 1);
    reportGrid->setRowStretch(6, 1);
    PageControl1->addTab(report, QStringLiteral("Relatório"));

    // Tab "E-Mail"; there is no password here.
    auto* mail = named(new QWidget, "TabSheet2");
    edservidor = named(new QLineEdit, "edservidor");
    edporta = named(new QLineEdit, "edporta");
    edconta = named(new QLineEdit, "edconta");
    auto* mailGrid = new QGridLayout(mail);
    addRow(mailGrid, 0, QStringLiteral("Servidor SMTP"), edservidor);
    addRow(mailGrid, 1, QStringLiteral("Porta"), edporta);
    addRow(mailGrid, 2, QStringLiteral("Conta de e-mail"), edconta);
    // Without it a server that does not offer STARTTLS gets the report in clear.
    chkseguro = named(new QCheckBox(QStringLiteral("Exigir conexão segura")), "chkseguro");
    mailGrid->addWidget(chkseguro, 3, 1);
    mailGrid->setColumnStretch(1, 1);
    mailGrid->setRowStretch(4, 1);
    PageControl1->addTab(mail, QStringLiteral("E-Mail"));

    auto* panel = named(new QWidget(this), "Panel1");
    butok = named(new QPushButton(QStringLiteral("&Ok"), panel), "butok");
    butok->setDefault(true);
    butcancel = named(new QPushButton(QStringLiteral("&Cancelar"), panel), "butcancel");
    auto* buttons = new QHBoxLayout(panel);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch();
    buttons->addWidget(butok);
    buttons->addWidget(butcancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addWidget(panel);

    connect(butok, &QPushButton::clicked, this, &TForm3::accept);
    connect(butcancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(edfiguraBrowse, &QPushButton::clicked, this, &TForm3::BrowseFigure);
    connect(CBPapel, &QComboBox::currentIndexChanged, this, &TForm3::CBPapelChange);

    FormCreate();

    // A fixed 309 by 321 client area, larger only when the desktop's fonts need it.
    const QSize needed = minimumSizeHint();
    setFixedSize(std::max(309, needed.width()), std::max(321, needed.height()));
    // Centred on the desktop rather than over the window (moving marks it placed).
    if (const QScreen* desktop = screen())
        move(desktop->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TForm3::FormCreate() {
    const Settings settings(SettingsFile::System);
    const LayoutSettings layout(settings, Settings::programFile(programSettingsPath_));
    edfigura->setText(layout.figura());
    selectIndex(combpos, layout.posicao());
    selectIndex(combmfig, layout.mostra());
    edservidor->setText(settings.server());
    edporta->setText(settings.portaText());
    edconta->setText(settings.conta());
    chkseguro->setChecked(settings.seguro());
    selectIndex(CBPapel, CBPapel->findText(layout.papel(), Qt::MatchFixedString)); // any case
    EdHeight->setText(layout.height());
    EdWidth->setText(layout.width());
    CBPapelChange();
    shownFigure_ = edfigura->text();
    shownLayout_ = LayoutTexts();
}

std::vector<std::pair<QStringView, QString>> TForm3::LayoutTexts() const {
    using namespace SettingsKeys;
    return {{Figura, edfigura->text()},
            {Posicao, QString::number(combpos->currentIndex())},
            {Mostra, QString::number(combmfig->currentIndex())},
            {Papel, CBPapel->currentText()},
            {Height, EdHeight->text()},
            {Width, EdWidth->text()}};
}

bool TForm3::CheckFigure() {
    // Read once now: a file the report cannot print would otherwise be kept
    // and named in a message by every later generation.
    const QString figure = edfigura->text();
    if (!QFileInfo(figure).isFile()) return true; // none, or missing: no picture, silently
    try {
        PictureData::fromFile(figure);
        return true;
    } catch (const std::exception&) {
        ShowPlainMessage(QStringLiteral("Tipo de Arquivo Inválido"));
        PageControl1->setCurrentIndex(0);
        edfigura->setFocus();
        edfigura->selectAll();
        return false;
    }
}

void TForm3::CBPapelChange() {
    const bool custom = CBPapel->currentText() == kCustomPaper;
    for (QWidget* control : {static_cast<QWidget*>(LabelHeight), static_cast<QWidget*>(EdHeight),
                             static_cast<QWidget*>(LabelWidth), static_cast<QWidget*>(EdWidth)})
        control->setVisible(custom);
}

void TForm3::BrowseFigure() {
    const QString path = DialogPresenter::current().getOpenFileName(this, FigureFilter);
    if (!path.isEmpty()) edfigura->setText(path);
}

bool TForm3::AcceptsSizeKey(const QKeyEvent& event) {
    // Shortcuts (copy, paste, undo) and keys without a character (arrows,
    // Delete) are editing, not typing; what they bring in is checked on "&Ok".
    if (event.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return true;
    for (const QChar c : event.text()) {
        if (!c.isPrint()) continue; // backspace, Enter, Tab, Escape
        if (c != u',' && (c < u'0' || c > u'9')) return false;
    }
    return true;
}

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == EdHeight || watched == EdWidth) && event->type() == QEvent::KeyPress &&
        !AcceptsSizeKey(*static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

bool TForm3::butokClick() {
    // A custom size the report cannot use would only be turned into A4 later,
    // and the typed text kept in the file to fail again at the next start.
    if (CBPapel->currentText() == kCustomPaper) {
        const struct {
            QLineEdit* box;
            const char* side;
            const char* example;
        } sides[] = {{EdHeight, "A altura", "279,4"}, {EdWidth, "A largura", "215,9"}};
        for (const auto& s : sides) {
            if (TForm2::IsCustomPaperMillimetres(s.box->text())) continue;
            ShowPlainMessage(QStringLiteral("%1 da página deve ser um número de milímetros maior que 0 e "
                                            "até %2, com vírgula decimal (por exemplo %3).")
                                 .arg(QString::fromUtf8(s.side))
                                 .arg(TForm2::kMaxCustomPaperMm)
                                 .arg(QString::fromLatin1(s.example)));
            PageControl1->setCurrentIndex(0);
            s.box->setFocus();
            s.box->selectAll();
            return false;
        }
    }

    if (!CheckFigure()) return false;

    try {
        const Settings settings(SettingsFile::System);
        const auto layout = LayoutTexts();
        // A layout key becomes the user's once they change it (or if it was
        // theirs already); hidden boxes count too, so a custom size typed once
        // is not lost by choosing A4.
        const auto writeLayout = [&](size_t index) {
            const auto& [key, text] = layout[index];
            if (settings.hasConfigKey(key) || text != shownLayout_[index].second)
                settings.file().writeString(SettingsKeys::Config, key, text);
        };
        writeLayout(0); // figura
        writeLayout(1); // posicao
        writeLayout(2); // mostra
        settings.setServer(edservidor->text());
        settings.setPorta(edporta->text());
        settings.setConta(edconta->text());
        settings.setSeguro(chkseguro->isChecked());
        writeLayout(3); // papel
        writeLayout(4); // height
        writeLayout(5); // width
    } catch (const std::exception& error) {
        // Logged as every unhandled error is, and told: closing as if the
        // settings were kept would lose what the user typed without a word.
        ErrorLog::logException(this, error);
        ShowErrorBox(ErrorLog::messageOf(error));
        return false;
    }
    written_ = true;
    return true;
}

void TForm3::accept() {
    if (written_ || butokClick()) QDialog::accept();
}

bool ShowPageSetup(ReportSession& session, QWidget* parent) {
    TForm3 dialog(parent, session.Composer().ProgramSettingsPath);
    if (!DialogPresenter::current().execDialog(&dialog)) return false;
    if (!dialog.Written() && !dialog.butokClick()) return false;

    // The picture the settings gave follows them; one put in with "Inserir"
    // stays for this report, the path written serves the next start.
    const QString inUse = session.Values().FigurePath;
    if (inUse.isEmpty() || inUse == dialog.ShownFigure()) session.SetFigurePath(dialog.edfigura->text());
    session.ApplyPaper(dialog.CBPapel->currentText());
    session.Regenerate();
    return true;
}

} // namespace rl
