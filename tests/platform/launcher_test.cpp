// The desktop launcher with stand-in programs on a private PATH: the file must
// reach the program as one argument, whatever its name holds.
#include "platform/error.h"
#include "platform/launcher.h"
#include "support/test_support.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace rl::test {
namespace {

// Sets an environment variable for the life of a scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

class DesktopLauncherTest : public testing::Test {
protected:
    // A program that writes its arguments, one a line, to "arguments" and ends.
    QString addProgram(const QString& name) {
        const QString path = bin.filePath(name);
        writeFile(path, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + QFile::encodeName(record) +
                            ".part\" && /bin/mv \"" + QFile::encodeName(record) + ".part\" \"" +
                            QFile::encodeName(record) + "\"\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    QStringList recordedArguments() {
        const QDeadlineTimer deadline(5000);
        while (!QFile::exists(record) && !deadline.hasExpired())
            QThread::msleep(10);
        return QString::fromUtf8(readFile(record)).split(u'\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir bin;
    QTemporaryDir work;
    QString record = work.filePath(QStringLiteral("arguments"));
    const QString file = work.filePath(QStringLiteral("Relatório $(x) ; 1.rtf"));
    ScopedEnv path{"PATH", QFile::encodeName(bin.path())};
    ScopedEnv visual{"VISUAL", QByteArray()};
    ScopedEnv editor{"EDITOR", QByteArray()};
    DesktopLauncher launcher;
};

TEST_F(DesktopLauncherTest, WithoutLibreOfficeNeitherWordProcessorNorSpreadsheet) {
    EXPECT_FALSE(launcher.Installed(LaunchTarget::WordProcessor));
    EXPECT_FALSE(launcher.Installed(LaunchTarget::Spreadsheet));
    EXPECT_THROW(launcher.Open(LaunchTarget::WordProcessor, file), Error);
    addProgram(QStringLiteral("libreoffice"));
    EXPECT_TRUE(launcher.Installed(LaunchTarget::WordProcessor));
    EXPECT_TRUE(launcher.Installed(LaunchTarget::Spreadsheet));
}

TEST_F(DesktopLauncherTest, WordProcessorGetsTheFileAsOneArgument) {
    addProgram(QStringLiteral("soffice"));
    launcher.Open(LaunchTarget::WordProcessor, file);
    EXPECT_EQ(recordedArguments(), QStringList({QStringLiteral("--writer"), file}));
}

TEST_F(DesktopLauncherTest, TextEditorIsTheUsersEditorWithItsOwnArgumentsInATerminal) {
    const QString program = addProgram(QStringLiteral("my editor"));
    ScopedEnv chosen("EDITOR", '"' + QFile::encodeName(program) + "\" -n");
    // Without a terminal the editor would run unseen: a failure that names the file.
    try {
        launcher.Open(LaunchTarget::TextEditor, file);
        ADD_FAILURE() << "no terminal, yet no failure";
    } catch (const Error& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(file)) << error.what();
    }
    addProgram(QStringLiteral("x-terminal-emulator"));
    launcher.Open(LaunchTarget::TextEditor, file);
    EXPECT_EQ(recordedArguments(), QStringList({QStringLiteral("-e"), program, QStringLiteral("-n"), file}));
}

// xdg-open ends at once with a non-zero status when no program opens the file.
TEST_F(DesktopLauncherTest, AnOpenerThatFailsAtOnceIsAFailure) {
    const QString opener = bin.filePath(QStringLiteral("xdg-open"));
    writeFile(opener, "#!/bin/sh\nexit 3\n");
    QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    try {
        launcher.Open(LaunchTarget::DefaultApplication, file);
        ADD_FAILURE() << "xdg-open failed, yet no failure";
    } catch (const Error& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(file)) << error.what();
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(u'3')) << error.what();
    }
    QFile::remove(opener);
    addProgram(QStringLiteral("xdg-open"));
    launcher.Open(LaunchTarget::DefaultApplication, file);
    EXPECT_EQ(recordedArguments(), QStringList{file});
}

} // namespace
} // namespace rl::test
