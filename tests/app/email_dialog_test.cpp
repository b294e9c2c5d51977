#include "app/email_dialog.h"

#include "mail/scripted_smtp_server.h"
#include "mail/smtp_sink_server.h"
#include "main_window_fixture.h"
#include "platform/settings.h"

#include <QComboBox>
#include <QDir>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
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
    bool sendEnabledAfter = true;
    QString statusAfter;
    QWidget* focusAfter = nullptr;
    QString focusName;

    bool execDialog(QWidget* widget) override {
        auto& dialog = *static_cast<TForm4*>(widget);
        dialog.show();
        dialog.activateWindow();
        if (fill) fill(dialog);
        if (during) QTimer::singleShot(200, &dialog, [&] { during(dialog); });
        dialog.ButEnvia->click();
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

// A server that never answers: the close box gives the connection up at
// once, and the dialog closes when the send has returned.
TEST_F(EmailDialog, ClosingEndsAStuckConnection) {
    ScriptedSmtpServer server({.silent = true});
    useServer(server.port());
    user.fill = fillAll;
    QString captionDuring;
    user.during = [&](TForm4& d) {
        captionDuring = d.BitBtn1->text();
        d.close();
    };
    window->Email1Click();

    EXPECT_EQ(captionDuring, "&Cancelar");
    EXPECT_FALSE(user.visibleAfter);
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_TRUE(messages.requests[0].text.endsWith("Envio de e-mail cancelado."))
        << messages.requests[0].text.toStdString();
    EXPECT_FALSE(QFile::exists(Settings::filePath(SettingsFile::System)) && systemFile().contains("[email]"));
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
