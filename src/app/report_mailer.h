#pragma once

#include "mail/mail_message.h"
#include "mail/smtp_client.h"
#include "platform/error.h"
#include "platform/report_encoding.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

class QTemporaryDir;

namespace rl {

class ReportSession;
class Settings;

// The attachment's formats, in the order of the e-mail dialog's list.
// The last two are the report's data as a table.
enum MailFileType { mfPdf = 0, mfRtf = 1, mfXls = 2, mfHtml = 3, mfTxt = 4, mfXlsx = 5, mfCsv = 6 };
inline constexpr int kMailFileTypeCount = 7;

// What the user asked to send: the e-mail dialog's fields or the batch
// options, as typed.
struct MailRequest {
    QString From;
    QString To; // comma-separated
    QString CC; // comma-separated
    QString Subject;
    QString Message;  // lines end with CR LF, CR or LF
    QString FileName; // the attachment's name without extension
    int FileType = mfPdf;
};

// The field a MailFieldError is about, so the dialog can put the focus there.
enum class MailField { From, To, CC, Subject, Message, FileName, FileType };

// A field that cannot go into a message; what() says why, for the user.
class MailFieldError : public Error {
public:
    MailFieldError(MailField field, const QString& message) : Error(message.toStdString()), field_(field) {}
    MailField field() const { return field_; }

private:
    MailField field_;
};

// Where and how the message is sent.
struct MailServer {
    // Used when the settings name no server.
    static constexpr const char* DefaultHost = "localhost";

    QString Host = QString::fromLatin1(DefaultHost);
    int Port = 25;
    QString UserName;
    QString Password; // never stored; with one, the client logs in (encrypted only)
    // Nothing is sent unless the connection is encrypted by STARTTLS; otherwise
    // STARTTLS is used when the server offers it.
    bool RequireTls = false;

    // "server" (blank: the default host), "porta" (missing: 25), "conta" and
    // "seguro" of section "config".
    static MailServer fromSettings(const Settings& settings);
};

// Sends the report as an attachment: exports it, composes the message and
// hands it to the SMTP client. Shared by the e-mail dialog and the batch mode,
// which differ only in how they show progress and failures.
//
// The attachment is exported into a new private temporary folder (never the
// user's current folder, where it could overwrite a file of the same name);
// the folder goes with everything in it, HTML pictures included, on
// Discard() and at destruction, whatever happened.
//
// GUI thread only, except Cancel().
class ReportMailer {
public:
    explicit ReportMailer(ReportSession& session);
    ~ReportMailer();
    ReportMailer(const ReportMailer&) = delete;
    ReportMailer& operator=(const ReportMailer&) = delete;

    // Progress texts ("Exportando relatório...", "Conectando ao servidor de
    // e-mail..", "Enviando e-mail..", "E-mail enviado desconectando..").
    std::function<void(const QString& text)> OnStatus;
    // Called about every 50 ms while waiting for the server; a dialog keeps
    // its Cancel button alive from here.
    std::function<void()> OnWait;
    // Asked for the account's password when "conta" is set, none was given,
    // and the connection is encrypted and the server takes logins; an empty
    // answer sends without login.
    std::function<QString(const MailServer& server)> OnPassword;

    // The dialog's list entries and each type's extension (".pdf", ...).
    static const QStringList& FileTypeNames();
    static QString Extension(int fileType);
    // The attachment's name as the recipient sees it: the typed name without
    // path separators or control characters ("relatorio" when nothing is
    // left), then the extension.
    static QString AttachmentName(const QString& typedName, int fileType);

    // The message of a request, without the attachment. Throws
    // MailFieldError for a field that cannot go into a header or an SMTP
    // command: a sender without address, a recipient that is not an address,
    // no recipient, a line break or control character in the subject or the
    // file name, an unknown file type.
    static TMailMessage Compose(const MailRequest& request);

    // Exports every page (the text lines for mfTxt) into the private folder
    // and returns the file's path. Throws rl::Error when the export fails or
    // is cancelled: nothing is to be sent then.
    QString Export(int fileType);
    // Attaches the exported file to the message under its recipient's name.
    // A text attachment declares the encoding of the report's own bytes.
    void Attach(TMailMessage& message, const QString& path, const MailRequest& request) const;
    // The content type of the text attachment of a report in that encoding.
    static QString TextContentType(ReportEncoding encoding);
    // Connects, sends and disconnects. With a password given the client logs
    // in (and refuses to over a connection that is not encrypted); without
    // one, OnPassword may supply it. Throws rl::Error (SmtpReplyError for a
    // refused command); the connection is closed then.
    void Transmit(const TMailMessage& message, const MailServer& server);
    // Gives up the transmission under way promptly. Thread-safe.
    void Cancel();
    bool Cancelled() const { return cancelled_; }

    // Deletes the private folder and what it holds.
    void Discard();

private:
    void status(const QString& text);
    // Asks OnPassword when a login is possible and nobody gave a password.
    void askPassword(const MailServer& server);
    void throwIfCancelled() const;

    ReportSession& session_;
    std::unique_ptr<QTemporaryDir> folder_;
    TSmtpClient smtp_;
    std::atomic<bool> cancelled_{false};
};

} // namespace rl
