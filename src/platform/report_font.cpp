#include "platform/report_font.h"

#include "platform/folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <fontconfig/fontconfig.h>

#include <cerrno>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Resources of a static library are not registered by themselves; the macro
// must be used outside any namespace.
static void initReportFontResource() {
    Q_INIT_RESOURCE(rl_font_resource);
}

namespace rl {

namespace {

const char kReportFontResource[] = ":/relantomador/fonts/ORATOR10.TTF";

void ensureResource() {
    static std::once_flag once;
    std::call_once(once, initReportFontResource);
}

// mkdir -p, keeping the errno of the step that failed.
int makeFolder(const QByteArray& path) {
    struct stat info;
    if (stat(path.constData(), &info) == 0) return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    const int slash = path.lastIndexOf('/');
    if (slash > 0) {
        if (const int parent = makeFolder(path.left(slash))) return parent;
    }
    if (mkdir(path.constData(), 0755) != 0 && errno != EEXIST) return errno;
    return 0;
}

int writeAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += written;
        size -= written;
    }
    return 0;
}

// Copies source to destination, failing with EEXIST if the destination exists
// (O_EXCL, so no race can overwrite a file). A partial copy is removed.
int copyExclusive(const QByteArray& source, const QByteArray& destination) {
    const int in = open(source.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return errno;
    const int out = open(destination.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) {
        const int error = errno;
        close(in);
        return error;
    }
    int error = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(in, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            error = errno;
            break;
        }
        if (got == 0) break;
        if ((error = writeAll(out, buffer, got)) != 0) break;
    }
    close(in);
    if (close(out) != 0 && error == 0) error = errno;
    if (error != 0) unlink(destination.constData());
    return error;
}

// Makes the file known to fontconfig in this process: added to the current
// configuration's application fonts at once, and the system set rebuilt so
// that the fonts folder's new content is seen as well.
bool registerWithFontconfig(const QByteArray& file) {
    FcConfig* config = FcConfigGetCurrent();
    if (!config) return false;
    if (!FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(file.constData()))) return false;
    FcConfigBuildFonts(config);
    return true;
}

} // namespace

QByteArray reportFontBytes() {
    ensureResource();
    QFile file(QString::fromLatin1(kReportFontResource));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

bool registerReportFont() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
    static int id = -1;
    if (id < 0) id = QFontDatabase::addApplicationFontFromData(reportFontBytes());
    return QFontDatabase::families().contains(QString::fromLatin1(kReportFontFamily));
}

bool reportFontInstalled() {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(kReportFontFamily));
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FILE, nullptr);
    FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
    bool found = false;
    // Qt puts fonts registered from memory into fontconfig's application set
    // with an empty file name; only a font that lives in a file is installed.
    for (int i = 0; fonts && i < fonts->nfont && !found; ++i) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) == FcResultMatch && file && *file)
            found = access(reinterpret_cast<const char*>(file), R_OK) == 0;
    }
    if (fonts) FcFontSetDestroy(fonts);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return found;
}

void installReportFontIfMissing() {
    try {
        if (reportFontInstalled()) return;
        const QByteArray bytes = reportFontBytes();
        if (bytes.isEmpty()) return;
        // Made in a private temporary folder, which goes once the font is
        // installed: the folder the program was started from is not ours.
        const QTemporaryDir folder;
        if (!folder.isValid()) return;
        const QString copy = folder.filePath(QString::fromLatin1(kReportFontFileName));
        QFile file(copy);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            return;
        file.close();
        InstallReportFont(copy);
    } catch (...) {
        // Start-up goes on without an installed font; the in-process one still lays reports out.
    }
}

int InstallReportFont(const QString& path) {
    const QString source = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QByteArray sourceName = QFile::encodeName(source);
    struct stat info;
    if (stat(sourceName.constData(), &info) != 0) return errno;

    const QString folder = Folders::fontsFolder();
    const QString destination = QDir::cleanPath(folder + "/" + QFileInfo(source).fileName());
    const QByteArray destinationName = QFile::encodeName(destination);

    bool copied = false;
    if (source.compare(destination, Qt::CaseInsensitive) != 0) {
        if (const int error = makeFolder(QFile::encodeName(QDir::cleanPath(folder)))) return error;
        if (const int error = copyExclusive(sourceName, destinationName)) return error;
        copied = true;
    } else if (stat(destinationName.constData(), &info) != 0) {
        return errno; // the same path but for letter case, and no such file here
    }

    bool registered = registerWithFontconfig(destinationName);
    if (registered && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        registered = QFontDatabase::addApplicationFont(destination) >= 0;
    if (!registered) {
        // Left behind, a file that is no font would make every later attempt fail with EEXIST.
        if (copied) unlink(destinationName.constData());
        return EINVAL;
    }
    return 0;
}

} // namespace rl
