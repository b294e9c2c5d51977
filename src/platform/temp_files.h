#pragma once

#include <QString>

#include <cstdint>
#include <functional>

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

    // Paths are kept absolute (relative ones are taken against the working
    // folder at the time of the call) and listed once; an empty path is ignored.
    static void add(const QString& path);
    // Forgets the path; the file stays.
    static void remove(const QString& path);
    static bool contains(const QString& path);
    // Deletes every listed file and empties the list (what process exit does).
    static void deleteAll();

    // The temporary folder (QDir::tempPath(), made absolute) determined once, at first use.
    static QString folder();
};

} // namespace rl
