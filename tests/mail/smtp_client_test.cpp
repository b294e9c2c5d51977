#include "mail/smtp_client.h"

#include "scripted_smtp_server.h"
#include "support/test_support.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <thread>

using rl::SmtpReplyError;
using rl::TMailMessage;
using rl::TSmtpClient;
using rl::test::ScriptedSmtpServer;

namespace {

TMailMessage plainMessage() {
    TMailMessage message;
    message.TextCharset = rl::MailCharset{"ISO-8859-1", 'Q'};
    message.setFrom("Ana <ana@example.com>");
    message.setRecipients("to@example.com");
    message.setCCList("cc@example.com");
    message.setBccList("Arquivo <bcc@example.com>");
    message.Subject = "Teste";
    message.setBodyText("linha 1\n.\n.oculta\nfim");
    return message;
}

void configure(TSmtpClient& client, const ScriptedSmtpServer& server) {
    client.Host = "127.0.0.1";
    client.Port = server.port();
    client.HeloName = "client.test";
}

struct DialogueCase {
    const char* name;
    ScriptedSmtpServer::Script script;
    QList<QByteArray> greeting; // the expected commands before RSET
};

void PrintTo(const DialogueCase& c, std::ostream* os) {
    *os << c.name;
}

class SmtpDialogue : public ::testing::TestWithParam<DialogueCase> {};

} // namespace

// Whole sessions against a scripted server: the exact commands, the envelope
// for To, Cc and Bcc in that order, and the DATA bytes as they arrived.
TEST_P(SmtpDialogue, SendsTheExactCommands) {
    ScriptedSmtpServer server(GetParam().script);
    TSmtpClient client;
    configure(client, server);
    client.Connect();
    client.Send(plainMessage());
    client.Disconnect();
    server.finish();

    QList<QByteArray> expected = GetParam().greeting;
    expected << "RSET"
             << "MAIL FROM:<ana@example.com>"
             << "RCPT TO:<to@example.com>"
             << "RCPT TO:<cc@example.com>"
             << "RCPT TO:<bcc@example.com>"
             << "DATA"
             << "QUIT";
    EXPECT_EQ(server.transcript(), expected);
    // Dot-stuffed on the wire; Bcc only in the envelope.
    EXPECT_TRUE(server.data().contains("\r\nlinha 1\r\n..\r\n..oculta\r\nfim\r\n"))
        << server.data().constData();
    EXPECT_FALSE(server.data().contains("bcc@example.com"));
    EXPECT_TRUE(server.data().startsWith("From: \"Ana\" <ana@example.com>\r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    SmtpClient, SmtpDialogue,
    ::testing::Values(
        DialogueCase{"MultiLineGreetingThenEhlo",
                     {"220-test.server\r\n220-second line\r\n220 ready\r\n",
                      {{"EHLO", "250-test.server\r\n250-AUTH PLAIN LOGIN\r\n250-8BITMIME\r\n250 HELP\r\n"}}},
                     {"EHLO client.test"}},
        DialogueCase{"EhloRefusedFallsBackToHelo",
                     {"220 ready\r\n", {{"EHLO", "500 Command not recognized\r\n"}}},
                     {"EHLO client.test", "HELO client.test"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SmtpClient, RefusedRecipientStopsBeforeDataWithCodeAndText) {
    ScriptedSmtpServer::Script script;
    script.replies["RCPT"] = "550-No such user here\r\n550 5.1.1 Try another\r\n";
    ScriptedSmtpServer server(script);
    TSmtpClient client;
    configure(client, server);
    client.Connect();
    try {
        client.Send(plainMessage());
        FAIL() << "no error";
    } catch (const SmtpReplyError& error) {
        EXPECT_EQ(error.code(), 550);
        EXPECT_EQ(error.text(), QStringList({"No such user here", "5.1.1 Try another"}));
        EXPECT_STREQ(error.what(), "550 No such user here 5.1.1 Try another");
    }
    client.Disconnect();
    server.finish();
    EXPECT_EQ(server.transcript().last(), "QUIT");
    EXPECT_FALSE(server.transcript().contains("DATA"));
}

// Connection failures end with an error, the connection closed, and nothing
// left waiting: a greeting line past the maximum, a server that never answers
// (by the time limit, and by Cancel() from another thread).
TEST(SmtpClient, StuckOrHostileServerEndsPromptly) {
    {
        ScriptedSmtpServer::Script script;
        script.greeting = "220 " + QByteArray(5000, 'x') + "\r\n";
        ScriptedSmtpServer server(script);
        TSmtpClient client;
        configure(client, server);
        try {
            client.Connect();
            FAIL() << "no error";
        } catch (const rl::Error& error) {
            EXPECT_STREQ(error.what(), "Max line length exceeded.");
        }
        EXPECT_FALSE(client.Connected());
    }
    for (bool cancel : {false, true}) {
        ScriptedSmtpServer::Script script;
        script.silent = true;
        ScriptedSmtpServer server(script);
        TSmtpClient client;
        configure(client, server);
        client.ReadTimeout = cancel ? 0 : 300; // 0: no limit, only the cancel can end it
        std::thread canceller;
        if (cancel)
            canceller = std::thread([&client] {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                client.Cancel();
            });
        QElapsedTimer elapsed;
        elapsed.start();
        try {
            client.Connect();
            ADD_FAILURE() << "no error";
        } catch (const rl::Error& error) {
            // A silent greeting is what a port of implicit TLS (465) gives; the message says so.
            const QString message = QString::fromUtf8(error.what());
            EXPECT_TRUE(cancel ? message == "Envio de e-mail cancelado." : message.contains("porta 465"))
                << error.what();
        }
        if (canceller.joinable()) canceller.join();
        EXPECT_LT(elapsed.elapsed(), 5000);
        EXPECT_FALSE(client.Connected());
    }
}

// A password never travels in clear: a server that offers AUTH but no STARTTLS
// gets no AUTH command and no message.
TEST(SmtpClient, LoginIsRefusedOnAPlainConnection) {
    ScriptedSmtpServer::Script script;
    script.replies["EHLO"] = "250-test.server\r\n250 AUTH PLAIN LOGIN\r\n";
    ScriptedSmtpServer server(script);
    TSmtpClient client;
    configure(client, server);
    client.setAuthenticationType(TSmtpClient::TAuthenticationType::atLogin);
    client.UserName = "ana";
    client.Password = "segredo";
    client.Connect();
    EXPECT_THROW(client.Send(plainMessage()), rl::Error);
    client.Disconnect();
    server.finish();
    EXPECT_EQ(server.transcript(), QList<QByteArray>({"EHLO client.test", "RSET", "QUIT"}));
}
