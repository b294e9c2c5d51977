#pragma once

#include "app/report_mailer.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

namespace rl {

class ReportSession;

// The e-mail dialog "Enviando Relatório": sends the report as an attachment
// through ReportMailer. Built in code; every control carries its component
// name as object name so that tests can fill it.
//
// Creation fills the fields from section "email" of the system-folder
// settings file; they are written back only after a successful send. One
// attempt per dialog: "&Enviar" stays disabled after it, whatever happened.
//
// While the report is exported and sent the dialog keeps its events running
// (the client's wait slices), so "&Fechar", shown as "&Cancelar" then, gives
// the transmission up, and the close box or Escape gives it up and closes the
// dialog as soon as the send has returned.
//
// GUI thread only.
class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(ReportSession& session, QWidget* parent = nullptr);
    ~TForm4() override;

    QLineEdit* edDe = nullptr;
    QLineEdit* edpara = nullptr;
    QLineEdit* edcopia = nullptr;
    QLineEdit* edassunto = nullptr;
    QPlainTextEdit* mensagem = nullptr;
    QLineEdit* arqname = nullptr;
    QComboBox* tipoarq = nullptr; // ReportMailer::FileTypeNames()
    QPushButton* ButEnvia = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanel = nullptr; // the status bar's one centred panel

    // "&Enviar": checks the fields, exports, sends, deletes the file.
    void ButEnviaClick();
    // Whether an export or a transmission is under way.
    bool Busy() const { return mailer_ != nullptr; }
    // The fields as a request, as typed.
    MailRequest Request() const;

    void reject() override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Fills the fields from the settings file; an error leaves them empty.
    void FormShow();
    void BitBtn1Click();
    QWidget* FieldWidget(MailField field) const;
    void SetStatus(const QString& text);
    // Composing and transmitting, with its own failure box.
    void SendWithFile(ReportMailer& mailer, TMailMessage& message, const QString& path,
                      const MailRequest& request);
    void WriteSettings(const MailRequest& request);

    ReportSession& session_;
    ReportMailer* mailer_ = nullptr;
    bool closeWanted_ = false;
};

} // namespace rl
