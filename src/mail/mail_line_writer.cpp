#include "mail/mail_line_writer.h"

#include "platform/error.h"

namespace rl {

void MailLineWriter::writeLine(const QByteArray& line) {
    if (line.contains('\r') || line.contains('\n')) throw Error("Mail line holds a line break");
    QByteArray out;
    out.reserve(line.size() + 3);
    if (stuffing_ == DotStuffing::On && line.startsWith('.')) out += '.';
    out += line;
    out += "\r\n";
    if (device_.write(out) != out.size()) throw Error(device_.errorString().toStdString());
}

} // namespace rl
