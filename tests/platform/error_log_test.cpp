#include "platform/error.h"
#include "platform/error_log.h"

#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

using rl::ErrorLog;
using rl::test::firstDifference;
using rl::test::readFile;
using rl::test::writeFile;

namespace logtest {
struct Sender {
    virtual ~Sender() = default;
};
struct MainWindowHelper : Sender {};
} // namespace logtest

namespace {

// The log lives in the current folder, shared by the whole test process.
class ErrorLogTest : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(ErrorLog::path()); }
    void TearDown() override { QFile::remove(ErrorLog::path()); }

    static void expectLog(const QByteArray& expected) {
        const QByteArray actual = readFile(ErrorLog::path());
        EXPECT_EQ(actual, expected) << firstDifference(expected, actual);
    }
};

TEST_F(ErrorLogTest, LogIsRelantomadorLogInTheCurrentFolder) {
    EXPECT_EQ(ErrorLog::path(), QDir::currentPath() + QStringLiteral("/Relantomador.log"));
}

TEST_F(ErrorLogTest, LineFormatIsExact) {
    EXPECT_EQ(ErrorLog::formatLine(QString::fromUtf8("Divisão por zero"), QStringLiteral("butprint")),
              QByteArray("Ocorreu um erro no sistema, erro: Divis\xC3\xA3o por zero - Objeto :butprint\r\n"));
    EXPECT_EQ(ErrorLog::formatLine(QString(), QString()),
              QByteArray("Ocorreu um erro no sistema, erro:  - Objeto :\r\n"));
}

TEST_F(ErrorLogTest, ComponentIsNamedByItsObjectName) {
    QObject button;
    button.setObjectName(QStringLiteral("butprint"));
    EXPECT_TRUE(ErrorLog::logException(&button, rl::Error("Acesso negado")));
    QObject unnamed;
    EXPECT_TRUE(ErrorLog::logException(&unnamed, std::runtime_error("x")));
    EXPECT_TRUE(ErrorLog::logException(static_cast<const QObject*>(nullptr), std::runtime_error("y")));
    expectLog("Ocorreu um erro no sistema, erro: Acesso negado - Objeto :butprint\r\n"
              "Ocorreu um erro no sistema, erro: x - Objeto :\r\n"
              "Ocorreu um erro no sistema, erro: y - Objeto :\r\n");
}

TEST_F(ErrorLogTest, OtherObjectsAreNamedByTheirClass) {
    const logtest::MainWindowHelper helper;
    const logtest::Sender* sender = &helper;
    EXPECT_TRUE(ErrorLog::logException(sender, std::logic_error("falhou")));
    expectLog("Ocorreu um erro no sistema, erro: falhou - Objeto :logtest::MainWindowHelper\r\n");
}

TEST_F(ErrorLogTest, SecondErrorIsAppendedAndTheLogIsNeverTruncated) {
    writeFile(ErrorLog::path(), "linha antiga\r\n");
    EXPECT_TRUE(ErrorLog::append(QStringLiteral("primeiro"), QStringLiteral("Form1")));
    EXPECT_TRUE(ErrorLog::append(QStringLiteral("segundo"), QStringLiteral("Form1")));
    expectLog("linha antiga\r\n"
              "Ocorreu um erro no sistema, erro: primeiro - Objeto :Form1\r\n"
              "Ocorreu um erro no sistema, erro: segundo - Objeto :Form1\r\n");
}

TEST_F(ErrorLogTest, UnwritableLogReturnsFalseWithoutThrowing) {
    ASSERT_TRUE(QDir().mkpath(ErrorLog::path()));
    QObject sender;
    bool written = true;
    EXPECT_NO_THROW(written = ErrorLog::logException(&sender, rl::Error("perdido")));
    EXPECT_FALSE(written);
    EXPECT_FALSE(ErrorLog::append(QStringLiteral("a"), QStringLiteral("b")));
    QDir().rmdir(ErrorLog::path());

    QTemporaryDir dir;
    EXPECT_FALSE(ErrorLog::appendTo(dir.filePath(QStringLiteral("missing/folder/x.log")), QStringLiteral("a"),
                                    QStringLiteral("b")));
}

TEST(ErrorLogClassName, IsReadable) {
    EXPECT_EQ(ErrorLog::className(typeid(logtest::Sender)), QStringLiteral("logtest::Sender"));
}

} // namespace
