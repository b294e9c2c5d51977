#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>

#include <atomic>
#include <thread>

namespace rl::test {

// A one-connection SMTP server on 127.0.0.1 running in its own thread, for
// exact dialogue cases. It answers each command by its verb from `replies`
// (defaults: a normal session), records every command line, and collects the
// DATA lines as they arrived (still dot-stuffed). It gives up after ten seconds.
class ScriptedSmtpServer {
public:
    struct Script {
        QByteArray greeting = "220 test.server ready\r\n";
        QMap<QByteArray, QByteArray> replies; // verb ("EHLO", "RCPT", "." for the end of DATA) -> reply
        bool silent = false;                  // accepts, then never says a word
    };

    explicit ScriptedSmtpServer(Script script);
    ~ScriptedSmtpServer();

    quint16 port() const { return port_; }
    // Waits for the session to end; then the records may be read.
    void finish();
    const QList<QByteArray>& transcript() const { return transcript_; }
    const QByteArray& data() const { return data_; }

private:
    void run();

    Script script_;
    std::atomic<quint16> port_{0};
    std::atomic<bool> stop_{false};
    QList<QByteArray> transcript_;
    QByteArray data_;
    std::thread thread_;
};

} // namespace rl::test
