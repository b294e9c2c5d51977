#include "export/markup_output.h"

#include "platform/error.h"

#include <QFile>
#include <QIODevice>

namespace rl {

namespace {

[[noreturn]] void fail(const QString& what, const QIODevice& device) {
    QString text = what;
    if (const auto* file = qobject_cast<const QFile*>(&device)) text += " \"" + file->fileName() + "\"";
    throw Error((text + ": " + device.errorString()).toStdString());
}

} // namespace

void writeBytes(QIODevice& out, std::string_view bytes) {
    if (bytes.empty()) return;
    if (out.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
        fail(QStringLiteral("Não foi possível gravar o arquivo"), out);
}

void writeLine(QIODevice& out, std::string_view bytes) {
    writeBytes(out, bytes);
    writeBytes(out, "\r\n");
}

void openForWriting(QFile& file) {
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail(QStringLiteral("Não foi possível criar o arquivo"), file);
}

void closeWritten(QFile& file) {
    if (!file.flush()) fail(QStringLiteral("Não foi possível gravar o arquivo"), file);
    file.close();
}

} // namespace rl
