#pragma once

#include "mail/mail_address.h"
#include "mail/mail_encoding.h"
#include "mail/mail_header_list.h"
#include "mail/mail_line_writer.h"

#include <QDateTime>
#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>

#include <variant>

namespace rl {

enum class TMailPriority { mpUrgent, mpHigh, mpNormal, mpLow, mpLowest };
enum class TMailEncoding { meMIME, meUU };

// One alternative text of the message (text/plain, text/html, ...).
struct TMailTextPart {
    QString ContentType;     // "text/plain" when empty
    QString ContentTransfer; // "quoted-printable" when empty
    QStringList Lines;
    TMailHeaderList ExtraHeaders;
};

// One attached file. The file is read when the message is written, not before.
struct TMailAttachment {
    TMailAttachment() = default;
    // FileName is the path's last component: the name the recipient sees.
    explicit TMailAttachment(const QString& path);

    QString StoredPathName;
    QString FileName;
    QString ContentType;        // "application/octet-stream" when empty and base64
    QString ContentTransfer;    // "base64" when empty
    QString ContentDisposition; // "attachment" when empty
    TMailHeaderList ExtraHeaders;

    bool hasContentId() const;
};

using TMailMessagePart = std::variant<TMailTextPart, TMailAttachment>;

// One outgoing message and its MIME text.
//
// Usage (what the e-mail dialog and the batch mode do):
//   TMailMessage msg;
//   msg.setFrom(from);              // throws rl::Error on a bad address
//   msg.setRecipients(to);          // comma-separated
//   msg.setCCList(cc);
//   msg.Subject = subject;
//   msg.setBodyText(text);
//   msg.addAttachment(path).FileName = nameTheRecipientSees;
//   TSmtpClient smtp; ... smtp.Send(msg);
//
// Text members are Unicode; they are written in `TextCharset` (from the
// system's language) or, when it cannot hold them, in the nearest set that can.
// Not thread-safe; a message may be written any number of times.
class TMailMessage {
public:
    TMailAddressItem From;
    TMailAddressList Recipients; // To
    TMailAddressList CCList;
    TMailAddressList BccList; // envelope only, never a header
    TMailAddressList ReplyTo;
    QString Subject;
    QString Organization;
    QString References;
    QString Newsgroups;
    QStringList Body;
    QList<TMailMessagePart> MessageParts;
    QString ContentType = QStringLiteral("text/plain");
    QString CharSet;
    QString ContentTransferEncoding;
    TMailEncoding Encoding = TMailEncoding::meMIME;
    QString AttachmentEncoding = QStringLiteral("MIME");
    TMailPriority Priority = TMailPriority::mpNormal;
    QDateTime Date;               // used when UseNowForDate is false
    bool UseNowForDate = true;    // the Date header takes Clock::current().now()
    // The Message-ID header, angle brackets included. Empty: each header block
    // generated gets a new one, "<time.random@domain of From>" (spam filters
    // mark down mail without one); set it to keep one over several writes.
    QByteArray MessageId;
    TMailHeaderList Headers;      // written first
    TMailHeaderList ExtraHeaders; // written last
    TMailAddressItem Sender;
    TMailAddressItem ReceiptRecipient;
    MailCharset TextCharset = MailCharset::system();

    // Setters from text; each throws rl::Error and leaves the member unchanged
    // when the text is not an address (list). The sender must hold an address
    // with an at sign: a name alone is refused.
    void setFrom(const QString& text);
    void setRecipients(const QString& text) { Recipients.setText(text); }
    void setCCList(const QString& text) { CCList.setText(text); }
    void setBccList(const QString& text) { BccList.setText(text); }
    // Body lines from one text; CR LF, CR and LF all end a line.
    void setBodyText(const QString& text);

    TMailAttachment& addAttachment(const QString& path);
    void clearParts() { MessageParts.clear(); }

    // The header block, in order, values encoded but not folded.
    // Throws rl::Error "Invalid Encoding. UU only allows Body and Attachments"
    // and "Failed attempting to retrieve time zone information.".
    TMailHeaderList GenerateHeader() const;

    // The whole message: header block, an empty line, the body. Throws
    // rl::Error when an attachment cannot be read; the lines before it have
    // been written then.
    void WriteMessage(MailLineWriter& writer) const;
    void WriteMessage(QIODevice& device,
                      MailLineWriter::DotStuffing stuffing = MailLineWriter::DotStuffing::Off) const;
    QByteArray toBytes(MailLineWriter::DotStuffing stuffing = MailLineWriter::DotStuffing::Off) const;
};

} // namespace rl
