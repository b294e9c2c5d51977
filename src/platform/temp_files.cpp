#include "platform/temp_files.h"

#include "platform/error.h"
#include "platform/folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace rl {

namespace {

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The list lives in plain globals that need no construction and are never
// destroyed: the exit handler and a late signal may read them after static
// destructors have run. The vector itself is allocated on first use and leaked.
constinit std::atomic_flag g_busy;           // guards g_paths
std::vector<std::string>* g_paths = nullptr; // absolute paths, encoded for unlink()
struct ListedFolder {
    std::string path;
    int fd; // open on the folder, for emptying it without allocating
};
std::vector<ListedFolder>* g_folders = nullptr;
constinit std::atomic<pid_t> g_ownerPid{0};  // the process that registered the names
constinit std::once_flag g_installOnce;

sigset_t cleanupSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kCleanupSignals)
        sigaddset(&set, sig);
    return set;
}

// Holds g_busy with the cleanup signals blocked in this thread. Because the
// holder cannot be interrupted by our handler, a handler spinning on the flag
// (on another thread) always sees the holder finish.
class ListLock {
public:
    ListLock() {
        const sigset_t set = cleanupSignalSet();
        pthread_sigmask(SIG_BLOCK, &set, &saved_);
        while (g_busy.test_and_set(std::memory_order_acquire))
            std::this_thread::yield();
        if (!g_paths) g_paths = new std::vector<std::string>;
        if (!g_folders) g_folders = new std::vector<ListedFolder>;
    }
    ~ListLock() {
        g_busy.clear(std::memory_order_release);
        pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
    }
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;

    std::vector<std::string>& paths() { return *g_paths; }
    std::vector<ListedFolder>& folders() { return *g_folders; }

private:
    sigset_t saved_;
};

// A forked child that has not yet exec'd shares our handlers and the list, but
// the files belong to the parent: it must never delete them.
bool isOwner() {
    return g_ownerPid.load(std::memory_order_relaxed) == getpid();
}

// Unlinks the entries directly inside the folder, then the folder. Only
// system calls, so the signal handler may use it: the entries are read with
// getdents64 into a buffer on the stack.
void deleteFolder(const ListedFolder& folder) {
    struct Entry {
        std::uint64_t ino;
        std::int64_t off;
        unsigned short reclen;
        unsigned char type;
        char name[1];
    };
    alignas(8) char buffer[4096];
    for (;;) {
        lseek(folder.fd, 0, SEEK_SET);
        bool removed = false;
        long count;
        while ((count = syscall(SYS_getdents64, folder.fd, buffer, sizeof buffer)) > 0) {
            for (long at = 0; at < count;) {
                const auto* entry = reinterpret_cast<const Entry*>(buffer + at);
                const char* name = buffer + at + offsetof(Entry, name);
                at += entry->reclen;
                if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
                removed |= unlinkat(folder.fd, name, 0) == 0;
            }
        }
        // Entries removed while reading may hide others; read again until none goes.
        if (!removed) break;
    }
    rmdir(folder.path.c_str());
}

// Runs on whatever thread the signal picked. Only async-signal-safe calls:
// unlink, sigaction, pthread_sigmask, raise. The flag stays taken, so no
// thread can register a file between the deletion and the end of the process.
extern "C" void deleteListedFilesAndDie(int sig) {
    while (g_busy.test_and_set(std::memory_order_acquire)) {
        // The holder runs with these signals blocked, so it is never us: wait.
    }
    if (g_paths && isOwner()) {
        for (const std::string& path : *g_paths)
            unlink(path.c_str());
        if (g_folders)
            for (const ListedFolder& folder : *g_folders)
                deleteFolder(folder);
    }
    // End the process the way the signal would have, so the exit status
    // tells the parent what happened.
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(sig, &fallback, nullptr);
    sigset_t just;
    sigemptyset(&just);
    sigaddset(&just, sig);
    pthread_sigmask(SIG_UNBLOCK, &just, nullptr);
    raise(sig);
    // Not reached with the default disposition; should it be, let the program go on.
    g_busy.clear(std::memory_order_release);
}

extern "C" void deleteListedFilesAtExit() {
    if (isOwner()) TempFiles::deleteAll();
}

// Installed once, on the first registration. A signal the process was told to
// ignore (nohup's SIGHUP, a background job's SIGINT) stays ignored. Handlers
// someone else installed are replaced, not chained: nothing in this program
// relies on its own handler for these signals, and Qt installs none for them.
void installCleanup() {
    g_ownerPid.store(getpid(), std::memory_order_relaxed);
    struct sigaction action = {};
    action.sa_handler = deleteListedFilesAndDie;
    action.sa_mask = cleanupSignalSet(); // one handler at a time per thread
    for (int sig : kCleanupSignals) {
        struct sigaction current = {};
        if (sigaction(sig, nullptr, &current) != 0) continue;
        if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_IGN) continue;
        sigaction(sig, &action, nullptr);
    }
    std::atexit(deleteListedFilesAtExit);
}

// Names are kept absolute so that a later change of the working folder
// cannot make the deletion hit another file.
std::string listKey(const QString& path) {
    if (path.isEmpty()) return {};
    return QFile::encodeName(QDir::cleanPath(QFileInfo(path).absoluteFilePath())).toStdString();
}

// lstat, not stat: a dangling symbolic link still occupies the name, and an
// exclusive create would fail on it.
bool nameTaken(const QString& path) {
    struct stat info;
    return lstat(QFile::encodeName(path).constData(), &info) == 0;
}

} // namespace

QString TempFiles::folder() {
    // Fixed as an absolute path, so a later change of the working folder
    // cannot move it; a relative TMPDIR is taken against the system folder.
    static const QString fixed = [] {
        QString path = QDir::tempPath();
        if (path.isEmpty()) path = QStringLiteral("/tmp");
        if (QDir::isRelativePath(path)) path = QDir(Folders::systemFolder()).absoluteFilePath(path);
        return QDir::cleanPath(path);
    }();
    return fixed;
}

QString TempFiles::newTempFileName() {
    // Seeded anew from the clock at each call. The process id and a call
    // counter go into the seed too: two calls within one clock tick, or two
    // viewers started together, would otherwise draw the same name before
    // either file exists.
    static std::atomic<std::uint32_t> calls{0};
    const auto now = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    std::seed_seq seed{static_cast<std::uint32_t>(now), static_cast<std::uint32_t>(now >> 32),
                       static_cast<std::uint32_t>(getpid()), calls.fetch_add(1, std::memory_order_relaxed)};
    std::mt19937 generator(seed);
    return newTempFileName([&generator] { return static_cast<std::uint32_t>(generator()); });
}

QString TempFiles::newTempFileName(const std::function<std::uint32_t()>& random) {
    const QDir dir(folder());
    for (;;) {
        const std::uint32_t number = random() % 2147483647u; // 0 .. 2147483646
        const QString path = dir.filePath(QStringLiteral("~mv%1.tmp").arg(number));
        if (!nameTaken(path)) return path;
    }
}

std::unique_ptr<QFile> TempFiles::openAnonymous() {
    const QByteArray place = QFile::encodeName(folder());
    int fd = -1;
#ifdef O_TMPFILE
    fd = ::open(place.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#endif
    int error = errno;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        const QByteArray name = QFile::encodeName(newTempFileName());
        fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        error = errno;
        if (fd >= 0)
            ::unlink(name.constData());
        else if (error != EEXIST)
            break;
    }
    if (fd < 0)
        throw Error("Não foi possível criar um arquivo temporário em " + place.toStdString() + ": " +
                    std::strerror(error));
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw Error("Não foi possível abrir um arquivo temporário em " + place.toStdString() + ": " +
                    file->errorString().toStdString());
    }
    return file;
}

QString TempFiles::anonymousPath(const QFile& file) {
    return QStringLiteral("/proc/self/fd/%1").arg(file.handle());
}

void TempFiles::add(const QString& path) {
    std::string key = listKey(path);
    if (key.empty()) return;
    std::call_once(g_installOnce, installCleanup);
    ListLock lock;
    for (const std::string& listed : lock.paths())
        if (listed == key) return;
    lock.paths().push_back(std::move(key));
}

void TempFiles::remove(const QString& path) {
    const std::string key = listKey(path);
    if (key.empty()) return;
    ListLock lock;
    std::vector<std::string>& paths = lock.paths();
    for (auto it = paths.begin(); it != paths.end(); ++it) {
        if (*it == key) {
            paths.erase(it);
            return;
        }
    }
}

bool TempFiles::contains(const QString& path) {
    const std::string key = listKey(path);
    if (key.empty()) return false;
    ListLock lock;
    for (const std::string& listed : lock.paths())
        if (listed == key) return true;
    return false;
}

void TempFiles::addFolder(const QString& path) {
    std::string key = listKey(path);
    if (key.empty()) return;
    std::call_once(g_installOnce, installCleanup);
    ListLock lock;
    for (const ListedFolder& listed : lock.folders())
        if (listed.path == key) return;
    const int fd = open(key.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    lock.folders().push_back({std::move(key), fd});
}

void TempFiles::removeFolder(const QString& path) {
    const std::string key = listKey(path);
    ListLock lock;
    std::vector<ListedFolder>& folders = lock.folders();
    for (auto it = folders.begin(); it != folders.end(); ++it) {
        if (it->path == key) {
            close(it->fd);
            folders.erase(it);
            return;
        }
    }
}

bool TempFiles::containsFolder(const QString& path) {
    const std::string key = listKey(path);
    ListLock lock;
    for (const ListedFolder& listed : lock.folders())
        if (listed.path == key) return true;
    return false;
}

void TempFiles::deleteAll() {
    // unlink, not QFile: this also runs at exit, after the application object is gone.
    ListLock lock;
    for (const std::string& path : lock.paths())
        unlink(path.c_str());
    lock.paths().clear();
    for (const ListedFolder& folder : lock.folders()) {
        deleteFolder(folder);
        close(folder.fd);
    }
    lock.folders().clear();
}

} // namespace rl
