#include "platform/error.h"
#include "platform/profile_file.h"

#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <unistd.h>

using rl::ProfileFile;
using rl::test::firstDifference;
using rl::test::readFile;
using rl::test::writeFile;

namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString path(const QString& name = QStringLiteral("preview.ini")) const { return dir.filePath(name); }

    // Writes the file, then returns a profile over it.
    ProfileFile withContent(const QByteArray& bytes) const {
        writeFile(path(), bytes);
        return ProfileFile(path());
    }

    void expectFile(const QByteArray& expected) const {
        const QByteArray actual = readFile(path());
        EXPECT_EQ(actual, expected) << firstDifference(expected, actual);
    }

    QTemporaryDir dir;
};

// ---- reading ----

TEST_F(ProfileFileTest, MissingFileGivesDefaultsAndCreatesNothing) {
    const ProfileFile ini(path());
    EXPECT_EQ(ini.readString(u"config", u"papel", QStringLiteral("Carta")), QStringLiteral("Carta"));
    EXPECT_EQ(ini.readInteger(u"config", u"mostra", 7), 7);
    EXPECT_TRUE(ini.readString(u"config", u"figura").isEmpty());
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(ProfileFileTest, SectionAndKeyNamesMatchWithoutRegardToCase) {
    const ProfileFile ini = withContent("[CONFIG]\r\nPapel=A4\r\nMOSTRA=1\r\n");
    EXPECT_EQ(ini.readString(u"config", u"papel"), QStringLiteral("A4"));
    EXPECT_EQ(ini.readString(u"Config", u"PAPEL"), QStringLiteral("A4"));
    EXPECT_EQ(ini.readInteger(u"config", u"mostra", 0), 1);
}

TEST_F(ProfileFileTest, KeysBelongToTheirSectionOnly) {
    const ProfileFile ini = withContent("papel=A3\n[email]\npapel=A5\n[config]\nfigura=x\n");
    EXPECT_EQ(ini.readString(u"config", u"papel", QStringLiteral("Carta")), QStringLiteral("Carta"));
    EXPECT_EQ(ini.readString(u"email", u"papel"), QStringLiteral("A5"));
    EXPECT_EQ(ini.readString(u"nada", u"figura", QStringLiteral("d")), QStringLiteral("d"));
}

TEST_F(ProfileFileTest, FirstSectionAndFirstKeyWin) {
    const ProfileFile ini = withContent("[config]\npapel=A4\npapel=A3\n[config]\npapel=A5\nfigura=f\n");
    EXPECT_EQ(ini.readString(u"config", u"papel"), QStringLiteral("A4"));
    // A key only in the second copy of the section is not seen, as on Windows.
    EXPECT_TRUE(ini.readString(u"config", u"figura").isEmpty());
}

TEST_F(ProfileFileTest, BlanksAroundNamesAndValuesAreRemoved) {
    const ProfileFile ini =
        withContent("  [ config ]  \n\t papel \t=  A4 Extra \t\nfigura=\"C:\\a b.bmp\"\n");
    EXPECT_EQ(ini.readString(u"config", u"papel"), QStringLiteral("A4 Extra"));
    // Quotes are kept: the value is returned as stored.
    EXPECT_EQ(ini.readString(u"config", u"figura"), QStringLiteral("\"C:\\a b.bmp\""));
}

TEST_F(ProfileFileTest, KeyWithEmptyValueReadsEmptyNotDefault) {
    const ProfileFile ini = withContent("[config]\npapel=\nheight=   \n");
    EXPECT_EQ(ini.readString(u"config", u"papel", QStringLiteral("Carta")), QString(""));
    EXPECT_EQ(ini.readString(u"config", u"height", QStringLiteral("279,4")), QString(""));
    EXPECT_EQ(ini.readInteger(u"config", u"papel", 5), 5);
}

TEST_F(ProfileFileTest, EveryLineBreakStyleEndsALine) {
    const ProfileFile ini = withContent("[config]\rpapel=A4\rfigura=f\n[email]\r\nde=a@b\n\nara=x");
    EXPECT_EQ(ini.readString(u"config", u"papel"), QStringLiteral("A4"));
    EXPECT_EQ(ini.readString(u"config", u"figura"), QStringLiteral("f"));
    EXPECT_EQ(ini.readString(u"email", u"de"), QStringLiteral("a@b"));
    EXPECT_EQ(ini.readString(u"email", u"ara"), QStringLiteral("x"));
}

TEST_F(ProfileFileTest, ValuesAreUtf8AndWindowsFilesAreWindows1252) {
    const ProfileFile ini = withContent("\xEF\xBB\xBF[email]\nde=Jo\xC3\xA3o <joao@exemplo.com.br>\n"
                                        "arq=Relat\xF3rio\n");
    EXPECT_EQ(ini.readString(u"email", u"de"), QString::fromUtf8("João <joao@exemplo.com.br>"));
    EXPECT_EQ(ini.readString(u"email", u"arq"), QString::fromUtf8("Relatório"));
}

TEST_F(ProfileFileTest, FilesThatAreNotSettingsGiveDefaultsWithoutFailing) {
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(char((i * 37 + 11) % 256));
    binary.append("\0[config]\0papel=A4\0", 19);
    for (const QByteArray& content :
         {binary, QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16),
          QByteArray("just some text\nwithout = sections\n"), QByteArray("[[[[]]]]===\n"), QByteArray("[")}) {
        const ProfileFile ini = withContent(content);
        EXPECT_EQ(ini.readString(u"config", u"papel", QStringLiteral("Carta")), QStringLiteral("Carta"));
        EXPECT_EQ(ini.readInteger(u"config", u"posicao", 3), 3);
    }
}

TEST_F(ProfileFileTest, OneMegabyteLinesAreRead) {
    const QByteArray huge(1024 * 1024, 'x');
    const ProfileFile ini = withContent("[config]\n" + huge + "\nfigura=" + huge + "\npapel=A4\n");
    EXPECT_EQ(ini.readString(u"config", u"papel"), QStringLiteral("A4"));
    EXPECT_EQ(ini.readString(u"config", u"figura").size(), huge.size());
    EXPECT_EQ(ini.readString(u"config", u"height", QStringLiteral("279,4")), QStringLiteral("279,4"));
}

TEST_F(ProfileFileTest, OversizedFileReadsAsDefaultsAndIsNeverRewritten) {
    QByteArray content("[config]\npapel=A4\n");
    content.append(QByteArray(ProfileFile::MaxFileSize, ';'));
    const ProfileFile ini = withContent(content);
    EXPECT_EQ(ini.readString(u"config", u"papel", QStringLiteral("Carta")), QStringLiteral("Carta"));
    EXPECT_THROW(ini.writeString(u"config", u"papel", QStringLiteral("A3")), rl::Error);
    EXPECT_EQ(QFileInfo(path()).size(), content.size());
}

TEST_F(ProfileFileTest, FolderInPlaceOfTheFileGivesDefaultsAndRefusesWrites) {
    ASSERT_TRUE(QDir().mkpath(path()));
    const ProfileFile ini(path());
    EXPECT_EQ(ini.readString(u"config", u"papel", QStringLiteral("Carta")), QStringLiteral("Carta"));
    EXPECT_THROW(ini.writeString(u"config", u"papel", QStringLiteral("A3")), rl::Error);
}

TEST_F(ProfileFileTest, NothingIsCached) {
    const ProfileFile first = withContent("[config]\npapel=A4\n");
    const ProfileFile second(path());
    EXPECT_EQ(second.readString(u"config", u"papel"), QStringLiteral("A4"));
    first.writeString(u"config", u"papel", QStringLiteral("Customizado"));
    EXPECT_EQ(second.readString(u"config", u"papel"), QStringLiteral("Customizado"));
    writeFile(path(), "[config]\npapel=A5\n");
    EXPECT_EQ(first.readString(u"config", u"papel"), QStringLiteral("A5"));
}

// ---- integers ----

struct IntegerCase {
    const char* name;
    const char* text;
    std::optional<int> value;
};

class ProfileFileInteger : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(ProfileFileInteger, Parses) {
    const IntegerCase& c = GetParam();
    EXPECT_EQ(ProfileFile::parseInteger(QString::fromUtf8(c.text)), c.value) << "text: \"" << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ProfileFileInteger,
    ::testing::Values(
        IntegerCase{"Decimal", "25", 25}, IntegerCase{"Negative", "-1", -1}, IntegerCase{"Plus", "+3", 3},
        IntegerCase{"LeadingZeros", "007", 7}, IntegerCase{"Blanks", "  42 ", 42},
        IntegerCase{"HexLowerX", "0x1F", 31}, IntegerCase{"HexUpperX", "0X1f", 31},
        IntegerCase{"HexDollar", "$FF", 255}, IntegerCase{"HexNegative", "-$10", -16},
        IntegerCase{"HexAllBits", "$FFFFFFFF", -1}, IntegerCase{"Largest", "2147483647", 2147483647},
        IntegerCase{"Smallest", "-2147483648", -2147483647 - 1},
        IntegerCase{"TooLarge", "2147483648", std::nullopt},
        IntegerCase{"HexTooLarge", "0x100000000", std::nullopt},
        IntegerCase{"TrailingText", "12abc", std::nullopt}, IntegerCase{"Word", "abc", std::nullopt},
        IntegerCase{"Empty", "", std::nullopt}, IntegerCase{"SignOnly", "-", std::nullopt},
        IntegerCase{"PrefixOnly", "0x", std::nullopt}, IntegerCase{"DollarOnly", "$", std::nullopt},
        IntegerCase{"BadHexDigit", "0x1G", std::nullopt}, IntegerCase{"Fraction", "1.5", std::nullopt},
        IntegerCase{"InnerBlank", "1 2", std::nullopt},
        IntegerCase{"ArabicDigits", "\xD9\xA3", std::nullopt}),
    [](const ::testing::TestParamInfo<IntegerCase>& info) { return std::string(info.param.name); });

TEST_F(ProfileFileTest, ReadIntegerGivesTheDefaultForInvalidText) {
    const ProfileFile ini = withContent("[config]\nposicao=$2\nmostra=um\nporta=0x19\n");
    EXPECT_EQ(ini.readInteger(u"config", u"posicao", 0), 2);
    EXPECT_EQ(ini.readInteger(u"config", u"mostra", 9), 9);
    EXPECT_EQ(ini.readInteger(u"config", u"porta", 0), 25);
}

// ---- writing ----

TEST_F(ProfileFileTest, WritingCreatesFolderFileAndSection) {
    const QString nested = dir.filePath(QStringLiteral("a/b/preview.ini"));
    const ProfileFile ini(nested);
    ini.writeString(u"config", u"figura", QStringLiteral("/home/ana/logo.bmp"));
    ini.writeInteger(u"config", u"posicao", -1);
    ini.writeString(u"email", u"de", QString::fromUtf8("joão@exemplo.com.br"));
    const QByteArray expected = "[config]\r\nfigura=/home/ana/logo.bmp\r\nposicao=-1\r\n"
                                "[email]\r\nde=jo\xC3\xA3o@exemplo.com.br\r\n";
    const QByteArray actual = readFile(nested);
    EXPECT_EQ(actual, expected) << firstDifference(expected, actual);
    EXPECT_EQ(ini.readString(u"email", u"de"), QString::fromUtf8("joão@exemplo.com.br"));
}

TEST_F(ProfileFileTest, WritingKeepsEveryOtherLineInPlace) {
    const ProfileFile ini = withContent("; written by hand\n[config]\nfigura=a.bmp\n  Papel = A4  \n\n"
                                        "[email]\nde=x@y\nstray line\n");
    ini.writeString(u"config", u"papel", QStringLiteral("Carta"));
    ini.writeString(u"config", u"mostra", QStringLiteral("1"));
    ini.writeString(u"email", u"tipo", QStringLiteral("2"));
    expectFile("; written by hand\n[config]\nfigura=a.bmp\npapel=Carta\nmostra=1\n\n"
               "[email]\nde=x@y\nstray line\ntipo=2\n");
}

TEST_F(ProfileFileTest, WritingToAFileWithoutFinalLineBreak) {
    const ProfileFile ini = withContent("[config]\r\nfigura=a");
    ini.writeString(u"config", u"papel", QStringLiteral("A4"));
    ini.writeString(u"email", u"de", QStringLiteral("d"));
    expectFile("[config]\r\nfigura=a\r\npapel=A4\r\n[email]\r\nde=d\r\n");
}

TEST_F(ProfileFileTest, EmptyValueIsWrittenAndReadsBackEmpty) {
    const ProfileFile ini(path());
    ini.writeString(u"config", u"papel", QString());
    expectFile("[config]\r\npapel=\r\n");
    EXPECT_EQ(ini.readString(u"config", u"papel", QStringLiteral("Carta")), QString(""));
}

TEST_F(ProfileFileTest, ValueWithLineBreakReadsBackUpToTheFirstBreakAndInjectsNothing) {
    const ProfileFile ini(path());
    ini.writeString(u"email", u"men", QStringLiteral("Segue o relatório.\r\n[config]\npapel=A3\nAtt."));
    EXPECT_EQ(ini.readString(u"email", u"men"), QString::fromUtf8("Segue o relatório."));
    EXPECT_EQ(ini.readString(u"config", u"papel", QStringLiteral("Carta")), QStringLiteral("Carta"));
    // Writing it again replaces the value without leftovers.
    ini.writeString(u"email", u"men", QStringLiteral("Oi\rTchau"));
    expectFile("[email]\r\nmen=Oi\r\n");
}

TEST_F(ProfileFileTest, BlanksAroundAValueAreWrittenButNotReadBack) {
    const ProfileFile ini(path());
    ini.writeString(u"config", u"server", QStringLiteral("  smtp.exemplo.com  "));
    expectFile("[config]\r\nserver=  smtp.exemplo.com  \r\n");
    EXPECT_EQ(ini.readString(u"config", u"server"), QStringLiteral("smtp.exemplo.com"));
}

TEST_F(ProfileFileTest, NamesThatCannotBeStoredAreRefused) {
    const ProfileFile ini(path());
    EXPECT_THROW(ini.writeString(u"config", u"a=b", QStringLiteral("x")), rl::Error);
    EXPECT_THROW(ini.writeString(u"config", u"", QStringLiteral("x")), rl::Error);
    EXPECT_THROW(ini.writeString(u"con]fig", u"a", QStringLiteral("x")), rl::Error);
    EXPECT_THROW(ini.writeString(u"config", u"a\nb", QStringLiteral("x")), rl::Error);
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(ProfileFileTest, WritingLeavesNoTemporaryFileBehind) {
    const ProfileFile ini(path());
    for (int i = 0; i < 5; ++i)
        ini.writeInteger(u"email", u"tipo", i);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("preview.ini")});
    EXPECT_EQ(ini.readInteger(u"email", u"tipo", -1), 4);
}

TEST_F(ProfileFileTest, RewritingKeepsTheFilesPermissions) {
    const ProfileFile ini = withContent("[config]\nconta=ana\n");
    const auto privateFile = QFile::ReadOwner | QFile::WriteOwner;
    ASSERT_TRUE(QFile::setPermissions(path(), privateFile));
    ini.writeString(u"config", u"conta", QStringLiteral("bia"));
    // Owner, group and others; the "user" bits only mirror the owner bits for the running user.
    EXPECT_EQ(QFile::permissions(path()) & 0xF0FF, privateFile);
}

TEST_F(ProfileFileTest, FolderThatCannotBeCreatedMakesTheWriteThrow) {
    writeFile(dir.filePath(QStringLiteral("blocker")), "not a folder");
    const ProfileFile ini(dir.filePath(QStringLiteral("blocker/preview.ini")));
    EXPECT_THROW(ini.writeInteger(u"email", u"tipo", 1), rl::Error);
}

TEST_F(ProfileFileTest, FailedWriteThrowsAndKeepsTheOldContent) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    const ProfileFile ini = withContent("[config]\npapel=A4\n");
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_THROW(ini.writeString(u"config", u"papel", QStringLiteral("A3")), rl::Error);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    expectFile("[config]\npapel=A4\n");
}

TEST_F(ProfileFileTest, UnreadableFileIsNotOverwritten) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    const ProfileFile ini = withContent("[config]\npapel=A4\nfigura=f\n");
    QFile::setPermissions(path(), QFile::WriteOwner);
    EXPECT_EQ(ini.readString(u"config", u"papel", QStringLiteral("Carta")), QStringLiteral("Carta"));
    EXPECT_THROW(ini.writeString(u"config", u"papel", QStringLiteral("A3")), rl::Error);
    QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
    expectFile("[config]\npapel=A4\nfigura=f\n");
}

TEST_F(ProfileFileTest, WritingOneKeyChangesNoOtherOnScrambledFiles) {
    // Files assembled from INI-like fragments, line breaks of every kind and junk.
    const QByteArray fragments[] = {"[config]",          "[CONFIG",    "[email]", "[ email ]", "[]", "[x]]",
                                    "papel=A4",          "PAPEL = A3", "figura=", "de=a@b",    "=",  "==x",
                                    "tipo=$1F",          "junk",       "\xC3",    "\xFF\xFE",  " ",  "\t",
                                    QByteArray("\0", 1), "\r",         "\n",      "\r\n",      "\n", "\n"};
    const QStringView sections[] = {u"config", u"email", u"x"};
    const QStringView keys[] = {u"papel", u"figura", u"de", u"tipo", u"novo"};
    std::mt19937 random(20240601);
    for (int round = 0; round < 150; ++round) {
        QByteArray content;
        const int parts = int(random() % 30);
        for (int i = 0; i < parts; ++i)
            content += fragments[random() % std::size(fragments)];
        const ProfileFile ini = withContent(content);
        const QStringView section = sections[random() % std::size(sections)];
        const QStringView key = keys[random() % std::size(keys)];
        const QString value = QStringLiteral("v%1").arg(round);

        std::vector<QString> before;
        for (const QStringView s : sections)
            for (const QStringView k : keys)
                before.push_back(ini.readString(s, k, QStringLiteral("<none>")));
        ini.writeString(section, key, value);

        size_t at = 0;
        for (const QStringView s : sections)
            for (const QStringView k : keys) {
                const QString expected = (s == section && k == key) ? value : before[at];
                EXPECT_EQ(ini.readString(s, k, QStringLiteral("<none>")), expected)
                    << "round " << round << " [" << s.toString().toStdString() << "] "
                    << k.toString().toStdString() << " in " << content.toHex(' ').toStdString();
                ++at;
            }
        ASSERT_FALSE(HasFailure());
    }
}

} // namespace
