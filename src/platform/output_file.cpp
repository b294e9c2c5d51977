#include "platform/output_file.h"

#include "platform/error.h"
#include "platform/temp_files.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rl {

namespace {

QString g_protectedFile;

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

bool statOf(const QString& path, struct stat& info) {
    return !path.isEmpty() && ::stat(encoded(path).constData(), &info) == 0;
}

// A hidden name beside the target, for file systems without O_TMPFILE and for
// the instant between linking the finished file and renaming it into place.
QString hiddenNameBeside(const QString& target) {
    static std::mt19937 generator{std::random_device{}()};
    const QFileInfo info(target);
    return info.dir().filePath(
        QStringLiteral(".%1.%2.tmp").arg(info.fileName()).arg(generator() % 1000000000u));
}

} // namespace

QString OutputFile::failureText(const QString& path, const QString& reason) {
    return QStringLiteral("Não foi possível gravar o arquivo \"%1\": %2").arg(path, reason);
}

QString OutputFile::OwnReportText(const QString& path) {
    return QStringLiteral("O arquivo \"%1\" é o próprio relatório e não pode ser substituído.").arg(path);
}

void OutputFile::ProtectFile(const QString& path) {
    g_protectedFile = path;
}

QString OutputFile::ProtectedFile() {
    return g_protectedFile;
}

bool OutputFile::SameFile(const QString& a, const QString& b) {
    struct stat left, right;
    return statOf(a, left) && statOf(b, right) && left.st_dev == right.st_dev && left.st_ino == right.st_ino;
}

void OutputFile::CheckNotProtected(const QString& path) {
    if (SameFile(path, g_protectedFile)) throw OutputFileError(OwnReportText(path).toStdString());
}

QString OutputFile::ResolvedTarget(const QString& path) {
    const QFileInfo info(path);
    if (info.exists()) return info.canonicalFilePath();
    // A dangling link names the file to be made; a chain of them is followed
    // as far as it goes.
    QString target = info.absoluteFilePath();
    for (int hops = 0; hops < 40 && QFileInfo(target).isSymLink(); ++hops)
        target = QFileInfo(target).symLinkTarget();
    return target;
}

QString OutputFile::CheckTarget(const QString& path, SpecialFiles special) {
    const auto refuse = [&](const QString& reason) {
        throw OutputFileError(failureText(path, reason).toStdString());
    };
    if (path.isEmpty()) refuse(QStringLiteral("nenhum nome de arquivo"));
    CheckNotProtected(path);
    const QString target = ResolvedTarget(path);
    struct stat info;
    if (statOf(target, info)) {
        if (S_ISDIR(info.st_mode)) refuse(QStringLiteral("é uma pasta"));
        if (!S_ISREG(info.st_mode) && special == SpecialFiles::Refuse)
            refuse(QStringLiteral(
                "não é um arquivo comum (é um dispositivo, FIFO ou soquete) e não é substituído"));
    }
    return target;
}

OutputFile::OutputFile(const QString& path, SpecialFiles special) : path_(path) {
    target_ = CheckTarget(path, special);
    struct stat info;
    const bool exists = statOf(target_, info);
    if (exists && !S_ISREG(info.st_mode)) {
        // No O_CREAT: should the device vanish meanwhile, nothing is made in its place.
        fd_ = ::open(encoded(target_).constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd_ < 0) failWithErrno(errno);
        direct_ = true;
    } else {
        openUnnamed(QFileInfo(target_).absolutePath());
        // An existing file keeps its permissions; a new one gets the umask's.
        if (exists) (void)::fchmod(fd_, info.st_mode & 0777);
    }
    file_ = std::make_unique<QFile>();
    if (!file_->open(fd_, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        const QString reason = file_->errorString();
        discard();
        fail(reason);
    }
}

void OutputFile::openUnnamed(const QString& folder) {
#ifdef O_TMPFILE
    fd_ = ::open(encoded(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ >= 0) return;
    // Only a file system without unnamed files falls back to a hidden name.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) failWithErrno(errno);
#endif
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        named_ = hiddenNameBeside(target_);
        TempFiles::add(named_);
        fd_ = ::open(encoded(named_).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            const int error = errno;
            TempFiles::remove(named_);
            named_.clear();
            if (error != EEXIST) failWithErrno(error);
        }
    }
    if (fd_ < 0) failWithErrno(EEXIST);
}

OutputFile::~OutputFile() {
    if (!committed_) discard();
}

QIODevice& OutputFile::device() {
    return *file_;
}

void OutputFile::fail(const QString& reason) const {
    throw OutputFileError(failureText(path_, reason).toStdString());
}

void OutputFile::failWithErrno(int error) const {
    fail(systemReason(error));
}

void OutputFile::check() {
    if (!file_ || !file_->isOpen()) fail(QStringLiteral("o arquivo não está aberto"));
    if (!file_->flush() || file_->error() != QFileDevice::NoError) {
        // QFile words the failure from errno; say it as the system does.
        fail(file_->errorString());
    }
}

void OutputFile::commit() {
    check();
    file_->close();
    if (direct_) {
        closeDescriptor();
        committed_ = true;
        return;
    }
    if (::fsync(fd_) != 0 && errno != EINVAL) failWithErrno(errno);
    if (named_.isEmpty()) {
        // linkat cannot replace a file: link under a hidden name, then rename
        // over the target, which is atomic.
        named_ = hiddenNameBeside(target_);
        TempFiles::add(named_);
        const QByteArray proc = QByteArrayLiteral("/proc/self/fd/") + QByteArray::number(fd_);
        if (::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, encoded(named_).constData(), AT_SYMLINK_FOLLOW) !=
                0 &&
            ::linkat(fd_, "", AT_FDCWD, encoded(named_).constData(), AT_EMPTY_PATH) != 0) {
            const int error = errno;
            TempFiles::remove(named_);
            named_.clear();
            failWithErrno(error);
        }
    }
    if (::rename(encoded(named_).constData(), encoded(target_).constData()) != 0) {
        const int error = errno;
        ::unlink(encoded(named_).constData());
        TempFiles::remove(named_);
        named_.clear();
        failWithErrno(error);
    }
    TempFiles::remove(named_);
    named_.clear();
    closeDescriptor();
    committed_ = true;
}

void OutputFile::discard() noexcept {
    if (file_) file_->close();
    if (!named_.isEmpty()) {
        ::unlink(encoded(named_).constData());
        TempFiles::remove(named_);
        named_.clear();
    }
    closeDescriptor();
}

void OutputFile::closeDescriptor() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

} // namespace rl
