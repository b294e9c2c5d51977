// The batch mode as a real process: what a signal, a full disk, a missing
// display or a closed standard output leaves behind, and the exit status.
#include "mail/scripted_smtp_server.h"
#include "platform/settings.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace rl;

namespace {

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// A report long enough to be still at work when the test strikes.
QByteArray longReport(int pages) {
    QByteArray text = "RELATORIO\r\n";
    for (int page = 0; page < pages; ++page) {
        if (page) text += '\f';
        for (int line = 0; line < 60; ++line)
            text += "linha " + QByteArray::number(line) + " da p\xe1gina " + QByteArray::number(page + 1) +
                    QByteArray(80, '.') + "\r\n";
    }
    return text;
}

struct BatchProcess {
    QTemporaryDir dir;
    QProcess process;
    QString path(const QString& name) const { return dir.filePath(name); }

    BatchProcess() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // No printer, no display: the run must need neither.
        environment.insert("CUPS_SERVER", path("no-cups.sock"));
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(dir.path());
        // A SIGQUIT must not leave a core file in the test's folders.
        process.setChildProcessModifier([] {
            const rlimit none{0, 0};
            setrlimit(RLIMIT_CORE, &none);
        });
    }
    ~BatchProcess() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(10000);
        }
    }

    void setEnvironment(const QString& name, const QString& value) {
        QProcessEnvironment environment = process.processEnvironment();
        environment.insert(name, value);
        process.setProcessEnvironment(environment);
    }
    void start(const QStringList& arguments) { process.start(QStringLiteral(RL_BINARY), arguments); }
    int run(const QStringList& arguments) {
        start(arguments);
        if (!process.waitForFinished(120000)) return -1;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    }
    QString err() { return QString::fromUtf8(process.readAllStandardError()); }

    // Whether the process holds a file of the temporary folder open: the
    // spill file, which has no name, shows there as "(deleted)".
    bool holdsTemporaryFile() const {
        const QString fds = QStringLiteral("/proc/%1/fd").arg(process.processId());
        const QByteArray folder = QFile::encodeName(QDir::tempPath());
        for (const QString& fd :
             QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            char target[4096];
            const ssize_t size =
                readlink(QFile::encodeName(fds + u'/' + fd).constData(), target, sizeof target);
            if (size > 0 && QByteArray(target, int(size)).startsWith(folder)) return true;
        }
        return false;
    }
};

bool waitFor(const std::function<bool()>& condition, int milliseconds = 60000) {
    for (int waited = 0; waited < milliseconds; waited += 20) {
        if (condition()) return true;
        usleep(20000);
    }
    return false;
}

} // namespace

class BatchProcessSignal : public ::testing::TestWithParam<int> {};

// Every way the run can be ended leaves nothing: not the spill file, not part
// of a page set, not the staging folder.
TEST_P(BatchProcessSignal, LeavesNoTemporaryFileAndNoPartOfThePageSet) {
    const int sig = GetParam();
    BatchProcess p;
    test::writeFile(p.path("report.txt"), longReport(400));
    ASSERT_TRUE(QDir().mkpath(p.path("pages")));
    const QStringList before = entriesOf(QDir::tempPath());
    p.start({p.path("report.txt"), "--png", p.path("pages"), "--zoom", "200"});
    ASSERT_TRUE(p.process.waitForStarted());
    ASSERT_TRUE(waitFor([&] { return p.holdsTemporaryFile() || p.process.state() == QProcess::NotRunning; }));
    ASSERT_EQ(p.process.state(), QProcess::Running) << p.err().toStdString();
    usleep(300000); // into the pages
    ASSERT_EQ(kill(pid_t(p.process.processId()), sig), 0);
    ASSERT_TRUE(p.process.waitForFinished(60000));
    EXPECT_EQ(p.process.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(entriesOf(QDir::tempPath()), before);
    EXPECT_EQ(entriesOf(p.path("pages")), QStringList());
}

INSTANTIATE_TEST_SUITE_P(BatchProcess, BatchProcessSignal,
                         ::testing::Values(SIGTERM, SIGINT, SIGHUP, SIGKILL, SIGQUIT, SIGUSR1, SIGALRM),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

TEST(BatchProcess, AnInterruptedMailLeavesNoAttachment) {
    BatchProcess p;
    test::writeFile(p.path("report.txt"), longReport(2));
    test::ScriptedSmtpServer::Script script;
    script.silent = true;
    test::ScriptedSmtpServer server(script);
    const Settings system(SettingsFile::System);
    system.setServer("127.0.0.1");
    system.setPorta(QString::number(server.port()));
    const auto attachmentFolders = [] {
        return QDir(QDir::tempPath()).entryList({"relantomador-email-*"}, QDir::AllEntries | QDir::Hidden);
    };
    p.start({p.path("report.txt"), "--mail", "ana@example.com", "--from", "rel@example.com"});
    // The attachment is made before the connection, and the server never greets.
    ASSERT_TRUE(waitFor([&] { return !attachmentFolders().isEmpty(); })) << p.err().toStdString();
    ASSERT_EQ(kill(pid_t(p.process.processId()), SIGTERM), 0);
    ASSERT_TRUE(p.process.waitForFinished(60000));
    EXPECT_EQ(attachmentFolders(), QStringList());
    server.finish();
}

TEST(BatchProcess, AFullDiskLeavesNoFileAndSaysWhichAndWhy) {
    BatchProcess p;
    const QString full = p.path("full");
    ASSERT_TRUE(QDir().mkpath(full + "/pages"));
    if (geteuid() != 0 || mount("tmpfs", QFile::encodeName(full).constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "needs root to mount a small tmpfs";
    struct Unmount {
        QByteArray at;
        ~Unmount() { umount2(at.constData(), MNT_DETACH); }
    } unmount{QFile::encodeName(full)};
    ASSERT_TRUE(QDir().mkpath(full + "/pages"));
    test::writeFile(p.path("report.txt"), longReport(3));
    {
        // Fill it to the last block.
        QFile filler(full + "/filler");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    const QStringList before = entriesOf(full);
    for (const QStringList& output :
         {QStringList{"--export", full + "/out.pdf"}, QStringList{"--export", full + "/out.txt"},
          QStringList{"--draft", full + "/out.prn"}, QStringList{"--png", full + "/pages"}}) {
        EXPECT_EQ(p.run(QStringList{p.path("report.txt")} + output), 2) << output.join(' ').toStdString();
        const QString err = p.err();
        EXPECT_TRUE(err.contains(full)) << err.toStdString();
        EXPECT_TRUE(err.contains(QString::fromLocal8Bit(strerror(ENOSPC)))) << err.toStdString();
        EXPECT_EQ(entriesOf(full), before) << output.join(' ').toStdString();
        EXPECT_EQ(entriesOf(full + "/pages"), QStringList());
    }
}

TEST(BatchProcess, NeedsNoDisplayWhateverThePlatformSays) {
    BatchProcess p;
    test::writeFile(p.path("report.txt"), longReport(1));
    p.setEnvironment("QT_QPA_PLATFORM", "xcb");
    EXPECT_EQ(p.run({p.path("report.txt"), "--export", p.path("out.pdf")}), 0) << p.err().toStdString();
    EXPECT_TRUE(QFileInfo(p.path("out.pdf")).size() > 0);
}

TEST(BatchProcess, AnOutputThatCannotBeWrittenIsAFailedRun) {
    BatchProcess p;
    p.process.setStandardOutputFile("/dev/full");
    EXPECT_EQ(p.run({"--help"}), 2);
    EXPECT_TRUE(p.err().contains("standard output"));
}
