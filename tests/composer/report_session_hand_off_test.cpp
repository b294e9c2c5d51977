// The files the session hands to other programs: where they go, and the HTML
// file's wrapping for fixed-pitch display.
#include "composer/report_session.h"
#include "platform/error.h"
#include "platform/folders.h"
#include "support/test_support.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace rl::test {
namespace {

struct WrapCase {
    const char* name;
    QByteArray html;
    QByteArray wrapped; // empty: refused, the file left as it was
};

class WrapHtml : public testing::TestWithParam<WrapCase> {};

TEST_P(WrapHtml, PutsTheBodyBetweenPreTags) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.html"));
    writeFile(path, GetParam().html);
    if (GetParam().wrapped.isEmpty()) {
        EXPECT_THROW(ReportSession::WrapHtmlForFixedPitch(path), Error);
        EXPECT_EQ(readFile(path), GetParam().html);
        return;
    }
    ReportSession::WrapHtmlForFixedPitch(path);
    const QByteArray actual = readFile(path);
    EXPECT_EQ(actual, GetParam().wrapped) << firstDifference(GetParam().wrapped, actual);
}

INSTANTIATE_TEST_SUITE_P(
    Files, WrapHtml,
    testing::Values(WrapCase{"Plain", "<html>\r\n<body>\r\nA\r\n</body>\r\n</html>\r\n",
                             "<html>\r\n<body>\r\n<pre>\r\nA\r\n</pre>\r\n</body>\r\n</html>\r\n"},
                    // Only lines that are exactly the tag count; the first of each wins.
                    WrapCase{"FirstExactLines", "<body class=x>\n<body>\nA\n</body> \n</body>\n</body>\n",
                             "<body class=x>\n<body>\n<pre>\r\nA\n</body> \n</pre>\r\n</body>\n</body>\n"},
                    WrapCase{"NoBodyLine", "A\r\n</body>", "<pre>\r\nA\r\n</pre>\r\n</body>"},
                    WrapCase{"NoClosingBodyLine", "<body>\r\nA\r\n</html>\r\n", ""},
                    WrapCase{"Empty", "", ""}),
    [](const testing::TestParamInfo<WrapCase>& info) { return std::string(info.param.name); });

TEST(HandOffFolder, IsTheProgramFolderWhenWritableElseTheUsersDataFolder) {
    QTemporaryDir dir;
    ReportSession session{StartupValues{}};
    session.SetProgramFolder(dir.path());
    EXPECT_EQ(session.HandOffFolder(), dir.path());

    // Installed where no file can be created.
    writeFile(dir.filePath(QStringLiteral("plain")), "x");
    session.SetProgramFolder(dir.filePath(QStringLiteral("plain/program")));
    const QString user = QDir(qEnvironmentVariable("XDG_DATA_HOME")).filePath(QStringLiteral("relantomador"));
    EXPECT_EQ(session.HandOffFolder(), user);
    EXPECT_TRUE(QFileInfo(user).isDir());

    // The installed program's folder is the package's, even where root may write.
    session.SetProgramFolder(Folders::installedProgramFolder());
    EXPECT_EQ(session.HandOffFolder(), user);
}

} // namespace
} // namespace rl::test
