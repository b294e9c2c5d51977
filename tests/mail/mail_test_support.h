#pragma once

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace rl::test {

// Debian's interpreter, which has python3-aiosmtpd; a private one on PATH may not.
inline QString systemPython() {
    return QFile::exists("/usr/bin/python3") ? QStringLiteral("/usr/bin/python3") : QStringLiteral("python3");
}

inline QString mailDataDir() {
    return QStringLiteral(RL_TEST_DATA "/mail");
}

// What Python's email package reads in a message file (see parse_message.py).
inline QJsonObject parseWithPython(const QString& path, bool unstuff) {
    QProcess python;
    QStringList args{mailDataDir() + "/parse_message.py", path};
    if (unstuff) args << "--unstuff";
    python.start(systemPython(), args);
    if (!python.waitForFinished(30000) || python.exitCode() != 0) {
        python.kill();
        python.waitForFinished();
        return {{"error", QString::fromUtf8(python.readAllStandardError())}};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

} // namespace rl::test
