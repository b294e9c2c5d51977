#include "platform/error_log.h"

#include "platform/folders.h"

#include <QFile>

#include <cstdlib>
#include <cxxabi.h>
#include <memory>

namespace rl {

QString ErrorLog::path() {
    return Folders::currentFolder() + u'/' + QLatin1StringView(FileName);
}

QByteArray ErrorLog::formatLine(const QString& message, const QString& objectName) {
    return "Ocorreu um erro no sistema, erro: " + message.toUtf8() + " - Objeto :" + objectName.toUtf8() +
           "\r\n";
}

bool ErrorLog::append(const QString& message, const QString& objectName) noexcept {
    try {
        return appendTo(path(), message, objectName);
    } catch (...) {
        return false;
    }
}

bool ErrorLog::appendTo(const QString& path, const QString& message, const QString& objectName) noexcept {
    try {
        const QByteArray line = formatLine(message, objectName);
        QFile log(path);
        // Append mode: concurrent writers never overwrite each other's lines.
        if (!log.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
        if (log.write(line) != line.size()) return false;
        return log.flush();
    } catch (...) {
        return false;
    }
}

bool ErrorLog::logException(const QObject* sender, const std::exception& error) noexcept {
    try {
        return append(messageOf(error), sender ? sender->objectName() : QString());
    } catch (...) {
        return false;
    }
}

bool ErrorLog::logExceptionOfClass(const std::type_info& type, const std::exception& error) noexcept {
    try {
        return append(messageOf(error), className(type));
    } catch (...) {
        return false;
    }
}

QString ErrorLog::messageOf(const std::exception& error) {
    return QString::fromUtf8(error.what());
}

QString ErrorLog::className(const std::type_info& type) {
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> readable(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    return QString::fromUtf8(status == 0 && readable ? readable.get() : type.name());
}

} // namespace rl
