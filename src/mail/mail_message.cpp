#include "mail/mail_message.h"

#include "platform/clock.h"
#include "platform/error.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSysInfo>

namespace rl {

namespace {

const QByteArray kMixedBoundary = "=_NextPart_2rfkmrvxsadvnqw3nerasdf";
const QByteArray kRelatedBoundary = "=_NextPart_2relrfksadvnqmrvxw3nerasdf";
const QByteArray kAlternativeBoundary = "=_NextPart_2altrfkmrvxsadvnqw3nerasdf";
const QByteArray kPrologue = "This is a multi-part message in MIME format";

// SMTP allows 998 bytes a line; one is kept for a dot that stuffing may add.
constexpr qsizetype kMaxPlainLine = 997;

QStringList splitLines(const QString& text) {
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    return text.split(lineEnd);
}

// Text that may come from a settings file or the command line, made one line.
QByteArray oneLine(const QString& text) {
    return text.simplified().toLatin1();
}

// Text lines as bytes of one charset, and whether they can go out as they are
// ("7bit") or need quoted-printable: bytes outside printable ASCII, a line
// longer than SMTP allows, or a line that could be taken for a boundary.
struct EncodedLines {
    QByteArray charset;
    QList<QByteArray> lines;
    bool quoted = false;
};

EncodedLines encodeLines(const QStringList& source, const MailCharset& charset) {
    QStringList lines;
    for (const QString& line : source)
        lines.append(splitLines(line));
    const CharsetBytes encoded = encodeInCharset(lines.join(u'\n'), charset);
    EncodedLines out{encoded.charset, encoded.bytes.split('\n'), false};
    for (const QByteArray& line : out.lines) {
        if (line.size() > kMaxPlainLine || line.startsWith("--=_NextPart_")) out.quoted = true;
        for (char c : line)
            if (static_cast<unsigned char>(c) > 0x7E || (static_cast<unsigned char>(c) < 0x20 && c != '\t'))
                out.quoted = true;
    }
    return out;
}

// The Body written directly as the message's whole content: in CharSet when
// one is given, quoted-printable when it must be or when asked to be.
EncodedLines directBody(const TMailMessage& message) {
    MailCharset charset = message.TextCharset;
    if (!message.CharSet.trimmed().isEmpty()) charset.name = message.CharSet.trimmed().toLatin1();
    EncodedLines body = encodeLines(message.Body, charset);
    if (message.ContentTransferEncoding.trimmed().compare(QLatin1String("quoted-printable"),
                                                          Qt::CaseInsensitive) == 0)
        body.quoted = true;
    return body;
}

const char* const kDayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// "Tue, 8 Dec 2026 23:30:05 -0300": local time and its offset from UTC.
QByteArray formatDate(const QDateTime& moment) {
    if (!moment.isValid()) throw Error("Failed attempting to retrieve time zone information.");
    const QDate date = moment.date();
    const QTime time = moment.time();
    const int offset = moment.offsetFromUtc() / 60;
    const int magnitude = offset < 0 ? -offset : offset;
    return QStringLiteral("%1, %2 %3 %4 %5:%6:%7 %8%9%10")
        .arg(QLatin1String(kDayNames[date.dayOfWeek() - 1]))
        .arg(date.day())
        .arg(QLatin1String(kMonthNames[date.month() - 1]))
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(time.hour(), 2, 10, QLatin1Char('0'))
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.second(), 2, 10, QLatin1Char('0'))
        .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
        .arg(magnitude % 60, 2, 10, QLatin1Char('0'))
        .toLatin1();
}

// A new identifier in the sender's domain (the local host's when the sender
// has none): the moment and 64 random bits, unique enough across machines.
QByteArray newMessageId(const TMailAddressItem& from) {
    const qsizetype at = from.Address.lastIndexOf(u'@');
    QByteArray domain = at < 0 ? QByteArray() : from.Address.mid(at + 1).toLatin1();
    if (domain.isEmpty()) domain = QSysInfo::machineHostName().toLatin1();
    if (domain.isEmpty() || domain.contains(' ') || domain.contains('>')) domain = "localhost";
    const QByteArray moment =
        Clock::current().now().toUTC().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    return '<' + moment + '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + '@' +
           domain + '>';
}

// The kinds of part a message holds, which decide its Content-Type and body shape.
struct PartCounts {
    int text = 0;
    int attachments = 0;
    int related = 0;
};

PartCounts countParts(const TMailMessage& message) {
    PartCounts counts;
    for (const TMailMessagePart& part : message.MessageParts) {
        if (const auto* attachment = std::get_if<TMailAttachment>(&part)) {
            ++counts.attachments;
            if (attachment->hasContentId()) ++counts.related;
        } else {
            ++counts.text;
        }
    }
    return counts;
}

QByteArray readAttachment(const TMailAttachment& attachment) {
    QFile file(attachment.StoredPathName);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Não foi possível abrir o arquivo \"%1\": %2")
                        .arg(attachment.StoredPathName, file.errorString())
                        .toStdString());
    return file.readAll();
}

// Writes the body of one message; one function per element it emits.
class BodyWriter {
public:
    BodyWriter(const TMailMessage& message, MailLineWriter& out)
        : message_(message), out_(out), counts_(countParts(message)),
          body_(encodeLines(message.Body, message.TextCharset)) {}

    void write() {
        if (message_.Encoding == TMailEncoding::meUU) return writeUuBody();
        if (counts_.attachments > 0) return writeMixedBody();
        if (counts_.text > 0) return writeAlternativeBody();
        writeLines(directBody(message_));
    }

private:
    QByteArray boundary() const { return counts_.related > 0 ? kRelatedBoundary : kMixedBoundary; }

    // Body lines as they are, or quoted-printable.
    void writeLines(const EncodedLines& lines) {
        for (const QByteArray& line : lines.lines) {
            if (!lines.quoted) {
                out_.writeLine(line);
                continue;
            }
            for (const QByteArray& piece : quotedPrintableLines(line))
                out_.writeLine(piece);
        }
    }

    // Attachments after the message text, in one multipart/mixed (or related) body.
    void writeMixedBody() {
        out_.writeLine(kPrologue);
        out_.writeLine({});
        out_.writeLine("--" + boundary());
        if (counts_.text == 0)
            writeBodyPart();
        else if (counts_.text == 1)
            writeTextPart(firstTextPart());
        else
            writeNestedAlternative();
        for (const TMailMessagePart& part : message_.MessageParts)
            if (const auto* attachment = std::get_if<TMailAttachment>(&part)) writeAttachment(*attachment);
        out_.writeLine("--" + boundary() + "--");
    }

    // Text parts only: one multipart/alternative body.
    void writeAlternativeBody() {
        out_.writeLine(kPrologue);
        out_.writeLine({});
        for (const TMailMessagePart& part : message_.MessageParts) {
            out_.writeLine("--" + kMixedBoundary);
            writeTextPart(std::get<TMailTextPart>(part));
        }
        out_.writeLine("--" + kMixedBoundary + "--");
    }

    // The Body lines as the first part of a multipart body.
    void writeBodyPart() {
        if (body_.quoted) {
            out_.writeLine("Content-Type: text/plain; charset=\"" + body_.charset + '"');
            out_.writeLine("Content-Transfer-Encoding: quoted-printable");
        } else {
            out_.writeLine("Content-Type: text/plain");
            out_.writeLine("Content-Transfer-Encoding: 7bit");
        }
        out_.writeLine({});
        writeLines(body_);
    }

    // Several text parts as one multipart/alternative part of a mixed body.
    void writeNestedAlternative() {
        out_.writeLine("Content-Type: multipart/alternative; ");
        out_.writeLine("        boundary=\"" + kAlternativeBoundary + '"');
        out_.writeLine({});
        for (const TMailMessagePart& part : message_.MessageParts)
            if (const auto* text = std::get_if<TMailTextPart>(&part)) {
                out_.writeLine("--" + kAlternativeBoundary);
                writeTextPart(*text);
            }
        out_.writeLine("--" + kAlternativeBoundary + "--");
    }

    // One text part: its headers, an empty line, its lines, an empty line.
    void writeTextPart(const TMailTextPart& part) {
        EncodedLines lines = encodeLines(part.Lines, message_.TextCharset);
        QByteArray type = part.ContentType.isEmpty() ? QByteArray("text/plain") : part.ContentType.toLatin1();
        const QByteArray transfer =
            part.ContentTransfer.isEmpty() ? QByteArray("quoted-printable") : part.ContentTransfer.toLatin1();
        lines.quoted = lines.quoted || transfer.compare("quoted-printable", Qt::CaseInsensitive) == 0;
        if (lines.quoted && !type.contains("charset=")) type += "; charset=\"" + lines.charset + '"';
        out_.writeLine("Content-Type: " + type);
        out_.writeLine("Content-Transfer-Encoding: " +
                       (lines.quoted ? QByteArray("quoted-printable") : transfer));
        for (const QByteArray& line : part.ExtraHeaders.lines())
            out_.writeLine(line);
        out_.writeLine({});
        writeLines(lines);
        out_.writeLine({});
    }

    // One attached file: boundary, headers, the encoded file.
    void writeAttachment(const TMailAttachment& attachment) {
        const QByteArray transfer = attachment.ContentTransfer.isEmpty()
                                        ? QByteArray("base64")
                                        : attachment.ContentTransfer.toLatin1();
        const QByteArray disposition = attachment.ContentDisposition.isEmpty()
                                           ? QByteArray("attachment")
                                           : attachment.ContentDisposition.toLatin1();
        QByteArray type = attachment.ContentType.toLatin1();
        if (type.isEmpty() && transfer == "base64") type = "application/octet-stream";
        // Only a name, never a path the recipient's program might follow.
        QString name = attachment.FileName;
        name.replace(u'/', u'_').replace(u'\\', u'_');
        out_.writeLine({});
        out_.writeLine("--" + boundary());
        out_.writeLine("Content-Type: " + type + ';');
        out_.writeLine("        " + mimeParameter("name", name));
        out_.writeLine("Content-Transfer-Encoding: " + transfer);
        out_.writeLine("Content-Disposition: " + disposition + ';');
        out_.writeLine("        " + mimeParameter("filename", name));
        for (const QByteArray& line : attachment.ExtraHeaders.lines())
            out_.writeLine(line);
        out_.writeLine({});
        writeEncodedFile(attachment, transfer);
        out_.writeLine({});
    }

    // The file's bytes in the part's transfer encoding.
    void writeEncodedFile(const TMailAttachment& attachment, const QByteArray& transfer) {
        const QByteArray bytes = readAttachment(attachment);
        if (transfer.compare("base64", Qt::CaseInsensitive) == 0) {
            for (const QByteArray& line : base64Lines(bytes))
                out_.writeLine(line);
            return;
        }
        QList<QByteArray> lines = bytes.split('\n');
        if (lines.size() > 1 && lines.last().isEmpty()) lines.removeLast();
        for (QByteArray& line : lines) {
            if (line.endsWith('\r')) line.chop(1);
            if (transfer.compare("quoted-printable", Qt::CaseInsensitive) == 0) {
                for (const QByteArray& piece : quotedPrintableLines(line))
                    out_.writeLine(piece);
            } else {
                line.replace('\r', ' ');
                out_.writeLine(line);
            }
        }
    }

    // UU: the body lines, then each file as a "begin 644 name" ... "end" block.
    void writeUuBody() {
        writeLines(body_);
        for (const TMailMessagePart& part : message_.MessageParts) {
            const auto& attachment = std::get<TMailAttachment>(part);
            const QByteArray bytes = readAttachment(attachment);
            out_.writeLine({});
            out_.writeLine("begin 644 " + oneLine(attachment.FileName));
            for (qsizetype i = 0; i < bytes.size(); i += 45)
                out_.writeLine(uuLine(bytes.mid(i, 45)));
            out_.writeLine("`");
            out_.writeLine("end");
        }
    }

    static QByteArray uuLine(const QByteArray& chunk) {
        auto uuChar = [](int value) { return value == 0 ? '`' : char(value + 32); };
        QByteArray line(1, uuChar(int(chunk.size())));
        for (qsizetype i = 0; i < chunk.size(); i += 3) {
            const auto byte = [&](qsizetype k) {
                return k < chunk.size() ? static_cast<unsigned char>(chunk[k]) : 0u;
            };
            const unsigned group = (byte(i) << 16) | (byte(i + 1) << 8) | byte(i + 2);
            for (int shift = 18; shift >= 0; shift -= 6)
                line += uuChar(int((group >> shift) & 0x3F));
        }
        return line;
    }

    const TMailTextPart& firstTextPart() const {
        for (const TMailMessagePart& part : message_.MessageParts)
            if (const auto* text = std::get_if<TMailTextPart>(&part)) return *text;
        throw Error("No text part");
    }

    const TMailMessage& message_;
    MailLineWriter& out_;
    PartCounts counts_;
    EncodedLines body_;
};

} // namespace

TMailAttachment::TMailAttachment(const QString& path)
    : StoredPathName(path), FileName(QFileInfo(path).fileName()) {}

bool TMailAttachment::hasContentId() const {
    for (const TMailHeaderList::Header& h : ExtraHeaders.headers())
        if (h.name.compare("Content-ID", Qt::CaseInsensitive) == 0) return true;
    return false;
}

void TMailMessage::setFrom(const QString& text) {
    TMailAddressItem item = TMailAddressItem::fromText(text);
    if (!item.isEmpty() && !item.Address.contains(u'@'))
        throw Error(QStringLiteral("O remetente precisa ser um endereço de e-mail: \"%1\"")
                        .arg(text.simplified())
                        .toStdString());
    From = item;
}

void TMailMessage::setBodyText(const QString& text) {
    Body = splitLines(text);
}

TMailAttachment& TMailMessage::addAttachment(const QString& path) {
    MessageParts.append(TMailAttachment(path));
    return std::get<TMailAttachment>(MessageParts.last());
}

TMailHeaderList TMailMessage::GenerateHeader() const {
    const PartCounts counts = countParts(*this);
    if (Encoding == TMailEncoding::meUU && (counts.text > 0 || counts.related > 0))
        throw Error("Invalid Encoding. UU only allows Body and Attachments");

    TMailHeaderList header = Headers;
    header.add("From", From.rendered(TextCharset));
    header.add("Subject", encodeHeaderText(Subject, TextCharset, HeaderTextKind::Unstructured, 9));
    header.add("To", Recipients.rendered(TextCharset));
    header.add("Cc", CCList.rendered(TextCharset));
    header.add("Newsgroups", oneLine(Newsgroups));

    if (Encoding == TMailEncoding::meMIME) {
        QByteArray type = oneLine(ContentType);
        QByteArray charset = oneLine(CharSet);
        QByteArray transfer = oneLine(ContentTransferEncoding);
        if (counts.related > 0) {
            type = "multipart/related; type=\"multipart/alternative\"; boundary=\"" + kRelatedBoundary + '"';
        } else if (counts.attachments > 0) {
            type = "multipart/mixed; boundary=\"" + kMixedBoundary + '"';
        } else if (counts.text > 0) {
            type = "multipart/alternative; boundary=\"" + kMixedBoundary + '"';
        } else {
            // A body written directly declares the charset its bytes are in
            // whenever they are more than ASCII.
            const EncodedLines body = directBody(*this);
            if (body.quoted) {
                charset = body.charset;
                transfer = "quoted-printable";
            }
        }
        if (!charset.isEmpty()) type += ";\r\n\tcharset=\"" + charset + '"';
        header.add("Content-Type", type);
        if (!MessageParts.isEmpty() || !transfer.isEmpty()) header.add("MIME-Version", "1.0");
        header.add("Content-Transfer-Encoding", transfer);
    }

    header.add("Sender", Sender.rendered(TextCharset));
    header.add("Reply-To", ReplyTo.rendered(TextCharset));
    header.add("Organization", encodeHeaderText(Organization, TextCharset, HeaderTextKind::Unstructured, 14));
    header.add("Disposition-Notification-To", ReceiptRecipient.rendered(TextCharset));
    header.add("References", oneLine(References));
    header.add("Date", formatDate(UseNowForDate ? Clock::current().now() : Date));
    header.add("Message-ID",
               MessageId.isEmpty() ? newMessageId(From) : oneLine(QString::fromLatin1(MessageId)));
    header.add("X-Priority", QByteArray::number(int(Priority) + 1));
    header.add("X-Library", "MorvexMail 1.0");
    header.append(ExtraHeaders);
    return header;
}

void TMailMessage::WriteMessage(MailLineWriter& writer) const {
    const TMailHeaderList header = GenerateHeader();
    for (const QByteArray& line : header.lines())
        writer.writeLine(line);
    writer.writeLine({});
    BodyWriter(*this, writer).write();
}

void TMailMessage::WriteMessage(QIODevice& device, MailLineWriter::DotStuffing stuffing) const {
    MailLineWriter writer(device, stuffing);
    WriteMessage(writer);
}

QByteArray TMailMessage::toBytes(MailLineWriter::DotStuffing stuffing) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteMessage(buffer, stuffing);
    return bytes;
}

} // namespace rl
