#pragma once

#include <QString>

#include <vector>

namespace rl {

// One print queue of the CUPS server.
struct CupsQueue {
    QString name;      // the queue name, as lp -d takes it
    QString deviceUri; // where the scheduler sends the queue's output; empty for a class
    // A queue without a driver ("Local Raw Printer"): it hands every job to the
    // printer untouched, so only printer bytes (the dot-matrix filter's) belong there.
    bool raw = false;
};

// What the CUPS server said about its queues.
struct CupsQueueList {
    bool reached = false;          // the server answered in time
    std::vector<CupsQueue> queues; // in the server's order (by name)
    QString defaultName;           // the user's default destination; empty when there is none
};

// The thin layer over libcups the printer wrapper needs: which queues exist,
// where each one prints, which one is the default, and whether the server is
// there at all.
//
// The server is the one libcups picks for this process: CUPS_SERVER, else
// ~/.cups/client.conf or the system client.conf, else the local scheduler's
// socket. libcups decides that once per thread and remembers it;
// forgetServer() makes it decide again (Qt's CUPS plugin holds no cache of
// its own, so it follows).
//
// Nothing here waits long for a missing or stuck server: every call opens its
// own connection with a connect timeout of ConnectTimeoutMs and gives up on a
// reply after ReplyTimeoutSeconds. (libcups's shared connection, which Qt
// uses, waits 30 seconds to connect and has no reply timeout at all, so callers
// ask reachable() before letting Qt talk to the server.) Looking up the server's
// host name is not bounded: it is a name from the local configuration.
//
// UI thread only, like everything that prints.
class CupsQueues {
public:
    static constexpr int ConnectTimeoutMs = 2000;
    static constexpr double ReplyTimeoutSeconds = 3.0;

    // Asks the server for its printers (CUPS-Get-Printers with "printer-name",
    // "device-uri" and "printer-make-and-model") and for the default destination (cupsGetNamedDest,
    // which honours LPDEST, PRINTER and lpoptions before the server's
    // default). Classes are not listed. A server without queues gives an empty
    // list with reached set; any failure gives an empty list with reached clear.
    static CupsQueueList load();

    // True when the server accepts a connection and answers a request in time.
    static bool reachable();

    // Whether the queue takes page jobs now: it exists, accepts jobs (a stopped
    // queue still does; its jobs wait) and is not raw. When it does not, reason
    // says why in a sentence for the user.
    static bool acceptsJobs(const QString& queue, QString* reason);

    // After a job was handed to the server through libcups's shared
    // connection: empty when the server took it, else its error text.
    static QString lastSubmissionError();

    // Cancels and purges this user's newest held job on the queue, the one
    // just handed over on hold so that it never prints. False when there is
    // none or the server would not cancel it.
    static bool cancelNewestHeldJob(const QString& queue);

    // Makes libcups read CUPS_SERVER and client.conf again at its next call.
    static void forgetServer();
};

} // namespace rl
