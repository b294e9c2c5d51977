#include "platform/output_file.h"

#include "platform/error.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using rl::OutputFile;

namespace {

struct OutputFolder {
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList entries() const {
        return QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }
};

bool isCharacterDevice(const char* path) {
    struct stat info;
    return lstat(path, &info) == 0 && S_ISCHR(info.st_mode);
}

std::string failureOf(const QString& path,
                      OutputFile::SpecialFiles special = OutputFile::SpecialFiles::Refuse) {
    try {
        OutputFile file(path, special);
        file.device().write("new");
        file.commit();
    } catch (const rl::Error& error) {
        return error.what();
    }
    return {};
}

} // namespace

TEST(OutputFile, NothingIsUnderTheNameUntilCommitAndNothingStaysWithoutIt) {
    OutputFolder folder;
    const QString target = folder.path("report.pdf");
    rl::test::writeFile(target, "old");
    {
        OutputFile file(target);
        file.device().write("half a document");
        file.check();
        EXPECT_EQ(rl::test::readFile(target), "old");
        EXPECT_EQ(folder.entries(), QStringList{"report.pdf"}) << "the new bytes have no name yet";
    } // a failed run: dropped
    EXPECT_EQ(rl::test::readFile(target), "old");
    EXPECT_EQ(folder.entries(), QStringList{"report.pdf"});

    OutputFile file(target);
    file.device().write("whole");
    file.commit();
    EXPECT_EQ(rl::test::readFile(target), "whole");
    EXPECT_EQ(folder.entries(), QStringList{"report.pdf"});
}

TEST(OutputFile, KeepsTheModeOfTheFileItReplacesAndFollowsALink) {
    OutputFolder folder;
    const QString target = folder.path("real.txt");
    rl::test::writeFile(target, "old");
    ASSERT_EQ(chmod(QFile::encodeName(target).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(target, folder.path("link.txt")));

    OutputFile file(folder.path("link.txt"));
    file.device().write("new");
    file.commit();
    EXPECT_TRUE(QFileInfo(folder.path("link.txt")).isSymLink()) << "the link stays a link";
    EXPECT_EQ(rl::test::readFile(target), "new");
    struct stat info;
    ASSERT_EQ(stat(QFile::encodeName(target).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(OutputFile, TheReportItselfIsNeverWrittenHoweverItIsNamed) {
    OutputFolder folder;
    const QString report = folder.path("report.txt");
    rl::test::writeFile(report, "the report");
    ASSERT_TRUE(QFile::link(report, folder.path("symlink.pdf")));
    ASSERT_EQ(link(QFile::encodeName(report).constData(),
                   QFile::encodeName(folder.path("hardlink.pdf")).constData()),
              0);
    OutputFile::ProtectFile(report);
    for (const QString& name : {QStringLiteral("report.txt"), QStringLiteral("symlink.pdf"),
                                QStringLiteral("hardlink.pdf"), QStringLiteral("./report.txt")}) {
        const std::string failure = failureOf(folder.path(name), OutputFile::SpecialFiles::WriteDirectly);
        EXPECT_NE(failure.find("é o próprio relatório"), std::string::npos)
            << name.toStdString() << ": " << failure;
    }
    OutputFile::ProtectFile({});
    EXPECT_EQ(rl::test::readFile(report), "the report");
}

TEST(OutputFile, ADeviceIsWrittenOnlyWhenMeantAndNeverReplaced) {
    OutputFolder folder;
    ASSERT_TRUE(QFile::link("/dev/null", folder.path("x.pdf")));
    EXPECT_NE(failureOf(folder.path("x.pdf")).find("não é um arquivo comum"), std::string::npos);
    EXPECT_EQ(failureOf(folder.path("x.pdf"), OutputFile::SpecialFiles::WriteDirectly), "");
    EXPECT_TRUE(isCharacterDevice("/dev/null"));
    EXPECT_NE(failureOf(folder.dir.path()).find("é uma pasta"), std::string::npos);
}

TEST(OutputFile, ErrorsNameTheFileAndTheSystemsReason) {
    // /dev/full takes the open and refuses every byte, as a full disk does.
    const std::string full = failureOf("/dev/full", OutputFile::SpecialFiles::WriteDirectly);
    EXPECT_NE(full.find("\"/dev/full\""), std::string::npos) << full;
    EXPECT_NE(full.find(strerror(ENOSPC)), std::string::npos) << full;
    const std::string missing = failureOf("/nonexistent/folder/out.pdf");
    EXPECT_NE(missing.find("\"/nonexistent/folder/out.pdf\": "), std::string::npos) << missing;
    EXPECT_NE(missing.find(strerror(ENOENT)), std::string::npos) << missing;
}
