#include "mail/smtp_reply_reader.h"

#include "platform/error.h"

namespace rl {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<TSmtpReply> SmtpReplyReader::takeReply() {
    TSmtpReply reply;
    QByteArray code;
    qsizetype position = 0;
    for (;;) {
        const qsizetype newline = buffer_.indexOf('\n', position);
        const qsizetype length = (newline < 0 ? buffer_.size() : newline) - position;
        if (length > maxLineLength_) throw Error("Max line length exceeded.");
        if (newline < 0) return std::nullopt;
        QByteArray line = buffer_.mid(position, length);
        position = newline + 1;
        if (line.endsWith('\r')) line.chop(1);
        if (code.isEmpty()) {
            if (line.size() < 3 || !isDigit(line[0]) || !isDigit(line[1]) || !isDigit(line[2]))
                throw Error(QStringLiteral("Resposta inválida do servidor de e-mail: \"%1\"")
                                .arg(QString::fromLatin1(line.left(80)).simplified())
                                .toStdString());
            code = line.left(3);
            reply.Code = code.toInt();
        }
        reply.Text.append(QString::fromUtf8(line.mid(4)));
        const bool last = reply.Text.size() == 1
                              ? !(line.size() > 3 && line[3] == '-')
                              : line.size() < 4 || (line.startsWith(code) && line[3] == ' ');
        if (last) {
            buffer_.remove(0, position);
            return reply;
        }
    }
}

} // namespace rl
