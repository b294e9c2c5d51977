#pragma once

#include <QByteArray>
#include <QHash>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace rl::test {

// A private CUPS scheduler for tests that list queues or print.
//
// start() runs cupsd in the foreground with a configuration of its own in a
// temporary folder: its own ServerRoot, spool, cache, state, log and temp
// folders, one Listen socket (a Unix socket in that folder, so parallel tests
// never share a port), no browsing, no web interface, no system queues. It then
// points CUPS_SERVER at that socket. The destructor stops cupsd (SIGTERM, then
// SIGKILL), puts CUPS_SERVER back and removes the folder. cupsd is also told to
// die with the test process, so a crashed test leaves no scheduler running.
//
// libcups remembers its server per thread once something has asked it, so a
// process that talked to CUPS before start() must make it look again:
// cupsSetServer(nullptr), which TRLPrinterWrapper::resetInstance() does. Qt's
// CUPS plugin keeps no server of its own and follows libcups.
//
// Queues:
// - addPdfQueue: a queue with a small PPD of our own (default Letter, also A4;
//   600 dpi; unprintable margins on Letter 0.25 in left and top, 0.375 in
//   right and bottom, on A4 0.5 in left and bottom, 0.25 in top and right) that accepts PDF and writes each
//   job, passed through pdftopdf, to outputPath(name) (file: device, replaced by each job).
// - addRawQueue: a queue without driver whose device is a small backend of the
//   fixture ("testfile:" scheme): every job, raw bytes untouched, is appended
//   to outputPath(name), copies included. (A raw job to a file: device is
//   dropped by cupsd without output, hence the backend.)
// The PDF printer driver package's own backend is not used: it writes into
// the job owner's home folder as its system-wide configuration file says.
//
// Running as root (as CI does), cupsd runs filters as its unprivileged user,
// which must reach the spool folder: the folder is then made under /tmp
// (mode 0711), not under the test's private temporary folder. Starting takes
// about 0.1 s, each queue about as much, a job about a second; every wait is
// bounded.
class CupsScheduler {
public:
    CupsScheduler();
    ~CupsScheduler();
    CupsScheduler(const CupsScheduler&) = delete;
    CupsScheduler& operator=(const CupsScheduler&) = delete;

    // Empty when cupsd and lpadmin are installed; else why not, for GTEST_SKIP.
    static QString unavailableReason();

    // For a suite's set-up: a running scheduler whose default queue is a PDF
    // queue of that name; else null with *why set, to skip the suite's tests.
    static std::unique_ptr<CupsScheduler> startWithDefaultPdfQueue(const QString& queue, QString* why);

    // Starts the scheduler and waits (at most 15 s) until it accepts
    // connections. False with error() set when it could not.
    bool start();
    bool running() const;
    qint64 processId() const { return m_cupsd.processId(); }
    QString error() const { return m_error; }

    // The value CUPS_SERVER has while the scheduler runs.
    QString server() const { return m_socket; }

    bool addPdfQueue(const QString& name);
    bool addRawQueue(const QString& name);
    // Any other queue: device URI and PPD file (none: a queue without driver).
    bool addQueue(const QString& name, const QString& deviceUri, const QString& ppdPath = QString());
    bool setDefault(const QString& name);
    bool removeQueue(const QString& name);

    // Where a queue made by addPdfQueue or addRawQueue writes; the device URI
    // a queue was made with.
    QString outputPath(const QString& queue) const;
    QString deviceUri(const QString& queue) const;

    // Waits until no job is pending or processing (at most timeoutMs).
    bool waitUntilIdle(int timeoutMs = 20000);

    // The scheduler's error log, for failure messages.
    QByteArray errorLog() const;

private:
    bool writeConfiguration();
    bool waitForSocket(int timeoutMs);
    bool runTool(const QString& program, const QStringList& arguments, QByteArray* output = nullptr);
    void stop();

    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess m_cupsd;
    QString m_socket;
    QString m_error;
    QHash<QString, QString> m_devices;
    QByteArray m_savedServer;
    bool m_hadServer = false;
    bool m_envSet = false;
};

} // namespace rl::test
