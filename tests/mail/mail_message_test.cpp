#include "mail/mail_message.h"

#include "mail_test_support.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "support/test_support.h"

#include <QJsonArray>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace rl;

namespace {

const MailCharset kWestern{"ISO-8859-1", 'Q'};

// 8 December 2026, 23:30:05 in Brasília (UTC-3).
const QDateTime kMoment(QDate(2026, 12, 8), QTime(23, 30, 5), Qt::OffsetFromUTC, -3 * 3600);

// 58 bytes of every kind: two base64 lines, 76 characters and 4 ending "==".
QByteArray attachmentBytes() {
    QByteArray bytes;
    for (int i = 0; i < 58; ++i)
        bytes += char((i * 37 + 5) & 0xFF);
    return bytes;
}

TMailMessage reportMessage(const QString& attachmentPath) {
    TMailMessage message;
    message.TextCharset = kWestern;
    message.setFrom("Relatórios Contábeis <relatorios@example.com>");
    message.setRecipients("ana@example.com, \"Silva, João\" <joao@example.com>");
    message.setCCList("Chefe <chefe@example.com>");
    message.setBccList("arquivo@example.com");
    message.Subject = "Relatório mensal de vendas";
    message.setBodyText("Segue o relatório do mês.\n.\nAtenciosamente");
    message.addAttachment(attachmentPath);
    message.MessageId = "<20261209023005.1f2e3d4c5b6a7988@example.com>";
    return message;
}

QString writeAttachment() {
    const QString path = test::sandboxDir() + "/Relatório de vendas.pdf";
    test::writeFile(path, attachmentBytes());
    return path;
}

const QString kGolden = test::mailDataDir() + "/report_message.eml";

} // namespace

// The message the e-mail dialog sends, as written after DATA (dot-stuffed).
// RL_UPDATE_GOLDENS=1 rewrites the golden file.
TEST(MailMessage, ReportMessageMatchesGolden) {
    const FixedClock clock(kMoment);
    const ScopedClock scoped(clock);
    const QByteArray actual = reportMessage(writeAttachment()).toBytes(MailLineWriter::DotStuffing::On);
    if (qEnvironmentVariableIsSet("RL_UPDATE_GOLDENS")) test::writeFile(kGolden, actual);
    const QByteArray expected = test::readFile(kGolden);
    EXPECT_EQ(expected, actual) << test::firstDifference(expected, actual);
}

// Python's email package reads the golden message as a mail reader would.
TEST(MailMessageInterop, PythonReadsTheGoldenMessage) {
    const QJsonObject parsed = test::parseWithPython(kGolden, true);
    ASSERT_FALSE(parsed.contains("error")) << parsed["error"].toString().toStdString();
    EXPECT_EQ(parsed["subject"].toString(), "Relatório mensal de vendas");
    EXPECT_EQ(parsed["from"].toArray(), QJsonArray({"Relatórios Contábeis|relatorios@example.com"}));
    EXPECT_EQ(parsed["to"].toArray(), QJsonArray({"|ana@example.com", "Silva, João|joao@example.com"}));
    EXPECT_EQ(parsed["cc"].toArray(), QJsonArray({"Chefe|chefe@example.com"}));
    EXPECT_TRUE(parsed["bcc"].isNull());
    EXPECT_EQ(parsed["date"].toString(), "Tue, 08 Dec 2026 23:30:05 -0300");
    EXPECT_EQ(parsed["text"].toString(), "Segue o relatório do mês.\n.\nAtenciosamente\n");
    const QJsonArray attachments = parsed["attachments"].toArray();
    ASSERT_EQ(attachments.size(), 1);
    EXPECT_EQ(attachments[0]["filename"].toString(), "Relatório de vendas.pdf");
    EXPECT_EQ(QByteArray::fromBase64(attachments[0]["base64"].toString().toLatin1()), attachmentBytes());
    EXPECT_TRUE(parsed["defects"].toArray().isEmpty()) << QJsonDocument(parsed).toJson().constData();
}

struct HeaderTextCase {
    const char* name;
    QString text;
    QByteArray encoded;
    MailCharset charset = kWestern;
};

void PrintTo(const HeaderTextCase& c, std::ostream* os) {
    *os << c.name;
}

class HeaderText : public ::testing::TestWithParam<HeaderTextCase> {};

TEST_P(HeaderText, IsEncoded) {
    EXPECT_EQ(encodeHeaderText(GetParam().text, GetParam().charset, HeaderTextKind::Unstructured, 9),
              GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(
    MailEncoding, HeaderText,
    ::testing::Values(
        HeaderTextCase{"FirstWordAlone", "Relatório mensal vendas",
                       "=?ISO-8859-1?Q?Relat=F3rio?= mensal vendas"},
        HeaderTextCase{"TwoWordsTogether", "Relatório único", "=?ISO-8859-1?Q?Relat=F3rio_=FAnico?="},
        HeaderTextCase{"EuroNeedsWindows1252", "Preço 10 €",
                       "=?ISO-8859-1?Q?Pre=E7o?= 10 =?windows-1252?Q?=80?="},
        HeaderTextCase{"LineBreakCannotStartAHeader", "Olá\r\nBcc: x@example.com",
                       "=?ISO-8859-1?Q?Ol=E1?= Bcc: x@example.com"},
        HeaderTextCase{"LongRunSplitBefore75Columns", QString("ação ").repeated(12).trimmed(),
                       "=?ISO-8859-1?Q?a=E7=E3o_a=E7=E3o_a=E7=E3o_a=E7=E3o_a=E7=E3o_a=E7?=\r\n"
                       "\t=?ISO-8859-1?Q?=E3o_a=E7=E3o_a=E7=E3o_a=E7=E3o_a=E7=E3o_a=E7=E3o_a=E7=E3?=\r\n"
                       "\t=?ISO-8859-1?Q?o?="},
        HeaderTextCase{"JapaneseIsIso2022JpInBase64", "日本語",
                       "=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=", MailCharset{"ISO-2022-JP", 'B'}},
        HeaderTextCase{"OutsideTheSetIsUtf8", "\U0001F600",
                       "=?UTF-8?B?8J+YgA==?=", MailCharset{"EUC-KR", 'B'}}),
    [](const auto& info) { return std::string(info.param.name); });

struct AddressCase {
    const char* name;
    QString text;
    QByteArray rendered; // empty: an error is expected
    const char* error;
};

void PrintTo(const AddressCase& c, std::ostream* os) {
    *os << c.name;
}

class AddressList : public ::testing::TestWithParam<AddressCase> {};

TEST_P(AddressList, ParsesOrRefuses) {
    TMailAddressList list;
    if (GetParam().rendered.isEmpty()) {
        try {
            list.setText(GetParam().text);
            FAIL() << list.rendered(kWestern).constData();
        } catch (const Error& error) {
            EXPECT_STREQ(error.what(), GetParam().error);
        }
        return;
    }
    list.setText(GetParam().text);
    EXPECT_EQ(list.rendered(kWestern), GetParam().rendered);
}

INSTANTIATE_TEST_SUITE_P(
    MailAddress, AddressList,
    ::testing::Values(AddressCase{"QuotedCommaDoesNotSplit", "a@example.com, \"Silva, Jo\" <j@example.com>",
                                  "a@example.com, \"Silva, Jo\" <j@example.com>", ""},
                      AddressCase{"GroupAndComment", "Equipe: (chefe) Ana <ana@example.com>, b@example.com;",
                                  "\"Ana\" <ana@example.com>, b@example.com", ""},
                      AddressCase{"QuotedLocalPart", "\"a.b\"@example.com, Ze <z,x@example.com>",
                                  "a.b@example.com, \"Ze\" <\"z,x\"@example.com>", ""},
                      AddressCase{"AtOutsideBrackets", "<a@example.com> @b", "", "@ Outside address"},
                      AddressCase{"LineBreakInAddress", "a@example.com\r\nRCPT TO:<z@example.com>", "",
                                  "Endereço de e-mail inválido: \"a@example.com RCPT TO:<z@example.com>\""},
                      AddressCase{"NameWithoutAddress", "a@example.com, Maria Silva", "",
                                  "Endereço de e-mail inválido: \"Maria Silva\""},
                      AddressCase{"QuotedLocalPartWithBlank",
                                  "\"john doe\"@example.com, Ana <\"ana \\\"a\\\"\"@example.com>",
                                  "<\"john doe\"@example.com>, \"Ana\" <\"ana \\\"a\\\"\"@example.com>", ""},
                      // What is not one mailbox is refused, not guessed at.
                      AddressCase{"UnclosedQuote", "\"john doe@example.com", "",
                                  "Endereço de e-mail inválido: \"\"john doe@example.com\""},
                      AddressCase{"SecondAtSign", "a@b@example.com", "",
                                  "Endereço de e-mail inválido: \"a@b@example.com\""},
                      AddressCase{"NoDomain", "ana@", "", "Endereço de e-mail inválido: \"ana@\""},
                      AddressCase{"UnclosedBracket", "Ana <ana@example.com", "",
                                  "Endereço de e-mail inválido: \"Ana <ana@example.com\""},
                      AddressCase{"TextAfterTheAddress", "ana@example.com lixo", "",
                                  "Endereço de e-mail inválido: \"ana@example.com lixo\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MailMessage, SenderMustBeAnAddress) {
    TMailMessage message;
    try {
        message.setFrom("Maria Silva");
        FAIL();
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "O remetente precisa ser um endereço de e-mail: \"Maria Silva\"");
    }
}

// Long address lists fold after commas within 78 columns; no Cc header without Cc.
TEST(MailMessage, HeaderBlockFoldsAndOmitsEmptyHeaders) {
    const FixedClock clock(kMoment);
    const ScopedClock scoped(clock);
    TMailMessage message;
    message.TextCharset = kWestern;
    message.setFrom("a@example.com");
    message.setRecipients("primeiro.destinatario@example.com, segundo.destinatario@example.com, "
                          "terceiro.destinatario@example.com");
    message.Body = {"ok"};
    QList<QByteArray> lines = message.GenerateHeader().lines();
    // Every message gets its own Message-ID after its Date, in the sender's domain.
    const qsizetype id = 5;
    EXPECT_TRUE(QRegularExpression("^Message-ID: <20261209023005\\.[0-9a-f]+@example\\.com>$")
                    .match(QString::fromLatin1(lines.value(id)))
                    .hasMatch())
        << lines.value(id).constData();
    EXPECT_NE(message.GenerateHeader().lines().value(id), lines.value(id));
    lines.removeAt(id);
    EXPECT_EQ(lines,
              QList<QByteArray>({"From: a@example.com",
                                 "To: primeiro.destinatario@example.com, segundo.destinatario@example.com,",
                                 " terceiro.destinatario@example.com", "Content-Type: text/plain",
                                 "Date: Tue, 8 Dec 2026 23:30:05 -0300", "X-Priority: 3",
                                 "X-Library: MorvexMail 1.0"}));
}
