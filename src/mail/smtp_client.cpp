#include "mail/smtp_client.h"

#include <QEventLoop>
#include <QHostInfo>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <QTimer>

namespace rl {

Q_LOGGING_CATEGORY(lcSmtp, "rl.mail.smtp", QtInfoMsg)

namespace {

constexpr int kSliceMs = 50;

const char* stateName(SmtpState state) {
    switch (state) {
    case SmtpState::Disconnected:
        return "Disconnected";
    case SmtpState::Connecting:
        return "Connecting";
    case SmtpState::Greeting:
        return "Greeting";
    case SmtpState::Ehlo:
        return "Ehlo";
    case SmtpState::Helo:
        return "Helo";
    case SmtpState::StartTls:
        return "StartTls";
    case SmtpState::Auth:
        return "Auth";
    case SmtpState::Ready:
        return "Ready";
    case SmtpState::Rset:
        return "Rset";
    case SmtpState::MailFrom:
        return "MailFrom";
    case SmtpState::RcptTo:
        return "RcptTo";
    case SmtpState::Data:
        return "Data";
    case SmtpState::Content:
        return "Content";
    case SmtpState::EndOfData:
        return "EndOfData";
    case SmtpState::Quit:
        return "Quit";
    }
    return "?";
}

std::string replyMessage(const TSmtpReply& reply) {
    return (QString::number(reply.Code) + u' ' + reply.Text.join(u' ')).trimmed().toStdString();
}

// The name given in EHLO and HELO; a host name never holds blanks or line breaks.
QByteArray heloArgument(const QString& heloName) {
    QString name = heloName.simplified().section(u' ', 0, 0);
    if (name.isEmpty()) name = QHostInfo::localHostName();
    if (name.isEmpty()) name = QStringLiteral("localhost");
    return name.toLatin1();
}

} // namespace

SmtpReplyError::SmtpReplyError(const TSmtpReply& reply) : Error(replyMessage(reply)), reply_(reply) {}

TSmtpClient::TSmtpClient() = default;

TSmtpClient::~TSmtpClient() {
    if (socket_) socket_->abort();
}

void TSmtpClient::setUseEhlo(bool use) {
    useEhlo_ = use;
    if (!use) authenticationType_ = TAuthenticationType::atNone;
}

void TSmtpClient::setAuthenticationType(TAuthenticationType type) {
    authenticationType_ = type;
    if (type != TAuthenticationType::atNone) useEhlo_ = true;
}

bool TSmtpClient::Connected() const {
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

bool TSmtpClient::Encrypted() const {
    return Connected() && socket_->isEncrypted();
}

QString TSmtpClient::statusText(SmtpState state) {
    switch (state) {
    case SmtpState::Connecting:
        return QStringLiteral("Conectando ao servidor de e-mail..");
    case SmtpState::Greeting:
    case SmtpState::Ehlo:
    case SmtpState::Helo:
        return QStringLiteral("Apresentando-se ao servidor de e-mail..");
    case SmtpState::StartTls:
        return QStringLiteral("Cifrando a conexão..");
    case SmtpState::Auth:
        return QStringLiteral("Autenticando..");
    case SmtpState::Rset:
    case SmtpState::MailFrom:
    case SmtpState::RcptTo:
        return QStringLiteral("Enviando endereços..");
    case SmtpState::Data:
    case SmtpState::Content:
        return QStringLiteral("Enviando e-mail..");
    case SmtpState::EndOfData:
        return QStringLiteral("Aguardando a confirmação do servidor..");
    case SmtpState::Quit:
        return QStringLiteral("Desconectando..");
    case SmtpState::Ready:
    case SmtpState::Disconnected:
        break;
    }
    return {};
}

void TSmtpClient::setState(SmtpState state) {
    if (state == state_) return;
    qCDebug(lcSmtp) << "state" << stateName(state_) << "->" << stateName(state);
    state_ = state;
    if (OnStatus) OnStatus(*this, state);
}

QDeadlineTimer TSmtpClient::deadline(int milliseconds) const {
    return milliseconds > 0 ? QDeadlineTimer(milliseconds) : QDeadlineTimer(QDeadlineTimer::Forever);
}

void TSmtpClient::closeSocket() {
    if (socket_) socket_->abort();
    replies_.clear();
    authSchemes_.clear();
    offersStartTls_ = false;
    authenticated_ = false;
    sslErrors_.clear();
    setState(SmtpState::Disconnected);
}

void TSmtpClient::fail(const QString& message) {
    qCDebug(lcSmtp) << "failed:" << message;
    closeSocket();
    throw Error(message.toStdString());
}

// Runs the thread's events in short slices, so that a stuck server can be
// given up on by the time limit or by Cancel() from another thread.
void TSmtpClient::waitUntil(const std::function<bool()>& done, QDeadlineTimer limit, const QString& step) {
    QEventLoop loop; // gives a thread without one an event dispatcher first
    QTimer tick;
    tick.start(kSliceMs);
    while (!done()) {
        if (cancelled_) fail(QStringLiteral("Envio de e-mail cancelado."));
        if (limit.hasExpired()) {
            QString message = QStringLiteral("O servidor de e-mail %1:%2 não respondeu a tempo (%3).")
                                  .arg(Host)
                                  .arg(Port)
                                  .arg(step);
            // A port of implicit TLS waits for the client to speak first and never greets.
            if (state_ == SmtpState::Greeting)
                message += QStringLiteral(" Se a porta espera uma conexão cifrada desde o início (TLS, "
                                          "porta 465), use a porta 25 ou 587.");
            fail(message);
        }
        if (OnWait) OnWait(*this);
        // User input too: a window system may hold back input events that one
        // call excludes, and then no later call sees them pending ("Cancelar"
        // clicked during the wait would never arrive).
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void TSmtpClient::writeRaw(const QByteArray& bytes) {
    if (!Connected()) fail(QStringLiteral("Sem conexão com o servidor de e-mail."));
    socket_->write(bytes);
    // The limit runs from the last progress, so a large attachment on a slow
    // line is not cut off while it still moves.
    while (socket_->bytesToWrite() > 0) {
        const qint64 pending = socket_->bytesToWrite();
        waitUntil([&] { return socket_->bytesToWrite() < pending || !Connected(); }, deadline(ReadTimeout),
                  QStringLiteral("envio"));
        if (!Connected()) fail(QStringLiteral("O servidor de e-mail encerrou a conexão."));
    }
}

void TSmtpClient::sendCommand(const QByteArray& command, const char* logAs) {
    // Addresses are checked when set; this is the last guard against a line
    // break turning data into a second command.
    if (command.contains('\r') || command.contains('\n')) fail(QStringLiteral("Comando SMTP inválido."));
    qCDebug(lcSmtp) << "C:" << (logAs ? QByteArray(logAs) : command); // credentials are never logged
    writeRaw(command + "\r\n");
}

// The next reply, waiting for its lines as they come.
TSmtpReply TSmtpClient::readReply(const QString& step, int timeout) {
    const QDeadlineTimer limit = deadline(timeout);
    replies_.setMaxLineLength(MaxLineLength);
    for (;;) {
        std::optional<TSmtpReply> reply;
        try {
            reply = replies_.takeReply();
        } catch (const Error& error) {
            fail(QString::fromUtf8(error.what()));
        }
        if (reply) {
            for (const QString& line : reply->Text)
                qCDebug(lcSmtp) << "S:" << reply->Code << line;
            lastReply_ = *reply;
            return *reply;
        }
        if (socket_->bytesAvailable() == 0) {
            if (!Connected()) fail(QStringLiteral("O servidor de e-mail encerrou a conexão."));
            waitUntil([&] { return socket_->bytesAvailable() > 0 || !Connected(); }, limit, step);
            if (socket_->bytesAvailable() == 0)
                fail(QStringLiteral("O servidor de e-mail encerrou a conexão."));
        }
        replies_.append(socket_->read(MaxLineLength + 2));
    }
}

void TSmtpClient::expect(const TSmtpReply& reply, std::initializer_list<int> codes) {
    for (int code : codes)
        if (reply.Code == code) return;
    qCDebug(lcSmtp) << "refused:" << reply.Code << reply.Text;
    throw SmtpReplyError(reply);
}

// --- Connect -------------------------------------------------------------

void TSmtpClient::Connect() {
    cancelled_ = false;
    try {
        connectSocket();
        handleGreetingReply(readReply(QStringLiteral("saudação")));
        bool greeted = false;
        if (useEhlo_) {
            sendEhlo();
            greeted = handleEhloReply(readReply(QStringLiteral("EHLO")));
        }
        if (!greeted) {
            sendHelo();
            handleHeloReply(readReply(QStringLiteral("HELO")));
        }
        if (offersStartTls_ && UseStartTls != StartTls::Never && QSslSocket::supportsSsl()) {
            sendStartTls();
            handleStartTlsReply(readReply(QStringLiteral("STARTTLS")));
            // What the server said before encrypting no longer counts: greet again.
            sendEhlo();
            if (!handleEhloReply(readReply(QStringLiteral("EHLO")))) throw SmtpReplyError(lastReply_);
        } else if (UseStartTls == StartTls::Required) {
            fail(QStringLiteral("O servidor de e-mail não oferece conexão cifrada (STARTTLS)."));
        }
    } catch (...) {
        closeSocket();
        throw;
    }
}

// Opens the TCP connection.
void TSmtpClient::connectSocket() {
    closeSocket();
    QEventLoop ensureDispatcher; // the socket's notifiers need one in this thread
    socket_ = std::make_unique<QSslSocket>();
    socket_->setReadBufferSize(RecvBufferSize);
    QObject::connect(socket_.get(), &QSslSocket::sslErrors, [this](const QList<QSslError>& errors) {
        for (const QSslError& error : errors)
            sslErrors_.append(error.errorString());
    });
    setState(SmtpState::Connecting);
    socket_->connectToHost(Host, Port);
    waitUntil(
        [&] {
            return socket_->state() == QAbstractSocket::ConnectedState ||
                   socket_->state() == QAbstractSocket::UnconnectedState;
        },
        deadline(ConnectTimeout), QStringLiteral("conexão"));
    if (!Connected())
        fail(QStringLiteral("Não foi possível conectar ao servidor de e-mail %1:%2: %3")
                 .arg(Host)
                 .arg(Port)
                 .arg(socket_->errorString()));
    setState(SmtpState::Greeting);
}

// The server's greeting must be 220.
void TSmtpClient::handleGreetingReply(const TSmtpReply& reply) {
    expect(reply, {220});
}

// "EHLO name": the extended greeting.
void TSmtpClient::sendEhlo() {
    setState(SmtpState::Ehlo);
    sendCommand("EHLO " + heloArgument(HeloName));
}

// 250 ends the greeting and lists the server's extensions; any other code
// sends the client back to HELO.
bool TSmtpClient::handleEhloReply(const TSmtpReply& reply) {
    if (reply.Code != 250) return false;
    authSchemes_.clear();
    offersStartTls_ = false;
    for (const QString& line : reply.Text)
        if (line.trimmed().compare(QLatin1String("STARTTLS"), Qt::CaseInsensitive) == 0)
            offersStartTls_ = true;
        else if (line.startsWith(QLatin1String("AUTH "), Qt::CaseInsensitive) ||
                 line.startsWith(QLatin1String("AUTH="), Qt::CaseInsensitive))
            authSchemes_.append(line.mid(5).split(u' ', Qt::SkipEmptyParts));
    setState(SmtpState::Ready);
    return true;
}

// "HELO name": the plain greeting.
void TSmtpClient::sendHelo() {
    setState(SmtpState::Helo);
    sendCommand("HELO " + heloArgument(HeloName));
}

void TSmtpClient::handleHeloReply(const TSmtpReply& reply) {
    expect(reply, {250});
    setState(SmtpState::Ready);
}

// "STARTTLS": on 220 the TLS handshake follows, with the server's certificate
// checked; the connection is closed when the check fails.
void TSmtpClient::sendStartTls() {
    setState(SmtpState::StartTls);
    sendCommand("STARTTLS");
}

void TSmtpClient::handleStartTlsReply(const TSmtpReply& reply) {
    expect(reply, {220});
    QSslConfiguration configuration = socket_->sslConfiguration();
    if (!CaCertificates.isEmpty()) configuration.addCaCertificates(CaCertificates);
    socket_->setSslConfiguration(configuration);
    // Bytes that arrived in clear after the 220 would otherwise pass for
    // encrypted replies.
    replies_.clear();
    sslErrors_.clear();
    socket_->startClientEncryption();
    waitUntil([&] { return socket_->isEncrypted() || !Connected() || !sslErrors_.isEmpty(); },
              deadline(ReadTimeout), QStringLiteral("TLS"));
    if (!sslErrors_.isEmpty())
        fail(QStringLiteral("Certificado do servidor de e-mail recusado: %1")
                 .arg(sslErrors_.join(QStringLiteral("; "))));
    if (!socket_->isEncrypted())
        fail(QStringLiteral("Não foi possível cifrar a conexão com o servidor de e-mail: %1")
                 .arg(socket_->errorString()));
    authSchemes_.clear();
    offersStartTls_ = false;
}

// --- Send ----------------------------------------------------------------

void TSmtpClient::Send(const TMailMessage& message) {
    if (message.From.Address.isEmpty()) throw Error("O remetente precisa ser um endereço de e-mail.");
    QList<QByteArray> recipients;
    for (const TMailAddressList* list : {&message.Recipients, &message.CCList, &message.BccList})
        for (const TMailAddressItem& item : list->items())
            recipients.append(item.addrSpec());
    if (recipients.isEmpty()) throw Error("Nenhum destinatário informado.");

    TMailMessage outgoing = message;
    outgoing.ExtraHeaders.setValue("X-Mailer", MailAgent.simplified().toLatin1());
    const QByteArray content = outgoing.toBytes(MailLineWriter::DotStuffing::On);

    sendRset();
    handleRsetReply(readReply(QStringLiteral("RSET")));
    if (authenticationType_ != TAuthenticationType::atNone && !authenticated_ && !authSchemes_.isEmpty()) {
        // A password never goes over a connection anyone on the way can read.
        if (!Encrypted())
            throw Error("A autenticação exige uma conexão cifrada (STARTTLS), que o servidor de e-mail não "
                        "ofereceu.");
        sendAuth();
        handleAuthReply(readReply(QStringLiteral("AUTH")));
    }
    sendMailFrom(message.From.addrSpec());
    handleMailFromReply(readReply(QStringLiteral("MAIL FROM")));
    for (const QByteArray& address : recipients) {
        sendRcptTo(address);
        handleRcptToReply(readReply(QStringLiteral("RCPT TO")));
    }
    sendData();
    handleDataReply(readReply(QStringLiteral("DATA")));
    sendContent(content);
    sendEndOfData();
    handleEndOfDataReply(readReply(QStringLiteral("fim da mensagem"), DataEndTimeout));
}

// "RSET": a clean transaction; any reply will do.
void TSmtpClient::sendRset() {
    setState(SmtpState::Rset);
    sendCommand("RSET");
}

void TSmtpClient::handleRsetReply(const TSmtpReply&) {}

// "AUTH PLAIN" with the credentials, or "AUTH LOGIN" and its two 334 prompts.
void TSmtpClient::sendAuth() {
    setState(SmtpState::Auth);
    const QByteArray user = UserName.toUtf8();
    const QByteArray password = Password.toUtf8();
    if (authSchemes_.contains(QLatin1String("PLAIN"), Qt::CaseInsensitive)) {
        const QByteArray credentials = QByteArray(1, '\0') + user + QByteArray(1, '\0') + password;
        sendCommand("AUTH PLAIN " + credentials.toBase64(), "AUTH PLAIN <credentials>");
    } else if (authSchemes_.contains(QLatin1String("LOGIN"), Qt::CaseInsensitive)) {
        sendCommand("AUTH LOGIN");
        expect(readReply(QStringLiteral("AUTH")), {334});
        sendCommand(user.toBase64(), "<user name>");
        expect(readReply(QStringLiteral("AUTH")), {334});
        sendCommand(password.toBase64(), "<password>");
    } else {
        throw Error("O servidor de e-mail não oferece autenticação PLAIN nem LOGIN.");
    }
}

void TSmtpClient::handleAuthReply(const TSmtpReply& reply) {
    expect(reply, {235});
    authenticated_ = true;
}

// "MAIL FROM:<address>": the envelope sender.
void TSmtpClient::sendMailFrom(const QByteArray& address) {
    setState(SmtpState::MailFrom);
    sendCommand("MAIL FROM:<" + address + '>');
}

void TSmtpClient::handleMailFromReply(const TSmtpReply& reply) {
    expect(reply, {250});
}

// "RCPT TO:<address>": one recipient, To, Cc and Bcc alike.
void TSmtpClient::sendRcptTo(const QByteArray& address) {
    setState(SmtpState::RcptTo);
    sendCommand("RCPT TO:<" + address + '>');
}

void TSmtpClient::handleRcptToReply(const TSmtpReply& reply) {
    expect(reply, {250, 251});
}

// "DATA": the server asks for the message with 354.
void TSmtpClient::sendData() {
    setState(SmtpState::Data);
    sendCommand("DATA");
}

void TSmtpClient::handleDataReply(const TSmtpReply& reply) {
    expect(reply, {354});
}

// The message, every line already ended by CR LF and dot-stuffed.
void TSmtpClient::sendContent(const QByteArray& stuffedMessage) {
    setState(SmtpState::Content);
    qCDebug(lcSmtp) << "C: <message of" << stuffedMessage.size() << "bytes>";
    writeRaw(stuffedMessage);
}

// ".": the end of the message.
void TSmtpClient::sendEndOfData() {
    setState(SmtpState::EndOfData);
    sendCommand(".");
}

void TSmtpClient::handleEndOfDataReply(const TSmtpReply& reply) {
    expect(reply, {250});
    setState(SmtpState::Ready);
}

// --- Disconnect ----------------------------------------------------------

void TSmtpClient::Disconnect() {
    if (Connected()) {
        try {
            sendQuit();
            socket_->disconnectFromHost(); // QUIT is out; close gently, without waiting
        } catch (const std::exception&) {
            // Saying goodbye is a courtesy; the connection closes regardless.
        }
    }
    closeSocket();
}

// "QUIT": its reply is not waited for.
void TSmtpClient::sendQuit() {
    setState(SmtpState::Quit);
    sendCommand("QUIT");
}

} // namespace rl
