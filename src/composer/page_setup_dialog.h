#pragma once

#include <QDialog>
#include <QStringView>

#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace rl {

class ReportSession;

// The page setup dialog "Configurações": the head picture, its position and
// where it prints, the paper and the four e-mail server settings of section
// "config" of the system-folder settings file. Built in code; every control
// carries its component name as object name so that tests can fill it.
//
// Creation reads the settings (anything unreadable shows the defaults): the
// e-mail keys from the system-folder file, the layout keys as the report uses
// them (LayoutSettings: the user's earlier choice, else the program-folder
// file). Nothing is written until "&Ok", and then only when the custom size,
// if chosen, is a number of millimetres the report can use and the picture, if
// it names a file, is one the report can print: otherwise, or when the file
// cannot be written, the user is told and the dialog stays open with
// everything as typed. "&Cancelar" and the close box write nothing.
//
// "&Ok" writes the e-mail keys always, and a layout key only when the user
// changed what the dialog showed or chose that key before: a key left as the
// program-folder file gave it stays the calling program's to decide.
//
// The dialog itself never touches the report: ShowPageSetup applies the result.
// GUI thread only.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    // programSettingsPath: the program-folder settings file (empty: beside
    // the executable).
    explicit TForm3(QWidget* parent = nullptr, const QString& programSettingsPath = {});

    // Tab "Relatório"
    QLineEdit* edfigura = nullptr;
    QPushButton* edfiguraBrowse = nullptr; // the file name box's browse button
    QComboBox* combpos = nullptr;          // "Centralizada", "À esquerda", "À direita"
    QComboBox* combmfig = nullptr;         // "Página Inicial", "Todas Páginas"
    QComboBox* CBPapel = nullptr;          // "A4", "Carta", "Customizado"
    QLabel* LabelHeight = nullptr;
    QLineEdit* EdHeight = nullptr; // millimetres, decimal comma; shown for "Customizado"
    QLabel* LabelWidth = nullptr;
    QLineEdit* EdWidth = nullptr;
    // Tab "E-Mail"
    QLineEdit* edservidor = nullptr;
    QLineEdit* edporta = nullptr;
    QLineEdit* edconta = nullptr;
    QCheckBox* chkseguro = nullptr; // "Exigir conexão segura"

    QPushButton* butok = nullptr;
    QPushButton* butcancel = nullptr;

    // The filter of the picture file dialog.
    static const QString FigureFilter;

    // "&Ok": checks the custom size, then writes every setting in the file's
    // order and returns true; otherwise shows why, writes nothing more and
    // returns false. A write failure also goes to the error log.
    bool butokClick();
    // Whether the settings were written by butokClick.
    bool Written() const { return written_; }
    // The picture path the dialog showed when it opened.
    QString ShownFigure() const { return shownFigure_; }

    // Whether a key typed into a custom size box is kept: digits, the decimal
    // comma and control keys (backspace, Enter, Tab, Escape, shortcuts); every
    // other printable character is discarded.
    static bool AcceptsSizeKey(const QKeyEvent& event);

    // "&Ok" closes the dialog only once the settings are written.
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    // Shows the custom size captions and boxes only for "Customizado".
    void CBPapelChange();
    void BrowseFigure();

    // The layout keys' texts as the controls show them, in writing order.
    std::vector<std::pair<QStringView, QString>> LayoutTexts() const;
    // Refuses a picture file the report could not print.
    bool CheckFigure();

    QTabWidget* PageControl1 = nullptr;
    bool written_ = false;
    QString programSettingsPath_;
    QString shownFigure_;
    std::vector<std::pair<QStringView, QString>> shownLayout_;
};

// The "Configurações" command: shows TForm3 modally through the dialog
// presenter and, when it is confirmed, lets the report follow: the picture path
// is taken when no picture is in use or the one in use is the one the dialog
// showed (a picture put in with "Inserir" stays), the paper chosen is applied
// (its custom size as the settings now give it), and the pages are generated
// again. Returns whether the dialog was confirmed.
bool ShowPageSetup(ReportSession& session, QWidget* parent = nullptr);

} // namespace rl
