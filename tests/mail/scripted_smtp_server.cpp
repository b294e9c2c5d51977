#include "scripted_smtp_server.h"

#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <chrono>
#include <future>

namespace rl::test {

namespace {

QByteArray defaultReply(const QByteArray& verb) {
    if (verb == "EHLO") return "250-test.server\r\n250 HELP\r\n";
    if (verb == "DATA") return "354 End data with <CR><LF>.<CR><LF>\r\n";
    if (verb == "QUIT") return "221 Bye\r\n";
    return "250 OK\r\n";
}

} // namespace

ScriptedSmtpServer::ScriptedSmtpServer(Script script) : script_(std::move(script)) {
    std::promise<void> listening;
    auto ready = listening.get_future();
    thread_ = std::thread([this, &listening] {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        port_ = server.serverPort();
        listening.set_value();
        const QDeadlineTimer limit(10000);
        while (!stop_ && !limit.hasExpired() && !server.hasPendingConnections())
            server.waitForNewConnection(50);
        QTcpSocket* socket = server.nextPendingConnection();
        if (!socket) return;
        if (script_.silent) {
            while (!stop_ && !limit.hasExpired())
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return;
        }
        auto send = [&](const QByteArray& bytes) {
            socket->write(bytes);
            socket->waitForBytesWritten(2000);
        };
        send(script_.greeting);
        QByteArray pending;
        bool inData = false;
        while (!stop_ && !limit.hasExpired() && socket->state() == QAbstractSocket::ConnectedState) {
            if (!socket->waitForReadyRead(50) && socket->bytesAvailable() == 0) continue;
            pending += socket->readAll();
            qsizetype end;
            while ((end = pending.indexOf("\r\n")) >= 0) {
                const QByteArray line = pending.left(end);
                pending.remove(0, end + 2);
                if (inData) {
                    if (line == ".") {
                        inData = false;
                        send(script_.replies.value(".", "250 Queued\r\n"));
                    } else {
                        data_ += line + "\r\n";
                    }
                    continue;
                }
                transcript_.append(line);
                const QByteArray verb = line.left(4).toUpper();
                const QByteArray reply = script_.replies.value(verb, defaultReply(verb));
                send(reply);
                if (verb == "DATA" && reply.startsWith("354")) inData = true;
                if (verb == "QUIT") return;
            }
        }
    });
    ready.wait();
}

ScriptedSmtpServer::~ScriptedSmtpServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void ScriptedSmtpServer::finish() {
    if (thread_.joinable()) thread_.join();
}

} // namespace rl::test
