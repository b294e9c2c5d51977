#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QFile;

namespace rl {

// Process-wide list of temporary files still to be deleted (spill files, export
// files). Every name left in it is deleted when the process ends normally (exit
// handler; needs no application object) or by SIGINT, SIGTERM or SIGHUP: on the
// first add() a handler is installed for each of these signals that the process
// does not ignore; it deletes the listed files and then ends the process by the
// same signal, so the exit status still tells what happened. A handler installed
// earlier by someone else is replaced, not chained.
//
// Safe to call from any thread. Each call holds a spin flag with those signals
// blocked in the calling thread, so the handler, which takes the same flag, never
// waits on a thread it interrupted. A forked child that has not exec'd never
// deletes the parent's files.
class TempFiles {
public:
    // A name "~mv" + random decimal in 0..2147483646 + ".tmp" in the temporary
    // folder (fixed at first use), for which nothing exists yet (a dangling
    // symbolic link counts as existing). Not created, not registered. The
    // generator is seeded from the clock (with the process id and a call count)
    // at each call.
    static QString newTempFileName();
    // Same, drawing numbers from the given generator: for tests. Each number
    // is random() % 2147483647; a new one is drawn while the name is taken.
    static QString newTempFileName(const std::function<std::uint32_t()>& random);

    // A private temporary file without a name in any folder: made with
    // O_TMPFILE in folder(), or, where the file system lacks it, made under a
    // newTempFileName() and unlinked at once. Only this process can reach it,
    // and nothing, not even SIGKILL, can leave it behind: it goes with its
    // last descriptor. Open for reading and writing, mode 0600. Throws
    // rl::Error naming the folder and the system's reason.
    static std::unique_ptr<QFile> openAnonymous();
    // A path that reaches such a file through its descriptor while it is
    // open ("/proc/self/fd/N"), for messages and for comparing files.
    static QString anonymousPath(const QFile& file);

    // Paths are kept absolute (relative ones are taken against the working
    // folder at the time of the call) and listed once; an empty path is ignored.
    static void add(const QString& path);
    // Forgets the path; the file stays.
    static void remove(const QString& path);
    static bool contains(const QString& path);
    // Private folders (a page set being written, an e-mail attachment's
    // folder): deleted with the files directly inside them, on the same
    // occasions as the listed files. The folder must exist; it is held open,
    // so the signal handler can empty it without allocating.
    static void addFolder(const QString& path);
    // Forgets the folder; it stays.
    static void removeFolder(const QString& path);
    static bool containsFolder(const QString& path);

    // Deletes every listed file and folder and empties the lists (what process
    // exit does).
    static void deleteAll();

    // The temporary folder (QDir::tempPath(), made absolute) determined once, at first use.
    static QString folder();
};

} // namespace rl
