// The private scheduler the printing tests rely on: its queues must really
// deliver what is sent to them, and it must go away without a trace.

#include "support/cups_scheduler.h"
#include "support/test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <memory>

#include <signal.h>
#include <sys/types.h>

using rl::test::CupsScheduler;

namespace {

// Submits a file with lp to the queue on the scheduler; extra options as lp takes them.
bool submit(const CupsScheduler& scheduler, const QString& queue, const QString& path,
            const QStringList& options = {}) {
    QProcess lp;
    lp.start(QStandardPaths::findExecutable("lp"),
             QStringList{"-h", scheduler.server(), "-d", queue} + options + QStringList{path});
    return lp.waitForFinished(20000) && lp.exitStatus() == QProcess::NormalExit && lp.exitCode() == 0;
}

class CupsSchedulerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString reason = CupsScheduler::unavailableReason();
        if (!reason.isEmpty()) GTEST_SKIP() << "No private CUPS scheduler: " << reason.toStdString();
        if (QStandardPaths::findExecutable("lp").isEmpty())
            GTEST_SKIP() << "lp is not installed (package cups-client)";
        ASSERT_TRUE(scheduler.start()) << scheduler.error().toStdString();
    }

    CupsScheduler scheduler;
};

} // namespace

TEST_F(CupsSchedulerTest, RawQueueAppendsEveryJobUntouched) {
    ASSERT_TRUE(scheduler.addRawQueue("matricial")) << scheduler.error().toStdString();
    EXPECT_EQ(scheduler.deviceUri("matricial"), "testfile:" + scheduler.outputPath("matricial"));

    // Printer bytes of every kind: escape codes, NUL, CR LF, form feed, high bytes.
    static const char bytes[] = "\x1b@\x1bx\x00RELAT\xd3RIO\r\n\x0f\xe7\xe3o\x0c";
    const QByteArray job(bytes, sizeof(bytes) - 1);
    const QString path = rl::test::sandboxDir() + "/job.prn";
    rl::test::writeFile(path, job);
    ASSERT_TRUE(submit(scheduler, "matricial", path, {"-o", "raw"}));
    ASSERT_TRUE(submit(scheduler, "matricial", path, {"-o", "raw", "-n", "2"}));
    ASSERT_TRUE(scheduler.waitUntilIdle()) << scheduler.error().toStdString();

    const QByteArray written = rl::test::readFile(scheduler.outputPath("matricial"));
    EXPECT_EQ(written, job + job + job) << rl::test::firstDifference(job + job + job, written) << "\n"
                                        << scheduler.errorLog().right(3000).toStdString();
}

TEST_F(CupsSchedulerTest, PdfQueueWritesThePdfItIsSent) {
    ASSERT_TRUE(scheduler.addPdfQueue("pdf")) << scheduler.error().toStdString();
    EXPECT_EQ(scheduler.deviceUri("pdf"), "file://" + scheduler.outputPath("pdf"));

    const QString path = rl::test::sandboxDir() + "/page.pdf";
    {
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QPageSize::Letter));
        QPainter painter(&writer);
        painter.drawText(QPointF(100, 100), "Relat\u00f3rio");
    }
    ASSERT_TRUE(submit(scheduler, "pdf", path));
    ASSERT_TRUE(scheduler.waitUntilIdle()) << scheduler.error().toStdString();

    const QByteArray written = rl::test::readFile(scheduler.outputPath("pdf"));
    EXPECT_TRUE(written.startsWith("%PDF-")) << written.left(64).toStdString() << "\n"
                                             << scheduler.errorLog().right(3000).toStdString();
    EXPECT_TRUE(written.trimmed().endsWith("%%EOF"));
}

TEST(CupsSchedulerLifetime, StopsAndCleansUp) {
    const QString reason = CupsScheduler::unavailableReason();
    if (!reason.isEmpty()) GTEST_SKIP() << "No private CUPS scheduler: " << reason.toStdString();
    const QByteArray before = qgetenv("CUPS_SERVER");
    const bool hadServer = qEnvironmentVariableIsSet("CUPS_SERVER");

    QString folder;
    QString socket;
    qint64 pid = 0;
    {
        CupsScheduler scheduler;
        ASSERT_TRUE(scheduler.start()) << scheduler.error().toStdString();
        ASSERT_TRUE(scheduler.addPdfQueue("pdf")) << scheduler.error().toStdString();
        socket = scheduler.server();
        folder = QFileInfo(socket).absolutePath();
        EXPECT_EQ(qgetenv("CUPS_SERVER"), QFile::encodeName(socket));
        EXPECT_TRUE(QFileInfo::exists(folder + "/root/ppd/pdf.ppd"));
        EXPECT_TRUE(scheduler.running());
        pid = scheduler.processId();
        ASSERT_GT(pid, 0);
    }
    EXPECT_NE(kill(pid_t(pid), 0), 0) << "cupsd still running";
    EXPECT_FALSE(QFileInfo::exists(folder)) << folder.toStdString();
    EXPECT_EQ(qEnvironmentVariableIsSet("CUPS_SERVER"), hadServer);
    EXPECT_EQ(qgetenv("CUPS_SERVER"), before);
}
