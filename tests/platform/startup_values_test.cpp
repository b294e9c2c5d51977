#include "platform/settings.h"
#include "platform/startup_values.h"

#include "support/test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using rl::permissionFlags;
using rl::StartupValues;

namespace {

TEST(StartupValues, FirstThreeArgumentsAndTheJoinedCommandLine) {
    const StartupValues values = StartupValues::fromArguments(
        {QStringLiteral("/tmp/rel.txt"), QStringLiteral("132"), QStringLiteral("PAISAGEM"),
         QStringLiteral("permissao=SNS"), QStringLiteral("extra")});
    EXPECT_EQ(values.ReportFilePath, QStringLiteral("/tmp/rel.txt"));
    EXPECT_EQ(values.ColumnCode, QStringLiteral("132"));
    EXPECT_EQ(values.OrientationWord, QStringLiteral("PAISAGEM"));
    EXPECT_EQ(values.JoinedCommandLine, QStringLiteral(" /tmp/rel.txt 132 PAISAGEM permissao=SNS extra"));
}

TEST(StartupValues, MissingArgumentsAreEmpty) {
    const StartupValues none = StartupValues::fromArguments({});
    EXPECT_TRUE(none.ReportFilePath.isEmpty());
    EXPECT_TRUE(none.ColumnCode.isEmpty());
    EXPECT_TRUE(none.OrientationWord.isEmpty());
    EXPECT_TRUE(none.JoinedCommandLine.isEmpty());

    const StartupValues one = StartupValues::fromArguments({QStringLiteral("a b.txt")});
    EXPECT_EQ(one.ReportFilePath, QStringLiteral("a b.txt"));
    EXPECT_TRUE(one.ColumnCode.isEmpty());
    EXPECT_EQ(one.JoinedCommandLine, QStringLiteral(" a b.txt"));
}

TEST(StartupValues, ArgumentsAreTakenAsTheyAre) {
    const StartupValues values =
        StartupValues::fromArguments({QString(), QStringLiteral(" 80 "), QStringLiteral("retrato")});
    EXPECT_EQ(values.ColumnCode, QStringLiteral(" 80 "));
    // " " + "" + " " + " 80 " + " " + "retrato"
    EXPECT_EQ(values.JoinedCommandLine, QStringLiteral("   80  retrato"));
}

TEST(StartupValues, KeepOptionIsNoArgumentWhereverItStands) {
    const StartupValues first = StartupValues::fromArguments(
        {QStringLiteral("--keep"), QStringLiteral("/tmp/r.txt"), QStringLiteral("132")});
    EXPECT_TRUE(first.KeepReportFile);
    EXPECT_EQ(first.ReportFilePath, QStringLiteral("/tmp/r.txt"));
    EXPECT_EQ(first.ColumnCode, QStringLiteral("132"));
    EXPECT_EQ(first.JoinedCommandLine, QStringLiteral(" /tmp/r.txt 132"));

    const StartupValues last =
        StartupValues::fromArguments({QStringLiteral("/tmp/r.txt"), QStringLiteral("--keep")});
    EXPECT_TRUE(last.KeepReportFile);
    EXPECT_TRUE(last.ColumnCode.isEmpty());

    EXPECT_FALSE(StartupValues::fromArguments({QStringLiteral("/tmp/r.txt")}).KeepReportFile);
    // Only the option itself: a file may be called "--keep.txt".
    EXPECT_FALSE(StartupValues::fromArguments({QStringLiteral("--keep.txt")}).KeepReportFile);
}

TEST(StartupValues, FigureAndPaperComeFromTheSettings) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("preview.ini"));
    StartupValues values;
    values.readSettings(rl::LayoutSettings(rl::Settings(dir.filePath("user.ini")), rl::Settings(path)));
    EXPECT_TRUE(values.FigurePath.isEmpty());
    EXPECT_EQ(values.PaperName, QStringLiteral("Carta"));

    rl::test::writeFile(path, "[config]\r\nfigura=/home/ana/logo.png\r\npapel=A4\r\n");
    values.readSettings(rl::LayoutSettings(rl::Settings(dir.filePath("user.ini")), rl::Settings(path)));
    EXPECT_EQ(values.FigurePath, QStringLiteral("/home/ana/logo.png"));
    EXPECT_EQ(values.PaperName, QStringLiteral("A4"));
}

// ---- permission flags ----

struct FlagsCase {
    const char* name;
    const char16_t* commandLine;
    std::optional<std::array<bool, 3>> flags;
};

class PermissionFlags : public ::testing::TestWithParam<FlagsCase> {};

TEST_P(PermissionFlags, FromTheJoinedCommandLine) {
    const FlagsCase& c = GetParam();
    EXPECT_EQ(permissionFlags(QString::fromUtf16(c.commandLine)), c.flags);
}

constexpr std::array<bool, 3> flags(bool print, bool send, bool exportSave) {
    return {print, send, exportSave};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PermissionFlags,
    ::testing::Values(
        FlagsCase{"NoPermissionArgument", u" rel.txt 80 retrato", std::nullopt},
        FlagsCase{"EmptyCommandLine", u"", std::nullopt},
        FlagsCase{"NSNAtTheEnd", u" rel.txt 80 retrato permissao=NSN", flags(false, true, false)},
        FlagsCase{"NSNFirst", u" permissao=NSN rel.txt 132", flags(false, true, false)},
        FlagsCase{"ThreeBlanks", u" rel.txt 80 permissao=   ", std::nullopt},
        FlagsCase{"ThreeBlanksBeforeMore", u" permissao=    rel.txt", std::nullopt},
        FlagsCase{"NothingAfterIt", u" rel.txt permissao", std::nullopt},
        FlagsCase{"OnlyTheSkippedCharacter", u" rel.txt permissao=", std::nullopt},
        FlagsCase{"OneFlagAtTheEnd", u" rel.txt 80 permissao=S", flags(true, false, false)},
        FlagsCase{"TwoFlagsAtTheEnd", u" rel.txt 80 permissao=SS", flags(true, true, false)},
        FlagsCase{"LowerCaseFlags", u" rel.txt permissao=sns", flags(true, false, true)},
        FlagsCase{"UpperCaseWord", u" rel.txt PERMISSAO=SSS", flags(true, true, true)},
        FlagsCase{"MixedCaseWord", u" rel.txt PermISSao=NNS", flags(false, false, true)},
        FlagsCase{"AnyCharacterIsSkipped", u" permissao:SSN", flags(true, true, false)},
        FlagsCase{"BlankFlagCountsAsNo", u" x permissao= S", flags(false, true, false)},
        FlagsCase{"FlagsRunIntoTheNextArgument", u" permissao=S rel.txt", flags(true, false, false)},
        FlagsCase{"OtherLettersAreNo", u" permissao=YES", flags(false, false, true)},
        FlagsCase{"FirstOccurrenceWins", u" permissao=NNN permissao=SSS", flags(false, false, false)},
        FlagsCase{"InsideAnotherWord", u" /tmp/sempermissao=SNN.txt", flags(true, false, false)},
        FlagsCase{"CharactersThatChangeLengthWhenCased", u" \u0130\u0130\u0130 permissao=SNS",
                  flags(true, false, true)},
        FlagsCase{"SharpSIsOneCharacter", u" permissao=\u00DFSS", flags(false, true, true)}),
    [](const ::testing::TestParamInfo<FlagsCase>& info) { return std::string(info.param.name); });

} // namespace
