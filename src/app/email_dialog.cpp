#include "app/email_dialog.h"

#include "composer/report_session.h"
#include "platform/dialog_presenter.h"
#include "platform/error_log.h"
#include "platform/message_presenter.h"
#include "platform/settings.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QVBoxLayout>

namespace rl {

namespace {

template <class T> T* named(T* object, const char* name, const char* hint = nullptr) {
    object->setObjectName(QString::fromLatin1(name));
    if (hint) {
        object->setStatusTip(QString::fromUtf8(hint));
        object->setToolTip(QString::fromUtf8(hint));
    }
    return object;
}

QString fieldText(const QWidget* field) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(field)) return edit->text();
    if (const auto* box = qobject_cast<const QPlainTextEdit*>(field)) return box->toPlainText();
    return {};
}

} // namespace

TForm4::TForm4(ReportSession& session, QWidget* parent) : QDialog(parent), session_(session) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Enviando Relatório"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    edDe = named(new QLineEdit, "edDe", "Informe nome ou e-mail do remetente");
    edpara = named(new QLineEdit, "edpara", "Informe o e-mail do destinatário");
    edcopia = named(new QLineEdit, "edcopia",
                    "Informe e-mails para que sejam enviadas cópias. seperar por virgula.");
    edassunto = named(new QLineEdit, "edassunto", "Informe o assunto do e-mail");
    mensagem = named(new QPlainTextEdit, "mensagem", "Informe a mensagem do e-mail");
    mensagem->setTabChangesFocus(true);
    arqname = named(new QLineEdit, "arqname", "Informe um nome para o arquivo sem extensão");
    tipoarq = named(new QComboBox, "tipoarq", "Informe o tipo de arquivo que o relatório deve ser enviado.");
    tipoarq->addItems(ReportMailer::FileTypeNames());

    auto* grid = new QGridLayout;
    const auto row = [this, grid](int at, const QString& caption, QWidget* control) {
        auto* label = new QLabel(caption);
        label->setBuddy(control);
        grid->addWidget(label, at, 0, control == mensagem ? Qt::AlignTop : Qt::AlignVCenter);
        grid->addWidget(control, at, 1);
    };
    row(0, QStringLiteral("De:"), edDe);
    row(1, QStringLiteral("Para:"), edpara);
    row(2, QStringLiteral("Com cópia para:"), edcopia);
    row(3, QStringLiteral("Assunto:"), edassunto);
    row(4, QStringLiteral("Mensagem:"), mensagem);
    row(5, QStringLiteral("Enviar arquivo como:"), arqname);
    row(6, QStringLiteral("Tipo de arquivo"), tipoarq);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);

    // No default button: Enter moves between the fields, it never sends.
    ButEnvia = named(new QPushButton(QStringLiteral("&Enviar")), "ButEnvia");
    BitBtn1 = named(new QPushButton(QStringLiteral("&Fechar")), "BitBtn1");
    for (QPushButton* button : {ButEnvia, BitBtn1}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButEnvia);
    buttons->addWidget(BitBtn1);

    StatusBar1 = named(new QStatusBar, "StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel = named(new QLabel, "StatusPanel");
    StatusPanel->setAlignment(Qt::AlignCenter);
    StatusBar1->addWidget(StatusPanel, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);
    layout->addWidget(StatusBar1);

    // Keys reach the dialog before the focused field.
    for (QWidget* field :
         std::initializer_list<QWidget*>{edDe, edpara, edcopia, edassunto, mensagem, arqname, tipoarq})
        field->installEventFilter(this);
    setTabOrder(edDe, edpara);
    setTabOrder(edpara, edcopia);
    setTabOrder(edcopia, edassunto);
    setTabOrder(edassunto, mensagem);
    setTabOrder(mensagem, arqname);
    setTabOrder(arqname, tipoarq);
    setTabOrder(tipoarq, ButEnvia);
    setTabOrder(ButEnvia, BitBtn1);

    connect(ButEnvia, &QPushButton::clicked, this, &TForm4::ButEnviaClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm4::BitBtn1Click);

    // The dialog is made for one showing, so its fields are filled now.
    FormShow();

    // 381 by 435, larger only when the desktop's fonts need it; centred on the desktop.
    const QSize needed = minimumSizeHint();
    setFixedSize(std::max(381, needed.width()), std::max(435, needed.height()));
    if (const QScreen* desktop = screen())
        move(desktop->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

TForm4::~TForm4() = default;

void TForm4::FormShow() {
    try {
        const Settings settings(SettingsFile::System);
        edDe->setText(settings.de());
        edpara->setText(settings.para());
        edcopia->setText(settings.comc());
        edassunto->setText(settings.ass());
        mensagem->setPlainText(settings.men());
        arqname->setText(settings.arq());
        const int type = settings.tipo();
        tipoarq->setCurrentIndex(type >= 0 && type < tipoarq->count() ? type : -1);
    } catch (const std::exception&) {
        // Unreadable settings leave the fields as they are.
    }
}

MailRequest TForm4::Request() const {
    MailRequest request;
    request.From = edDe->text();
    request.To = edpara->text();
    request.CC = edcopia->text();
    request.Subject = edassunto->text();
    request.Message = mensagem->toPlainText();
    request.FileName = arqname->text();
    request.FileType = tipoarq->currentIndex();
    return request;
}

QWidget* TForm4::FieldWidget(MailField field) const {
    switch (field) {
    case MailField::From:
        return edDe;
    case MailField::To:
        return edpara;
    case MailField::CC:
        return edcopia;
    case MailField::Subject:
        return edassunto;
    case MailField::Message:
        return mensagem;
    case MailField::FileName:
        return arqname;
    case MailField::FileType:
        break;
    }
    return tipoarq;
}

void TForm4::ButEnviaClick() {
    if (Busy() || !ButEnvia->isEnabled()) return;
    const struct {
        QWidget* field;
        const char* message;
    } required[] = {{arqname, "Nome do arquivo obrigatório"},
                    {edDe, "Remetente obrigatório"},
                    {edpara, "Destinatario obrigatório"},
                    {edassunto, "Assunto obrigatório"},
                    {mensagem, "Mensagem obrigatório"}};
    for (const auto& check : required) {
        if (!fieldText(check.field).trimmed().isEmpty()) continue;
        ShowPlainMessage(QString::fromUtf8(check.message));
        check.field->setFocus();
        return;
    }

    // What cannot go into a message is refused like an empty field, before
    // anything is exported: a sender that is no address, a line break in the
    // subject, a type not chosen.
    const MailRequest request = Request();
    TMailMessage message;
    try {
        message = ReportMailer::Compose(request);
    } catch (const MailFieldError& error) {
        ShowPlainMessage(QString::fromUtf8(error.what()));
        FieldWidget(error.field())->setFocus();
        return;
    }

    ButEnvia->setEnabled(false);
    ReportMailer mailer(session_);
    mailer.OnStatus = [this](const QString& text) { SetStatus(text); };
    // Keeps "&Cancelar" and the close box working while the server is awaited.
    mailer.OnWait = [] { QCoreApplication::processEvents(); };
    mailer.OnPassword = [this](const MailServer& server) {
        return DialogPresenter::current()
            .getPassword(this, QStringLiteral("Senha do e-mail"),
                         QStringLiteral("Senha da conta %1 em %2:").arg(server.UserName, server.Host))
            .value_or(QString());
    };
    mailer_ = &mailer;
    BitBtn1->setText(QStringLiteral("&Cancelar"));
    try {
        const QString path = mailer.Export(request.FileType);
        repaint();
        SendWithFile(mailer, message, path, request);
    } catch (const std::exception& error) {
        // The export failed or was cancelled: nothing was sent.
        ShowPlainMessage(QStringLiteral("Erro: ") + ErrorLog::messageOf(error));
    }
    mailer.Discard();
    mailer_ = nullptr;
    BitBtn1->setText(QStringLiteral("&Fechar"));
    if (closeWanted_) QDialog::reject();
}

void TForm4::SendWithFile(ReportMailer& mailer, TMailMessage& message, const QString& path,
                          const MailRequest& request) {
    try {
        const MailServer server = MailServer::fromSettings(Settings(SettingsFile::System));
        mailer.Attach(message, path, request);
        mailer.Transmit(message, server);
        message.clearParts();
        MessagePresenter::current().showMessage({QStringLiteral("E-mail enviado com sucesso..."),
                                                 QStringLiteral("Confirmando..."), MessageIcon::Question,
                                                 MessageButton::Ok});
    } catch (const std::exception& error) {
        SetStatus(QStringLiteral("Mensagem cancelada"));
        // The reason follows, so a refused recipient is not taken for a
        // server that cannot be reached.
        MessagePresenter::current().showMessage(
            {QStringLiteral(
                 "Atenção! não foi possivel conectar ao servior.\nConfira suas configurações\n\n") +
                 ErrorLog::messageOf(error),
             QStringLiteral("Erro"), MessageIcon::Error, MessageButton::Ok});
        repaint();
        return;
    }
    WriteSettings(request);
}

void TForm4::WriteSettings(const MailRequest& request) {
    try {
        const Settings settings(SettingsFile::System);
        settings.setDe(request.From);
        settings.setPara(request.To);
        settings.setComc(request.CC);
        settings.setAss(request.Subject);
        settings.setMen(request.Message);
        settings.setArq(request.FileName);
        settings.setTipo(request.FileType);
    } catch (const std::exception& error) {
        // The message went out; only the remembered fields are lost.
        ErrorLog::logException(this, error);
    }
}

void TForm4::SetStatus(const QString& text) {
    StatusPanel->setText(text);
    StatusPanel->repaint();
}

void TForm4::BitBtn1Click() {
    if (Busy())
        mailer_->Cancel();
    else
        reject();
}

void TForm4::reject() {
    if (Busy()) {
        // The client is in use further down the stack: close once it returns.
        closeWanted_ = true;
        mailer_->Cancel();
        return;
    }
    QDialog::reject();
}

void TForm4::closeEvent(QCloseEvent* event) {
    if (Busy()) {
        event->ignore();
        reject();
        return;
    }
    QDialog::closeEvent(event);
}

bool TForm4::event(QEvent* event) {
    // Hints go to the status bar's one centred panel.
    if (event->type() == QEvent::StatusTip) {
        StatusPanel->setText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter never starts a line nor presses a button: it goes to the next field.
            focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace rl
