#include "mail/smtp_client.h"

#include "mail_test_support.h"
#include "smtp_sink_server.h"
#include "support/test_support.h"

#include <QJsonArray>

#include <gtest/gtest.h>

using namespace rl;

using test::SinkServer;

// The report, sent to a real SMTP server, arrives as Python's email package
// reads it: decoded subject, To and Cc as given, Bcc only in the envelope,
// one attachment with the file's bytes.
TEST(SmtpDeliveryInterop, ReportArrivesWhole) {
    SinkServer server(
        {"-m", "aiosmtpd", "-n", "-l", "127.0.0.1:{port}", "-c", "smtp_sink.SaveToFolder", "{folder}"});
    ASSERT_TRUE(server.waitUntilListening()) << server.errors().toStdString();

    QByteArray report;
    for (int i = 0; i < 10000; ++i)
        report += char((i * 7919 + i / 256) & 0xFF);
    const QString path = test::sandboxDir() + "/relatorio.pdf";
    test::writeFile(path, report);

    TMailMessage message;
    message.TextCharset = MailCharset{"ISO-8859-1", 'Q'};
    message.setFrom("Relatórios <relatorios@example.com>");
    message.setRecipients("ana@example.com, \"Silva, João\" <joao@example.com>");
    message.setCCList("chefe@example.com");
    message.setBccList("arquivo@example.com");
    message.Subject = "Relatório de vendas";
    message.setBodyText("Segue o relatório.\r\n.\r\nFim");
    message.addAttachment(path).FileName = "Vendas de março.pdf";

    TSmtpClient client;
    client.Host = "127.0.0.1";
    client.Port = server.port();
    client.Connect();
    client.Send(message);
    client.Disconnect();

    const QString received = server.waitForMessage();
    ASSERT_FALSE(received.isEmpty()) << server.errors().toStdString();
    const QJsonObject parsed = test::parseWithPython(received, false);
    ASSERT_FALSE(parsed.contains("error")) << parsed["error"].toString().toStdString();
    EXPECT_EQ(parsed["subject"].toString(), "Relatório de vendas");
    EXPECT_EQ(parsed["to"].toArray(), QJsonArray({"|ana@example.com", "Silva, João|joao@example.com"}));
    EXPECT_EQ(parsed["cc"].toArray(), QJsonArray({"|chefe@example.com"}));
    EXPECT_TRUE(parsed["bcc"].isNull());
    EXPECT_EQ(parsed["text"].toString(), "Segue o relatório.\n.\nFim\n");
    const QJsonArray attachments = parsed["attachments"].toArray();
    ASSERT_EQ(attachments.size(), 1);
    EXPECT_EQ(attachments[0]["filename"].toString(), "Vendas de março.pdf");
    EXPECT_EQ(QByteArray::fromBase64(attachments[0]["base64"].toString().toLatin1()), report);

    const QJsonObject envelope = QJsonDocument::fromJson(test::readFile(server.envelopePath())).object();
    EXPECT_EQ(envelope["mail_from"].toString(), "relatorios@example.com");
    EXPECT_EQ(envelope["rcpt_tos"].toArray(), QJsonArray({"ana@example.com", "joao@example.com",
                                                          "chefe@example.com", "arquivo@example.com"}));
}

// A server that wants STARTTLS and a login: a certificate the client does not
// trust ends the connection before anything is said in clear; trusted, the
// login goes over the encrypted connection and the message arrives.
TEST(SmtpDeliveryInterop, StartTlsWithLogin) {
    const QString cert = test::sandboxDir() + "/server-cert.pem",
                  key = test::sandboxDir() + "/server-key.pem";
    QProcess openssl;
    openssl.start("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                              "-nodes", "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=localhost",
                              "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"});
    ASSERT_TRUE(openssl.waitForFinished(30000) && openssl.exitCode() == 0)
        << openssl.readAllStandardError().constData();
    SinkServer server({test::mailDataDir() + "/smtp_tls_sink.py", "{port}", "{folder}", cert, key,
                       "relatorios", "segredo"});
    ASSERT_TRUE(server.waitUntilListening()) << server.errors().toStdString();

    TMailMessage message;
    message.setFrom("relatorios@example.com");
    message.setRecipients("ana@example.com");
    message.Subject = "Cifrado";
    message.Body = {"ok"};

    TSmtpClient untrusting;
    untrusting.Host = "127.0.0.1";
    untrusting.Port = server.port();
    try {
        untrusting.Connect();
        ADD_FAILURE() << "an untrusted certificate was accepted";
    } catch (const Error& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).startsWith("Certificado do servidor de e-mail recusado"))
            << error.what();
    }

    TSmtpClient client;
    client.Host = "127.0.0.1";
    client.Port = server.port();
    client.CaCertificates = QSslCertificate::fromPath(cert);
    client.setAuthenticationType(TSmtpClient::TAuthenticationType::atLogin);
    client.UserName = "relatorios";
    client.Password = "segredo";
    client.Connect();
    EXPECT_TRUE(client.Encrypted());
    client.Send(message);
    client.Disconnect();

    ASSERT_FALSE(server.waitForMessage().isEmpty()) << server.errors().toStdString();
    const QJsonObject envelope = QJsonDocument::fromJson(test::readFile(server.envelopePath())).object();
    EXPECT_EQ(envelope["login"].toString(), "relatorios");
}
