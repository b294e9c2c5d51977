#pragma once

#include "mail/mail_message.h"
#include "mail/smtp_reply_reader.h"
#include "platform/error.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QLoggingCategory>
#include <QSslCertificate>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

class QSslSocket;

namespace rl {

// Every command, reply and state change of the SMTP dialogue ("rl.mail.smtp";
// QT_LOGGING_RULES="rl.mail.smtp.debug=true" shows them).
Q_DECLARE_LOGGING_CATEGORY(lcSmtp)

// A reply whose code the command does not accept. what() is the code and the
// server's text ("550 No such user here").
class SmtpReplyError : public Error {
public:
    explicit SmtpReplyError(const TSmtpReply& reply);
    int code() const { return reply_.Code; }
    const QStringList& text() const { return reply_.Text; }

private:
    TSmtpReply reply_;
};

// Where the dialogue stands; each state is entered when its command is sent.
enum class SmtpState {
    Disconnected,
    Connecting,
    Greeting,
    Ehlo,
    Helo,
    StartTls,
    Ready,
    Rset,
    Auth,
    MailFrom,
    RcptTo,
    Data,
    Content,
    EndOfData,
    Quit,
};

// Sends composed messages to a mail server over TCP. When the server offers
// STARTTLS the connection is encrypted before anything else is said, with the
// server's certificate checked against the system's authorities (and
// CaCertificates); a certificate that fails the check ends the connection.
// Login (AUTH PLAIN or LOGIN) happens only on an encrypted connection.
//
// Connect(), Send() and Disconnect() block the calling thread. While they wait
// they run that thread's events (user input included, so a dialog's Cancel
// button works; the caller keeps the rest of its window from reacting) in slices
// of 50 ms, call OnWait, and give up with an rl::Error when Cancel() was called
// (from any thread), when the time limit of the step has passed, or when the
// server closes the connection. After an error the connection is closed, except
// after a refused command (SmtpReplyError), where the dialogue can go on or be
// ended with Disconnect(). Any other thread may call only Cancel().
//
// A dialog on the user-interface thread shows progress through OnStatus, and
// calls QCoreApplication::processEvents() from OnWait if its Cancel button must
// stay live; or it runs the client on a worker thread and calls Cancel().
// Either way the client must outlive the call: a dialog that pumps events
// keeps itself from closing until the call has returned.
class TSmtpClient {
public:
    enum class TAuthenticationType { atNone, atLogin };
    enum class StartTls { Never, WhenOffered, Required };

    TSmtpClient();
    ~TSmtpClient();
    TSmtpClient(const TSmtpClient&) = delete;
    TSmtpClient& operator=(const TSmtpClient&) = delete;

    QString Host;
    quint16 Port = 25;
    QString HeloName;  // empty: the local host name
    QString MailAgent; // "X-Mailer"; empty: no such header
    QString UserName;
    QString Password; // kept in memory only, for the login
    StartTls UseStartTls = StartTls::WhenOffered;
    QList<QSslCertificate> CaCertificates; // trusted besides the system's authorities
    // Time limits in milliseconds; 0 waits without limit. A server that never
    // answers (a port that expects TLS from the first byte, say) fails then.
    int ConnectTimeout = 30000;
    int ReadTimeout = 30000;     // each reply, and each stretch of writing without progress
    int DataEndTimeout = 60000;  // the reply to the final ".", when servers scan the message
    int RecvBufferSize = 8192;
    int MaxLineLength = 4096; // a longer reply line raises "Max line length exceeded."

    bool UseEhlo() const { return useEhlo_; }
    // Turning EHLO off sets the authentication back to none.
    void setUseEhlo(bool use);
    TAuthenticationType AuthenticationType() const { return authenticationType_; }
    // Login needs EHLO, so it turns EHLO on. With login, Send() logs in with
    // UserName and Password when the server offers AUTH, and refuses to when
    // the connection is not encrypted.
    void setAuthenticationType(TAuthenticationType type);

    const TSmtpReply& LastCmdResult() const { return lastReply_; }
    // Authentication schemes the server named in its EHLO reply.
    const QStringList& AuthSchemes() const { return authSchemes_; }
    SmtpState state() const { return state_; }
    bool Connected() const;
    bool Encrypted() const;

    // Called on each change of state, on the calling thread.
    std::function<void(TSmtpClient& sender, SmtpState state)> OnStatus;
    // Called about every 50 ms while a call waits for the network.
    std::function<void(TSmtpClient& sender)> OnWait;

    // Opens the connection and greets the server (EHLO, HELO when EHLO is
    // refused), then encrypts it by STARTTLS as UseStartTls says. Clears an
    // earlier Cancel(). Throws rl::Error; the connection is closed then.
    void Connect();
    // RSET, the login if due, MAIL FROM, RCPT for To, Cc and Bcc, DATA, the
    // message, ".". The message is composed in full first, so an unreadable
    // attachment, a sender without address or no recipient at all fails
    // before anything is sent.
    void Send(const TMailMessage& message);
    // QUIT (its reply is not read), then closes. Never throws.
    void Disconnect();
    // Makes the blocking call in progress give up promptly. Thread-safe.
    void Cancel() { cancelled_ = true; }

    // Short Portuguese text for a progress display.
    static QString statusText(SmtpState state);

private:
    void setState(SmtpState state);
    QDeadlineTimer deadline(int milliseconds) const;
    void waitUntil(const std::function<bool()>& done, QDeadlineTimer deadline, const QString& step);
    void sendCommand(const QByteArray& command, const char* logAs = nullptr);
    void writeRaw(const QByteArray& bytes);
    TSmtpReply readReply(const QString& step, int timeout);
    TSmtpReply readReply(const QString& step) { return readReply(step, ReadTimeout); }
    void expect(const TSmtpReply& reply, std::initializer_list<int> codes);
    void closeSocket();
    [[noreturn]] void fail(const QString& message);

    // One pair per command: send it, then judge the server's reply.
    void connectSocket();
    void handleGreetingReply(const TSmtpReply& reply);
    void sendEhlo();
    bool handleEhloReply(const TSmtpReply& reply);
    void sendHelo();
    void handleHeloReply(const TSmtpReply& reply);
    void sendStartTls();
    void handleStartTlsReply(const TSmtpReply& reply);
    void sendAuth();
    void handleAuthReply(const TSmtpReply& reply);
    void sendRset();
    void handleRsetReply(const TSmtpReply& reply);
    void sendMailFrom(const QByteArray& address);
    void handleMailFromReply(const TSmtpReply& reply);
    void sendRcptTo(const QByteArray& address);
    void handleRcptToReply(const TSmtpReply& reply);
    void sendData();
    void handleDataReply(const TSmtpReply& reply);
    void sendContent(const QByteArray& stuffedMessage);
    void sendEndOfData();
    void handleEndOfDataReply(const TSmtpReply& reply);
    void sendQuit();

    std::unique_ptr<QSslSocket> socket_;
    SmtpReplyReader replies_;
    SmtpState state_ = SmtpState::Disconnected;
    bool useEhlo_ = true;
    TAuthenticationType authenticationType_ = TAuthenticationType::atNone;
    TSmtpReply lastReply_;
    QStringList authSchemes_;
    bool offersStartTls_ = false;
    bool authenticated_ = false;
    QStringList sslErrors_;
    std::atomic<bool> cancelled_{false};
};

} // namespace rl
