#include "support/cups_scheduler.h"

#include "support/test_support.h"

#include <QByteArrayList>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace rl::test {

namespace {

const QStringList kSbinFolders = {"/usr/sbin", "/sbin", "/usr/local/sbin", "/usr/bin", "/bin"};

QString findTool(const QString& name) {
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty()) path = QStandardPaths::findExecutable(name, kSbinFolders);
    return path;
}

// The folder of the system's filters and backends (ServerBin), found by the
// helper every scheduler runs its children through.
QString systemServerBin() {
    for (const char* folder : {"/usr/lib/cups", "/usr/libexec/cups", "/usr/local/lib/cups"}) {
        if (QFileInfo::exists(QString::fromLatin1(folder) + "/daemon/cups-exec"))
            return QString::fromLatin1(folder);
    }
    return {};
}

bool writeText(const QString& path, const QByteArray& text, QFileDevice::Permissions permissions = {}) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        return false;
    file.close();
    return permissions == QFileDevice::Permissions() || file.setPermissions(permissions);
}

// True once something accepts connections on the Unix socket.
bool socketAccepts(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.size() >= qsizetype(sizeof(address.sun_path))) return false;
    memcpy(address.sun_path, name.constData(), name.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool accepted = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return accepted;
}

// The backend of the raw queues: appends every job to the file named by its
// device URI (testfile:/path), with as many copies as the job asks when CUPS
// hands it a file. Called without arguments, it tells CUPS what it is.
const char kBackend[] = R"SH(#!/bin/sh
if [ $# -eq 0 ]; then
  echo 'direct testfile "Unknown" "Test file"'
  exit 0
fi
out=${DEVICE_URI#testfile:}
if [ $# -ge 6 ]; then
  n=$4
  while [ "$n" -gt 0 ]; do
    cat "$6" >> "$out" || exit 1
    n=$((n - 1))
  done
else
  cat >> "$out" || exit 1
fi
exit 0
)SH";

// A PDF printer: takes PDF (through pdftopdf) and sends it on as PDF. Letter by
// default, A4 too, each with unprintable strips of other widths on each side
// (ImageableArea is llx lly urx ury in points, from the bottom-left corner):
// Letter 0.25 in left and top, 0.375 in right and bottom; A4 0.5 in left and
// bottom, 0.25 in top and right.
const char kPdfPpd[] = R"PPD(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "RLTSTPDF.PPD"
*Manufacturer: "Relantomador"
*Product: "(Test PDF Printer)"
*ModelName: "Relantomador Test PDF Printer"
*ShortNickName: "Relantomador Test PDF"
*NickName: "Relantomador Test PDF Printer"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsFilter2: "application/vnd.cups-pdf application/pdf 0 -"
*OpenUI *PageSize/Page Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: Letter
*PageSize Letter/US Letter: "<</PageSize[612 792]>>setpagedevice"
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: Letter
*PageRegion Letter/US Letter: "<</PageSize[612 792]>>setpagedevice"
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: Letter
*ImageableArea Letter/US Letter: "18 27 585 774"
*ImageableArea A4/A4: "36 36 577 824"
*DefaultPaperDimension: Letter
*PaperDimension Letter/US Letter: "612 792"
*PaperDimension A4/A4: "595 842"
*OpenUI *Resolution/Resolution: PickOne
*OrderDependency: 10 AnySetup *Resolution
*DefaultResolution: 600dpi
*Resolution 300dpi/300 DPI: "<</HWResolution[300 300]>>setpagedevice"
*Resolution 600dpi/600 DPI: "<</HWResolution[600 600]>>setpagedevice"
*CloseUI: *Resolution
)PPD";

} // namespace

CupsScheduler::CupsScheduler() = default;

CupsScheduler::~CupsScheduler() {
    stop();
}

std::unique_ptr<CupsScheduler> CupsScheduler::startWithDefaultPdfQueue(const QString& queue, QString* why) {
    *why = unavailableReason();
    if (!why->isEmpty()) return nullptr;
    auto scheduler = std::make_unique<CupsScheduler>();
    if (scheduler->start() && scheduler->addPdfQueue(queue) && scheduler->setDefault(queue)) return scheduler;
    *why = "scheduler: " + scheduler->error();
    return nullptr;
}

QString CupsScheduler::unavailableReason() {
    for (const char* tool : {"cupsd", "lpadmin", "lpstat"}) {
        if (findTool(QString::fromLatin1(tool)).isEmpty())
            return QStringLiteral("%1 is not installed (packages cups, cups-client)").arg(tool);
    }
    if (systemServerBin().isEmpty())
        return QStringLiteral("the CUPS filters and backends folder was not found");
    return {};
}

bool CupsScheduler::running() const {
    return m_cupsd.state() == QProcess::Running;
}

QString CupsScheduler::outputPath(const QString& queue) const {
    return m_dir ? m_dir->path() + "/out/" + queue : QString();
}

QString CupsScheduler::deviceUri(const QString& queue) const {
    return m_devices.value(queue);
}

bool CupsScheduler::writeConfiguration() {
    const QString root = m_dir->path();
    for (const char* sub : {"root", "spool", "cache", "state", "log", "tmp", "bin/backend", "out", "ppd"}) {
        if (!QDir().mkpath(root + "/" + sub)) {
            m_error = "cannot create " + root + "/" + sub;
            return false;
        }
    }
    // Filters, helpers and notifiers are the system's; backends are only ours.
    const QString serverBin = systemServerBin();
    for (const char* sub : {"filter", "daemon", "notifier", "monitor", "driver", "cgi-bin"}) {
        const QString target = serverBin + "/" + sub;
        if (QFileInfo::exists(target)) QFile::link(target, root + "/bin/" + sub);
    }
    // Mode 0700: a backend nobody else may read is run as root, like the system's
    // own device backends, so it can write wherever the test's folder is.
    if (!writeText(root + "/bin/backend/testfile", kBackend,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner) ||
        !writeText(root + "/ppd/testpdf.ppd", kPdfPpd)) {
        m_error = "cannot write the backend or the PPD";
        return false;
    }

    const QByteArrayList conf = {
        "Listen " + QFile::encodeName(m_socket),
        "Browsing No",
        "BrowseLocalProtocols none",
        "DefaultShared No",
        "WebInterface No",
        "LogLevel info",
        "MaxLogSize 0",
        // A failing job is dropped rather than stopping the queue for the next test.
        "ErrorPolicy abort-job",
        "<Location />",
        "  Order allow,deny",
        "  Allow localhost",
        "</Location>",
    };
    const QByteArray dir = QFile::encodeName(root);
    QByteArrayList files = {
        "ServerRoot " + dir + "/root",          "ServerBin " + dir + "/bin",
        "RequestRoot " + dir + "/spool",        "CacheDir " + dir + "/cache",
        "StateDir " + dir + "/state",           "TempDir " + dir + "/tmp",
        "AccessLog " + dir + "/log/access_log", "ErrorLog " + dir + "/log/error_log",
        "PageLog " + dir + "/log/page_log",     "FileDevice Yes",
    };
    if (geteuid() != 0) {
        // An unprivileged scheduler runs everything as the test's own user.
        const passwd* user = getpwuid(geteuid());
        const group* grp = getgrgid(getegid());
        if (user && grp) {
            files << QByteArray("User ") + user->pw_name << QByteArray("Group ") + grp->gr_name
                  << QByteArray("SystemGroup ") + grp->gr_name;
        }
    }
    if (!writeText(root + "/root/cupsd.conf", conf.join('\n') + '\n') ||
        !writeText(root + "/root/cups-files.conf", files.join('\n') + '\n')) {
        m_error = "cannot write the scheduler configuration";
        return false;
    }
    return true;
}

bool CupsScheduler::start() {
    if (running()) return true;
    m_error = unavailableReason();
    if (!m_error.isEmpty()) return false;

    // As root, cupsd runs filters as its own unprivileged user, who must be
    // able to pass through every folder above the spool: the private folder
    // of the test process is not passable, /tmp is.
    const QString base = geteuid() == 0 ? QStringLiteral("/tmp") : QDir::tempPath();
    m_dir = std::make_unique<QTemporaryDir>(base + "/relantomador-cups-XXXXXX");
    if (!m_dir->isValid()) {
        m_error = "cannot create a temporary folder under " + base;
        return false;
    }
    QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner | QFileDevice::ExeGroup |
                                             QFileDevice::ExeOther);
    m_socket = m_dir->path() + "/cupsd.sock";
    if (QFile::encodeName(m_socket).size() >= qsizetype(sizeof(sockaddr_un::sun_path))) {
        m_error = "socket path too long: " + m_socket;
        return false;
    }
    if (!writeConfiguration()) return false;

    m_cupsd.setProgram(findTool("cupsd"));
    m_cupsd.setArguments(
        {"-f", "-c", m_dir->path() + "/root/cupsd.conf", "-s", m_dir->path() + "/root/cups-files.conf"});
    m_cupsd.setStandardOutputFile(m_dir->path() + "/log/cupsd.out");
    m_cupsd.setStandardErrorFile(m_dir->path() + "/log/cupsd.out");
    // Should the test process die, the scheduler goes with it.
    m_cupsd.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_cupsd.start();
    if (!m_cupsd.waitForStarted(5000)) {
        m_error = "cupsd did not start: " + m_cupsd.errorString();
        return false;
    }
    if (!waitForSocket(15000)) {
        const QByteArray output = readFile(m_dir->path() + "/log/cupsd.out");
        m_error = "cupsd is not answering on " + m_socket + ": " + QString::fromLocal8Bit(output) +
                  QString::fromLocal8Bit(errorLog().right(2000));
        stop();
        return false;
    }

    m_hadServer = qEnvironmentVariableIsSet("CUPS_SERVER");
    m_savedServer = qgetenv("CUPS_SERVER");
    qputenv("CUPS_SERVER", QFile::encodeName(m_socket));
    m_envSet = true;
    return true;
}

bool CupsScheduler::waitForSocket(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (socketAccepts(m_socket)) return true;
        // Doubles as the pause between tries, and notices an early exit.
        if (m_cupsd.waitForFinished(20)) return false;
    }
    return false;
}

bool CupsScheduler::runTool(const QString& program, const QStringList& arguments, QByteArray* output) {
    QProcess tool;
    tool.setProgram(findTool(program));
    tool.setArguments(arguments);
    tool.start();
    if (!tool.waitForFinished(20000)) {
        tool.kill();
        tool.waitForFinished(2000);
        m_error = program + " did not finish";
        return false;
    }
    const QByteArray out = tool.readAllStandardOutput();
    if (output) *output = out;
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        m_error =
            program + " " + arguments.join(' ') + ": " + QString::fromLocal8Bit(tool.readAllStandardError());
        return false;
    }
    return true;
}

bool CupsScheduler::addQueue(const QString& name, const QString& deviceUri, const QString& ppdPath) {
    if (!running()) {
        m_error = "the scheduler is not running";
        return false;
    }
    // "-E" after "-p" enables the queue and lets it accept jobs.
    QStringList arguments = {"-h", m_socket, "-p", name, "-E", "-v", deviceUri};
    if (!ppdPath.isEmpty()) arguments << "-P" << ppdPath;
    if (!runTool("lpadmin", arguments)) return false;
    m_devices.insert(name, deviceUri);
    return true;
}

bool CupsScheduler::addPdfQueue(const QString& name) {
    if (!m_dir) return false;
    return addQueue(name, "file://" + outputPath(name), m_dir->path() + "/ppd/testpdf.ppd");
}

bool CupsScheduler::addRawQueue(const QString& name) {
    if (!m_dir) return false;
    return addQueue(name, "testfile:" + outputPath(name));
}

bool CupsScheduler::setDefault(const QString& name) {
    return runTool("lpadmin", {"-h", m_socket, "-d", name});
}

bool CupsScheduler::removeQueue(const QString& name) {
    if (!runTool("lpadmin", {"-h", m_socket, "-x", name})) return false;
    m_devices.remove(name);
    return true;
}

bool CupsScheduler::waitUntilIdle(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QByteArray pending;
    while (runTool("lpstat", {"-h", m_socket, "-o"}, &pending)) {
        if (pending.trimmed().isEmpty()) return true;
        if (deadline.hasExpired()) {
            m_error = "jobs still pending: " + QString::fromLocal8Bit(pending);
            return false;
        }
        if (m_cupsd.waitForFinished(50)) break;
    }
    return false;
}

QByteArray CupsScheduler::errorLog() const {
    if (!m_dir) return {};
    QFile file(m_dir->path() + "/log/error_log");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void CupsScheduler::stop() {
    if (m_cupsd.state() != QProcess::NotRunning) {
        m_cupsd.terminate();
        if (!m_cupsd.waitForFinished(10000)) {
            m_cupsd.kill();
            m_cupsd.waitForFinished(5000);
        }
    }
    if (m_envSet) {
        if (m_hadServer)
            qputenv("CUPS_SERVER", m_savedServer);
        else
            qunsetenv("CUPS_SERVER");
        m_envSet = false;
    }
    m_devices.clear();
    m_dir.reset();
}

} // namespace rl::test
