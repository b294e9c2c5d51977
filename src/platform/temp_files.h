#pragma once

#include <QString>

#include <cstdint>
#include <functional>

namespace rl {

// Process-wide list of temporary files still to be deleted (spill files, export
// files). Every name left in it is deleted when the process ends normally or by
// SIGINT, SIGTERM or SIGHUP. Safe to call from any thread; the signal handler
// never waits on a lock held by the interrupted thread.
class TempFiles {
public:
    // A name "~mv" + random decimal in 0..2147483646 + ".tmp" in the temporary
    // folder (fixed at first use), for which no file exists yet. Not created, not registered.
    static QString newTempFileName();
    // Same, drawing numbers from the given generator: for tests.
    static QString newTempFileName(const std::function<std::uint32_t()>& random);

    static void add(const QString& path);
    static void remove(const QString& path);
    static bool contains(const QString& path);
    // Deletes every listed file and empties the list (what process exit does).
    static void deleteAll();

    // The temporary folder determined once, at first use.
    static QString folder();
};

} // namespace rl
