#include "platform/folders.h"
#include "platform/settings.h"

#include "support/test_support.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using rl::Settings;
using rl::SettingsFile;
using rl::test::firstDifference;
using rl::test::readFile;
using rl::test::writeFile;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path() const { return dir.filePath(QStringLiteral("preview.ini")); }
    QTemporaryDir dir;
};

TEST_F(SettingsTest, EveryKeyHasItsDefaultWhenTheFileIsMissing) {
    const Settings settings(path());
    EXPECT_EQ(settings.figura(), QString());
    EXPECT_EQ(settings.posicao(), 0);
    EXPECT_EQ(settings.mostra(), 0);
    EXPECT_EQ(settings.papel(), QStringLiteral("Carta"));
    EXPECT_EQ(settings.height(), QStringLiteral("279,4"));
    EXPECT_EQ(settings.width(), QStringLiteral("215,9"));
    EXPECT_EQ(settings.server(), QString());
    EXPECT_EQ(settings.portaText(), QString());
    EXPECT_EQ(settings.porta(), 25);
    EXPECT_EQ(settings.conta(), QString());
    EXPECT_EQ(settings.de(), QString());
    EXPECT_EQ(settings.para(), QString());
    EXPECT_EQ(settings.comc(), QString());
    EXPECT_EQ(settings.ass(), QString());
    EXPECT_EQ(settings.men(), QString());
    EXPECT_EQ(settings.arq(), QString());
    EXPECT_EQ(settings.tipo(), 0);
}

TEST_F(SettingsTest, PageSetupWritesSectionConfig) {
    const Settings settings(path());
    // In the page setup dialog's order.
    settings.setFigura(QStringLiteral("/home/ana/logo.bmp"));
    settings.setPosicao(2);
    settings.setMostra(-1);
    settings.setServer(QStringLiteral("smtp.exemplo.com.br"));
    settings.setPorta(QStringLiteral("587"));
    settings.setConta(QStringLiteral("ana"));
    settings.setPapel(QStringLiteral("Customizado"));
    settings.setHeight(QStringLiteral("297"));
    settings.setWidth(QStringLiteral("210,5"));
    const QByteArray expected =
        "[config]\r\nfigura=/home/ana/logo.bmp\r\nposicao=2\r\nmostra=-1\r\n"
        "server=smtp.exemplo.com.br\r\nporta=587\r\nconta=ana\r\npapel=Customizado\r\n"
        "height=297\r\nwidth=210,5\r\n";
    const QByteArray actual = readFile(path());
    EXPECT_EQ(actual, expected) << firstDifference(expected, actual);
    EXPECT_EQ(settings.posicao(), 2);
    EXPECT_EQ(settings.mostra(), -1);
    EXPECT_EQ(settings.porta(), 587);
    EXPECT_EQ(settings.width(), QStringLiteral("210,5"));
}

TEST_F(SettingsTest, SendingWritesSectionEmail) {
    const Settings settings(path());
    settings.setDe(QStringLiteral("ana@exemplo.com.br"));
    settings.setPara(QStringLiteral("bia@exemplo.com.br, caio@exemplo.com.br"));
    settings.setComc(QString());
    settings.setAss(QString::fromUtf8("Relatório de vendas"));
    settings.setMen(QStringLiteral("Segue anexo.\r\nAbraços"));
    settings.setArq(QStringLiteral("vendas"));
    settings.setTipo(3);
    const QByteArray expected =
        "[email]\r\nde=ana@exemplo.com.br\r\npara=bia@exemplo.com.br, caio@exemplo.com.br\r\n"
        "comc=\r\nass=Relat\xC3\xB3rio de vendas\r\nmen=Segue anexo.\r\narq=vendas\r\ntipo=3\r\n";
    const QByteArray actual = readFile(path());
    EXPECT_EQ(actual, expected) << firstDifference(expected, actual);
    EXPECT_EQ(settings.ass(), QString::fromUtf8("Relatório de vendas"));
    EXPECT_EQ(settings.men(), QStringLiteral("Segue anexo."));
    EXPECT_EQ(settings.tipo(), 3);
}

TEST_F(SettingsTest, PortTypedAsTextFallsBackTo25OnlyForSending) {
    writeFile(path(), "[config]\nporta=vinte\n");
    const Settings settings(path());
    EXPECT_EQ(settings.portaText(), QStringLiteral("vinte"));
    EXPECT_EQ(settings.porta(), 25);
}

TEST_F(SettingsTest, EmptyPaperIsNotTheDefault) {
    writeFile(path(), "[CONFIG]\nPAPEL=\n");
    EXPECT_EQ(Settings(path()).papel(), QString());
}

TEST(SettingsFiles, ProgramAndSystemFilesAreDistinct) {
    const QString program = Settings::filePath(SettingsFile::Program);
    const QString system = Settings::filePath(SettingsFile::System);
    EXPECT_EQ(program, QCoreApplication::applicationDirPath() + QStringLiteral("/preview.ini"));
    EXPECT_EQ(system, qEnvironmentVariable("RELANTOMADOR_SYSTEM_DIR") + QStringLiteral("/preview.ini"));
    EXPECT_NE(program, system);
}

TEST(SettingsFiles, InstalledProgramReadsItsFileFromTheConfigurationFolder) {
    using namespace rl::Folders;
    ASSERT_FALSE(installedProgramFolder().isEmpty());
    EXPECT_TRUE(installedSettingsFolder().endsWith(QStringLiteral("etc/relantomador")));
    EXPECT_EQ(programSettingsFolder(installedProgramFolder()), installedSettingsFolder());
    EXPECT_EQ(programSettingsFolder(installedProgramFolder() + QStringLiteral("/")),
              installedSettingsFolder());
    // Anywhere else (a build tree, a copied program folder) the file is beside the executable.
    const QString elsewhere = rl::test::sandboxDir();
    EXPECT_EQ(programSettingsFolder(elsewhere), elsewhere);
}

TEST(SettingsFiles, SystemFileIsWrittenInTheSystemFolder) {
    const QString system = Settings::filePath(SettingsFile::System);
    ASSERT_FALSE(QFile::exists(system));
    Settings(SettingsFile::System).setPapel(QStringLiteral("A4"));
    EXPECT_EQ(Settings(system).papel(), QStringLiteral("A4"));
    EXPECT_EQ(Settings(SettingsFile::System).papel(), QStringLiteral("A4"));
    QFile::remove(system);
}

} // namespace
