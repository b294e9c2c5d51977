#include "app/email_dialog.h"

#include "mail/scripted_smtp_server.h"
#include "mail/smtp_sink_server.h"
#include "main_window_fixture.h"
#include "platform/settings.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSslConfiguration>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace rl;
using rl::test::ScriptedSmtpServer;

namespace {

// Opens the dialog as the user would, fills it, presses "&Enviar" and notes
// what the dialog showed before it is closed.
class UserPresenter : public test::ScriptedDialogPresenter {
public:
    std::function<void(TForm4&)> fill;
    // Done while the send is under way, as a user would act then.
    std::function<void(TForm4&)> during;
    bool visibleAfter = false;
    QString password;
    QStringList passwordLabels;

    std::optional<QString> getPassword(QWidget*, const QString&, const QString& label) override {
        passwordLabels << label;
        return password;
    }
    // From the start of `during` to the end of the send; -1 without `during`.
    qint64 msAfterDuring = -1;
    bool sendEnabledAfter = true;
    QString statusAfter;
    QWidget* focusAfter = nullptr;
    QString focusName;

    bool execDialog(QWidget* widget) override {
        auto& dialog = *static_cast<TForm4*>(widget);
        dialog.show();
        dialog.activateWindow();
        if (fill) fill(dialog);
        QElapsedTimer sinceDuring;
        if (during)
            QTimer::singleShot(200, &dialog, [&] {
                sinceDuring.start();
                during(dialog);
            });
        dialog.ButEnvia->click();
        msAfterDuring = sinceDuring.isValid() ? sinceDuring.elapsed() : -1;
        visibleAfter = dialog.isVisible();
        sendEnabledAfter = dialog.ButEnvia->isEnabled();
        statusAfter = dialog.StatusPanel->text();
        focusName = dialog.focusWidget() ? dialog.focusWidget()->objectName() : QString();
        dialog.BitBtn1->click();
        return false;
    }
};

void fillAll(TForm4& d) {
    d.edDe->setText("Relatórios <rel@example.com>");
    d.edpara->setText("ana@example.com, bia@example.com");
    d.edcopia->setText("chefe@example.com");
    d.edassunto->setText("Vendas de março");
    d.mensagem->setPlainText("Segue o relatório.\nAtt.");
    d.arqname->setText("vendas");
    d.tipoarq->setCurrentIndex(0); // PDF
}

class EmailDialog : public test::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        QFile::remove(Settings::filePath(SettingsFile::System));
        start({writeReport("report.txt", 2)});
    }
    void TearDown() override {
        QFile::remove(Settings::filePath(SettingsFile::System));
        MainWindowFixture::TearDown();
    }
    void useServer(quint16 port) {
        const Settings system(SettingsFile::System);
        system.setServer("  127.0.0.1 ");
        system.setPorta(QString::number(port));
    }
    QByteArray systemFile() const { return test::readFile(Settings::filePath(SettingsFile::System)); }
    // Nothing of the attachment is left: no private folder, no file here.
    void expectNothingLeft() const {
        EXPECT_EQ(QDir(QDir::tempPath()).entryList({"relantomador-email-*"}, QDir::AllEntries),
                  QStringList());
        EXPECT_FALSE(QFile::exists("vendas.pdf"));
    }

    UserPresenter user;
    ScopedDialogPresenter userInstalled{user};
};

// The attachment's bytes: the base64 lines after the part's headers.
QByteArray attachmentBytes(const QByteArray& data, const QByteArray& headerEnd) {
    const qsizetype start = data.indexOf(headerEnd);
    if (start < 0) return {};
    const qsizetype from = start + headerEnd.size();
    return QByteArray::fromBase64(data.mid(from, data.indexOf("\r\n--", from) - from).replace("\r\n", ""));
}

} // namespace

TEST_F(EmailDialog, SendsThePdfThenRemembersTheFields) {
    ScriptedSmtpServer server({});
    useServer(server.port());
    user.fill = fillAll;
    window->Email1Click();
    server.finish();

    const QList<QByteArray> commands = server.transcript();
    ASSERT_FALSE(commands.isEmpty());
    EXPECT_TRUE(commands[0].startsWith("EHLO ")) << commands[0].constData();
    EXPECT_EQ(commands.mid(1), QList<QByteArray>({"RSET", "MAIL FROM:<rel@example.com>",
                                                  "RCPT TO:<ana@example.com>", "RCPT TO:<bia@example.com>",
                                                  "RCPT TO:<chefe@example.com>", "DATA", "QUIT"}));
    const QByteArray header = "Content-Type: application/pdf;\r\n        name=\"vendas.pdf\"\r\n"
                              "Content-Transfer-Encoding: base64\r\n"
                              "Content-Disposition: attachment;\r\n        filename=\"vendas.pdf\"\r\n\r\n";
    EXPECT_TRUE(attachmentBytes(server.data(), header).startsWith("%PDF-"))
        << server.data().left(2000).data();

    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].text, "E-mail enviado com sucesso...");
    EXPECT_EQ(messages.requests[0].caption, "Confirmando...");
    EXPECT_EQ(messages.requests[0].icon, MessageIcon::Question);
    EXPECT_FALSE(user.sendEnabledAfter);
    EXPECT_EQ(user.statusAfter, "E-mail enviado desconectando..");
    EXPECT_TRUE(systemFile().endsWith("[email]\r\n"
                                      "de=Relatórios <rel@example.com>\r\n"
                                      "para=ana@example.com, bia@example.com\r\n"
                                      "comc=chefe@example.com\r\n"
                                      "ass=Vendas de março\r\n"
                                      "men=Segue o relatório.\r\n"
                                      "arq=vendas\r\n"
                                      "tipo=0\r\n"))
        << systemFile().constData();
    expectNothingLeft();

    // Opened again, the dialog shows what was sent; the message's first line.
    TForm4 again(*session);
    EXPECT_EQ(again.edpara->text(), "ana@example.com, bia@example.com");
    EXPECT_EQ(again.mensagem->toPlainText(), "Segue o relatório.");
    EXPECT_EQ(again.tipoarq->currentIndex(), 0);
}

// A refused recipient: the failure box, nothing remembered, the file gone.
TEST_F(EmailDialog, FailedSendShowsTheFailureBoxAndWritesNoSettings) {
    ScriptedSmtpServer server({.replies = {{"RCPT", "550 No such user here\r\n"}}});
    useServer(server.port());
    user.fill = fillAll;
    window->Email1Click();
    server.finish();

    EXPECT_FALSE(server.transcript().contains("DATA"));
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_TRUE(messages.requests[0].text.startsWith(
        "Atenção! não foi possivel conectar ao servior.\nConfira suas configurações"));
    EXPECT_TRUE(messages.requests[0].text.contains("550 No such user here"));
    EXPECT_EQ(messages.requests[0].caption, "Erro");
    EXPECT_EQ(messages.requests[0].icon, MessageIcon::Error);
    EXPECT_EQ(user.statusAfter, "Mensagem cancelada");
    EXPECT_FALSE(user.sendEnabledAfter);
    EXPECT_FALSE(systemFile().contains("[email]"));
    expectNothingLeft();
}

// Fields that cannot be sent are refused before anything is exported or
// sent, with the focus on the field and "&Enviar" still enabled.
TEST_F(EmailDialog, RefusesFieldsBeforeSending) {
    const struct {
        std::function<void(TForm4&)> change;
        QString message;
        const char* field;
    } cases[] = {
        {[](TForm4& d) { d.edassunto->setText("   "); }, "Assunto obrigatório", "edassunto"},
        {[](TForm4& d) { d.arqname->setText(" "); }, "Nome do arquivo obrigatório", "arqname"},
        {[](TForm4& d) { d.edDe->setText("Maria Silva"); },
         "O remetente precisa ser um endereço de e-mail: \"Maria Silva\"", "edDe"},
        {[](TForm4& d) { d.edassunto->setText("Oi\r\nBcc: todos@example.com"); },
         "O assunto não pode ter quebras de linha nem caracteres de controle.", "edassunto"},
    };
    for (const auto& c : cases) {
        messages.requests.clear();
        user.fill = [&](TForm4& d) {
            fillAll(d);
            c.change(d);
        };
        window->Email1Click();
        ASSERT_EQ(messages.requests.size(), 1u) << c.field;
        EXPECT_EQ(messages.requests[0].text, c.message);
        EXPECT_EQ(messages.requests[0].caption, ApplicationTitle);
        EXPECT_EQ(user.focusName, c.field);
        EXPECT_TRUE(user.sendEnabledAfter) << c.field;
    }
    EXPECT_FALSE(QFile::exists(Settings::filePath(SettingsFile::System)));
    expectNothingLeft();
}

// A server that accepts and never greets: "&Cancelar" gives the connection
// up within a second and the dialog stays; the close box does the same and
// the dialog closes when the send has returned.
TEST_F(EmailDialog, CancelOrClosingEndsAStuckConnection) {
    for (const bool close : {false, true}) {
        SCOPED_TRACE(close ? "close box" : "Cancelar");
        messages.requests.clear();
        ScriptedSmtpServer server({.silent = true});
        useServer(server.port());
        user.fill = fillAll;
        QString captionDuring;
        user.during = [&](TForm4& d) {
            captionDuring = d.BitBtn1->text();
            if (close)
                d.close();
            else
                QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
        };
        window->Email1Click();

        EXPECT_EQ(captionDuring, "&Cancelar");
        EXPECT_GE(user.msAfterDuring, 0);
        EXPECT_LT(user.msAfterDuring, 1000);
        EXPECT_EQ(user.visibleAfter, !close);
        ASSERT_EQ(messages.requests.size(), 1u);
        EXPECT_TRUE(messages.requests[0].text.endsWith("Envio de e-mail cancelado."))
            << messages.requests[0].text.toStdString();
        EXPECT_FALSE(QFile::exists(Settings::filePath(SettingsFile::System)) &&
                     systemFile().contains("[email]"));
        expectNothingLeft();
    }
}

// The text report to a quoted local part: the address whole in the envelope
// and the header, the attachment's charset declared, a Message-ID.
TEST_F(EmailDialog, SendsTheTextReportToAQuotedLocalPart) {
    ScriptedSmtpServer server({});
    useServer(server.port());
    user.fill = [](TForm4& d) {
        fillAll(d);
        d.edpara->setText("\"john doe\"@example.com");
        d.edcopia->clear();
        d.tipoarq->setCurrentIndex(4); // TXT
    };
    window->Email1Click();
    server.finish();

    EXPECT_TRUE(server.transcript().contains("RCPT TO:<\"john doe\"@example.com>"))
        << server.transcript().join('\n').constData();
    const QByteArray& data = server.data();
    EXPECT_TRUE(data.contains("\r\nTo: <\"john doe\"@example.com>\r\n")) << data.left(1000).constData();
    EXPECT_TRUE(QRegularExpression("\r\nMessage-ID: <\\d{14}\\.[0-9a-f]+@example\\.com>\r\n")
                    .match(QString::fromLatin1(data))
                    .hasMatch());
    EXPECT_TRUE(
        data.contains("Content-Type: text/plain; charset=windows-1252;\r\n        name=\"vendas.txt\"\r\n"));
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].text, "E-mail enviado com sucesso...");
}

// "Exigir conexão segura": a server that does not offer STARTTLS gets no
// message, only the greeting.
TEST_F(EmailDialog, SecureConnectionRequiredSendsNothingInClear) {
    ScriptedSmtpServer server({});
    useServer(server.port());
    Settings(SettingsFile::System).setSeguro(true);
    user.fill = fillAll;
    window->Email1Click();
    server.finish();

    EXPECT_FALSE(server.transcript().contains("DATA")) << server.transcript().join('\n').constData();
    EXPECT_FALSE(server.transcript().contains("RSET"));
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_TRUE(messages.requests[0].text.contains("STARTTLS")) << messages.requests[0].text.toStdString();
    EXPECT_EQ(messages.requests[0].caption, "Erro");
    expectNothingLeft();
}

// Enter goes to the next field, in the message box too, and never sends.
TEST_F(EmailDialog, EnterMovesToTheNextField) {
    TForm4 dialog(*session);
    dialog.show();
    dialog.activateWindow();
    dialog.mensagem->setPlainText("linha");
    dialog.mensagem->setFocus();
    QTest::keyClick(dialog.mensagem, Qt::Key_Return);
    EXPECT_EQ(dialog.mensagem->toPlainText(), "linha");
    EXPECT_EQ(dialog.focusWidget(), dialog.arqname);
    QTest::keyClick(dialog.arqname, Qt::Key_Enter);
    EXPECT_EQ(dialog.focusWidget(), dialog.tipoarq);
    EXPECT_TRUE(messages.requests.empty());
    EXPECT_TRUE(dialog.ButEnvia->isEnabled());
}

TEST(MailServer, BlankServerIsTheDefaultAndMissingPortIs25) {
    const QString path = test::sandboxDir() + "/server-preview.ini";
    const Settings settings(path);
    settings.setServer("   ");
    EXPECT_EQ(MailServer::fromSettings(settings).Host, "localhost");
    EXPECT_EQ(MailServer::fromSettings(settings).Port, 25);
    settings.setServer(" smtp.example.com ");
    settings.setPorta("587");
    EXPECT_EQ(MailServer::fromSettings(settings).Host, "smtp.example.com");
    EXPECT_EQ(MailServer::fromSettings(settings).Port, 587);
}

// A server that wants STARTTLS and a login: the password is asked for once
// the connection is encrypted, and the report goes out after the login.
class EmailDialogInterop : public EmailDialog {};

TEST_F(EmailDialogInterop, AsksForThePasswordOverStartTls) {
    const QString cert = dir.filePath("server-cert.pem"), key = dir.filePath("server-key.pem");
    QProcess openssl;
    openssl.start("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                              "-nodes", "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=localhost",
                              "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"});
    ASSERT_TRUE(openssl.waitForFinished(30000) && openssl.exitCode() == 0)
        << openssl.readAllStandardError().constData();
    const QSslConfiguration before = QSslConfiguration::defaultConfiguration();
    QSslConfiguration trusting = before;
    trusting.addCaCertificates(QSslCertificate::fromPath(cert));
    QSslConfiguration::setDefaultConfiguration(trusting);
    struct Restore {
        QSslConfiguration configuration;
        ~Restore() { QSslConfiguration::setDefaultConfiguration(configuration); }
    } restore{before};

    test::SinkServer server({test::mailDataDir() + "/smtp_tls_sink.py", "{port}", "{folder}", cert, key,
                             "relatorios", "segredo"});
    ASSERT_TRUE(server.waitUntilListening()) << server.errors().toStdString();
    useServer(server.port());
    Settings(SettingsFile::System).setConta("relatorios");
    user.fill = fillAll;
    user.password = "segredo";
    window->Email1Click();

    EXPECT_EQ(user.passwordLabels, QStringList{"Senha da conta relatorios em 127.0.0.1:"});
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].text, "E-mail enviado com sucesso...")
        << messages.requests[0].text.toStdString();
    ASSERT_FALSE(server.waitForMessage().isEmpty()) << server.errors().toStdString();
    const QJsonObject envelope = QJsonDocument::fromJson(test::readFile(server.envelopePath())).object();
    EXPECT_EQ(envelope["login"].toString(), "relatorios");
    EXPECT_FALSE(systemFile().contains("segredo"));
}
