#include "platform/temp_files.h"

#include "support/test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using rl::TempFiles;

namespace {

// Environment of a child started by the tests below; see TempFilesChild.Helper.
constexpr char kChildFileVar[] = "RL_TEMP_FILES_CHILD_FILE";
constexpr char kChildModeVar[] = "RL_TEMP_FILES_CHILD_MODE";
constexpr char kChildReadyVar[] = "RL_TEMP_FILES_CHILD_READY_FD";
constexpr int kChildReadyFd = 100;

// Returns a generator that yields the given numbers in turn.
std::function<std::uint32_t()> sequence(std::vector<std::uint32_t> numbers) {
    auto next = std::make_shared<std::size_t>(0);
    return [numbers, next] { return numbers.at((*next)++); };
}

void touch(const QString& path) {
    rl::test::writeFile(path, "x");
}

} // namespace

// Not a test of its own: the child side of the exit and signal tests. It acts
// only when a test started this binary with the variables above set.
TEST(TempFilesChild, Helper) {
    const QByteArray file = qgetenv(kChildFileVar);
    if (file.isEmpty()) return;
    const QByteArray mode = qgetenv(kChildModeVar);
    if (mode == "ignore-hup") signal(SIGHUP, SIG_IGN);
    if (mode == "folder")
        TempFiles::addFolder(QFile::decodeName(file));
    else
        TempFiles::add(QFile::decodeName(file));
    if (mode == "exit") return; // the process then ends normally, after the application object is gone
    if (mode == "busy") {
        // Keeps the list changing on another thread while the signal arrives.
        std::thread([] {
            for (unsigned i = 0;; ++i) {
                const QString other = QStringLiteral("/nonexistent/busy%1").arg(i % 64);
                TempFiles::add(other);
                TempFiles::contains(other);
                TempFiles::remove(other);
            }
        }).detach();
    }
    const int ready = qEnvironmentVariableIntValue(kChildReadyVar);
    const char byte = 'r';
    ASSERT_EQ(write(ready, &byte, 1), 1);
    close(ready);
    for (;;)
        pause();
}

namespace {

struct Child {
    pid_t pid = -1;
    int readyFd = -1;
};

// Starts this test binary running only TempFilesChild.Helper, registering
// `file`, in the given mode. Waits until the child has registered the file
// (unless the mode makes it exit at once).
Child startChild(const QString& file, const char* mode) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return {};

    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry)
        env.emplace_back(*entry);
    env.push_back(std::string(kChildFileVar) + "=" + QFile::encodeName(file).toStdString());
    env.push_back(std::string(kChildModeVar) + "=" + mode);
    env.push_back(std::string(kChildReadyVar) + "=" + std::to_string(kChildReadyFd));
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    std::string exe = QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
    std::string filter = "--gtest_filter=TempFilesChild.Helper";
    char* argv[] = {exe.data(), filter.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], kChildReadyFd);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    // Whatever this test process inherited (a background job ignores SIGINT),
    // the child starts with the default dispositions, as a viewer would.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&defaults, sig);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    Child child;
    const int failed = posix_spawn(&child.pid, exe.c_str(), &actions, &attributes, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(ends[1]);
    if (failed) {
        close(ends[0]);
        return {};
    }
    child.readyFd = ends[0];
    return child;
}

// Blocks until the child says it is ready; false when it ended first.
bool waitReady(const Child& child) {
    char byte = 0;
    ssize_t got;
    do
        got = read(child.readyFd, &byte, 1);
    while (got < 0 && errno == EINTR);
    return got == 1;
}

int waitStatus(Child& child) {
    int status = 0;
    while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    close(child.readyFd);
    return status;
}

} // namespace

TEST(TempFiles, NameIsTildeMvRandomNumberDotTmpInTheTemporaryFolder) {
    const QString name = TempFiles::newTempFileName();
    const QFileInfo info(name);
    EXPECT_EQ(info.absolutePath(), QDir(QDir::tempPath()).absolutePath());
    EXPECT_EQ(TempFiles::folder(), info.absolutePath());
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^~mv(0|[1-9][0-9]*)\\.tmp$")).match(info.fileName());
    ASSERT_TRUE(match.hasMatch()) << info.fileName().toStdString();
    bool ok = false;
    EXPECT_LE(match.captured(1).toLongLong(&ok), 2147483646);
    EXPECT_TRUE(ok);
    // Only a name: nothing is created and nothing registered.
    EXPECT_FALSE(QFileInfo::exists(name));
    EXPECT_FALSE(TempFiles::contains(name));
}

TEST(TempFiles, BackToBackNamesDiffer) {
    // Names drawn before any file is created (say, by two pages of code in one
    // clock tick) must not coincide.
    QSet<QString> names;
    for (int i = 0; i < 100; ++i)
        names.insert(TempFiles::newTempFileName());
    EXPECT_EQ(names.size(), 100);
}

TEST(TempFiles, NumbersStayBelow2147483647) {
    const QDir dir(TempFiles::folder());
    EXPECT_EQ(TempFiles::newTempFileName(sequence({2147483646u})), dir.filePath("~mv2147483646.tmp"));
    EXPECT_EQ(TempFiles::newTempFileName(sequence({2147483647u})), dir.filePath("~mv0.tmp"));
    EXPECT_EQ(TempFiles::newTempFileName(sequence({4294967295u})), dir.filePath("~mv1.tmp"));
}

TEST(TempFiles, TakenNamesAreDrawnAgain) {
    const QDir dir(TempFiles::folder());
    const QString taken = dir.filePath("~mv5.tmp");
    const QString dangling = dir.filePath("~mv9.tmp");
    touch(taken);
    ASSERT_TRUE(QFile::link(dir.filePath("no-such-target"), dangling));

    EXPECT_EQ(TempFiles::newTempFileName(sequence({5, 5, 7})), dir.filePath("~mv7.tmp"));
    // A dangling symbolic link occupies its name too: creating the file there would fail.
    EXPECT_EQ(TempFiles::newTempFileName(sequence({9, 5, 11})), dir.filePath("~mv11.tmp"));

    QFile::remove(taken);
    QFile::remove(dangling);
}

TEST(TempFiles, ListAddRemoveContainsAndDeleteAll) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString kept = dir.filePath("kept.tmp");
    const QString deleted = dir.filePath("deleted.tmp");
    const QString other = dir.filePath("other.tmp");
    touch(kept);
    touch(deleted);
    touch(other);

    TempFiles::add(kept);
    TempFiles::add(deleted);
    TempFiles::add(deleted); // listed once
    EXPECT_TRUE(TempFiles::contains(kept));
    EXPECT_TRUE(TempFiles::contains(deleted));
    EXPECT_FALSE(TempFiles::contains(other));

    TempFiles::remove(kept);
    EXPECT_FALSE(TempFiles::contains(kept));
    EXPECT_TRUE(QFileInfo::exists(kept)) << "remove() only forgets the name";

    TempFiles::remove(deleted); // one removal forgets a name added twice
    EXPECT_FALSE(TempFiles::contains(deleted));
    TempFiles::add(deleted);

    TempFiles::deleteAll();
    EXPECT_FALSE(QFileInfo::exists(deleted));
    EXPECT_FALSE(TempFiles::contains(deleted));
    EXPECT_TRUE(QFileInfo::exists(kept));
    EXPECT_TRUE(QFileInfo::exists(other));

    TempFiles::add(QString()); // ignored
    EXPECT_FALSE(TempFiles::contains(QString()));
}

TEST(TempFiles, RelativeNamesAreHeldAbsolute) {
    // Registered relative to one working folder, deleted after moving to another:
    // the deletion must still hit the registered file and no other.
    QTemporaryDir first;
    QTemporaryDir second;
    ASSERT_TRUE(first.isValid() && second.isValid());
    const QString saved = QDir::currentPath();
    touch(first.filePath("spill.tmp"));
    touch(second.filePath("spill.tmp"));

    ASSERT_TRUE(QDir::setCurrent(first.path()));
    TempFiles::add("spill.tmp");
    ASSERT_TRUE(QDir::setCurrent(second.path()));
    EXPECT_TRUE(TempFiles::contains(first.filePath("spill.tmp")));
    EXPECT_FALSE(TempFiles::contains("spill.tmp"));
    TempFiles::deleteAll();
    QDir::setCurrent(saved);

    EXPECT_FALSE(QFileInfo::exists(first.filePath("spill.tmp")));
    EXPECT_TRUE(QFileInfo::exists(second.filePath("spill.tmp")));
}

TEST(TempFiles, NormalExitDeletesListedFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("~mv1.tmp");
    touch(file);

    Child child = startChild(file, "exit");
    ASSERT_GT(child.pid, 0);
    const int status = waitStatus(child);
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(QFileInfo::exists(file));
}

class TempFilesSignal : public ::testing::TestWithParam<std::pair<int, std::string>> {};

TEST_P(TempFilesSignal, DeletesListedFilesAndDiesByTheSignal) {
    const auto [sig, mode] = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("~mv2.tmp");
    const QString unlisted = dir.filePath("~mv3.tmp");
    touch(file);
    touch(unlisted);

    Child child = startChild(file, mode.c_str());
    ASSERT_GT(child.pid, 0);
    ASSERT_TRUE(waitReady(child)) << "the child ended before registering the file";
    ASSERT_EQ(kill(child.pid, sig), 0);
    const int status = waitStatus(child);

    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), sig);
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(QFileInfo::exists(unlisted));
}

INSTANTIATE_TEST_SUITE_P(
    TempFiles, TempFilesSignal,
    ::testing::Values(std::pair{SIGTERM, std::string("wait")}, std::pair{SIGINT, std::string("wait")},
                      std::pair{SIGHUP, std::string("wait")}, std::pair{SIGTERM, std::string("busy")},
                      std::pair{SIGINT, std::string("busy")}),
    [](const auto& info) { return std::string(sigabbrev_np(info.param.first)) + "_" + info.param.second; });

TEST(TempFiles, ListedFolderGoesWithItsFilesOnExitAndOnSignal) {
    for (const bool signalled : {false, true}) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString folder = dir.filePath("relantomador-email-x");
        ASSERT_TRUE(QDir().mkpath(folder));
        // More entries than one read of the folder returns.
        for (int i = 0; i < 300; ++i)
            touch(QDir(folder).filePath(QStringLiteral("attachment-with-a-long-name-%1.pdf").arg(i)));
        if (!signalled) {
            TempFiles::addFolder(folder);
            EXPECT_TRUE(TempFiles::containsFolder(folder));
            TempFiles::deleteAll();
            EXPECT_FALSE(TempFiles::containsFolder(folder));
        } else {
            Child child = startChild(folder, "folder");
            ASSERT_GT(child.pid, 0);
            ASSERT_TRUE(waitReady(child));
            ASSERT_EQ(kill(child.pid, SIGTERM), 0);
            EXPECT_TRUE(WIFSIGNALED(waitStatus(child)));
        }
        EXPECT_FALSE(QFileInfo::exists(folder)) << (signalled ? "after SIGTERM" : "after deleteAll");
    }
}

TEST(TempFiles, IgnoredSignalStaysIgnored) {
    // A viewer started under nohup keeps running on SIGHUP, and keeps its files.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("~mv4.tmp");
    touch(file);

    Child child = startChild(file, "ignore-hup");
    ASSERT_GT(child.pid, 0);
    ASSERT_TRUE(waitReady(child));
    // Had SIGHUP been caught, the child would die by it: before SIGTERM is
    // sent, or first of the two pending (Linux delivers the lower number first).
    ASSERT_EQ(kill(child.pid, SIGHUP), 0);
    ASSERT_EQ(kill(child.pid, SIGTERM), 0);
    const int status = waitStatus(child);

    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_FALSE(QFileInfo::exists(file));
}
