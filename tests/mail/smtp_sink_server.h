#pragma once

#include "mail_test_support.h"
#include "support/test_support.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace rl::test {

inline quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

inline bool waitForListening(quint16 port, QProcess& server) {
    const QDeadlineTimer limit(15000);
    while (!limit.hasExpired() && server.state() == QProcess::Running) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (socket.waitForConnected(200)) return true;
        QThread::msleep(100);
    }
    return false;
}

// A Python SMTP server on 127.0.0.1, saving what it receives into a folder of
// its own; killed when the test ends. "{port}" and "{folder}" in the
// arguments stand for its port and that folder.
class SinkServer {
public:
    explicit SinkServer(QStringList arguments) : port_(freePort()) {
        folder_ = sandboxDir() + QString("/received-%1").arg(port_);
        QDir().mkpath(folder_);
        for (QString& argument : arguments)
            argument.replace("{port}", QString::number(port_)).replace("{folder}", folder_);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PYTHONPATH", mailDataDir());
        process_.setProcessEnvironment(env);
        process_.start(systemPython(), arguments);
        process_.waitForStarted(10000);
    }
    ~SinkServer() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    bool waitUntilListening() { return waitForListening(port_, process_); }
    quint16 port() const { return port_; }
    QString errors() { return QString::fromUtf8(process_.readAllStandardError()); }
    // The n-th message received, once it has been written whole.
    QString waitForMessage(int n = 1) {
        const QString path = folder_ + QString("/message-%1.eml").arg(n);
        const QDeadlineTimer limit(10000);
        while (!QFile::exists(path) && !limit.hasExpired())
            QThread::msleep(50);
        return QFile::exists(path) ? path : QString();
    }
    QString envelopePath() const { return folder_ + "/message-1.json"; }

private:
    quint16 port_;
    QString folder_;
    QProcess process_;
};

} // namespace rl::test
