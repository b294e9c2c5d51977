#include "app/report_mailer.h"

#include "composer/composer_form.h"
#include "composer/report_session.h"
#include "export/html_filter.h"
#include "platform/settings.h"
#include "platform/temp_files.h"
#include "print/custom_filter.h"
#include "print/save_params.h"

#include <QDir>
#include <QTemporaryDir>

namespace rl {

namespace {

struct FileTypeInfo {
    const char16_t* entry;
    const char* extension;
    const char* contentType;
};

const FileTypeInfo kFileTypes[kMailFileTypeCount] = {
    {u"(.PDF)Documento PDF", ".pdf", "application/pdf"},
    {u"(.RTF)Documento Word", ".rtf", "application/rtf"},
    {u"(.XLS)Documento Excel", ".xls", "application/vnd.ms-excel"},
    {u"(.HTML)Documento Internet", ".html", "text/html"},
    // The text lines are the report's own bytes: their charset is added (TextContentType).
    {u"(.TXT)Bloco de Notas", ".txt", "text/plain"},
    {u"(.XLSX)Planilha de dados", ".xlsx",
     "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {u"(.CSV)Valores separados por vírgula", ".csv", "text/csv; charset=utf-8"},
};

bool validType(int fileType) {
    return fileType >= 0 && fileType < kMailFileTypeCount;
}

// A text that goes into a header whole: a line break would start a new header
// or an SMTP command, other control characters garble it.
bool hasControlCharacter(const QString& text) {
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control) return true;
    return false;
}

// The private folder's name pattern, under the system temporary folder.
QString folderTemplate() {
    return QDir(QDir::tempPath()).filePath(QStringLiteral("relantomador-email-XXXXXX"));
}

} // namespace

MailServer MailServer::fromSettings(const Settings& settings) {
    MailServer server;
    const QString host = settings.server().trimmed();
    if (!host.isEmpty()) server.Host = host;
    server.Port = settings.porta();
    server.UserName = settings.conta();
    server.RequireTls = settings.seguro();
    return server;
}

ReportMailer::ReportMailer(ReportSession& session) : session_(session) {
    smtp_.OnWait = [this](TSmtpClient& client) {
        // A Cancel() that came before Connect() cleared the client's flag.
        if (cancelled_) client.Cancel();
        if (OnWait) OnWait();
    };
}

ReportMailer::~ReportMailer() {
    Discard();
}

const QStringList& ReportMailer::FileTypeNames() {
    static const QStringList names = [] {
        QStringList list;
        for (const FileTypeInfo& type : kFileTypes)
            list << QString::fromUtf16(type.entry);
        return list;
    }();
    return names;
}

QString ReportMailer::Extension(int fileType) {
    return validType(fileType) ? QString::fromLatin1(kFileTypes[fileType].extension) : QString();
}

QString ReportMailer::AttachmentName(const QString& typedName, int fileType) {
    QString name;
    for (const QChar c : typedName)
        if (c != u'/' && c != u'\\' && c.category() != QChar::Other_Control) name += c;
    if (name.trimmed().isEmpty()) name = QStringLiteral("relatorio");
    return name + Extension(fileType);
}

TMailMessage ReportMailer::Compose(const MailRequest& request) {
    TMailMessage message;
    const auto field = [](MailField which, const auto& set) {
        try {
            set();
        } catch (const MailFieldError&) {
            throw;
        } catch (const Error& error) {
            throw MailFieldError(which, QString::fromUtf8(error.what()));
        }
    };
    const struct {
        MailField field;
        const QString& text;
        const char* what;
    } headerTexts[] = {{MailField::From, request.From, "O remetente"},
                       {MailField::To, request.To, "O destinatário"},
                       {MailField::CC, request.CC, "A cópia"},
                       {MailField::Subject, request.Subject, "O assunto"}};
    for (const auto& header : headerTexts)
        if (hasControlCharacter(header.text))
            throw MailFieldError(header.field, QString::fromUtf8(header.what) +
                                                   QStringLiteral(" não pode ter quebras de linha nem "
                                                                  "caracteres de controle."));
    field(MailField::From, [&] {
        if (request.From.trimmed().isEmpty()) throw Error("Remetente obrigatório");
        message.setFrom(request.From);
    });
    field(MailField::To, [&] {
        message.setRecipients(request.To);
        if (message.Recipients.isEmpty()) throw Error("Destinatario obrigatório");
    });
    field(MailField::CC, [&] { message.setCCList(request.CC); });
    message.Subject = request.Subject;
    message.setBodyText(request.Message);
    if (!validType(request.FileType))
        throw MailFieldError(MailField::FileType, QStringLiteral("Tipo de arquivo obrigatório"));
    return message;
}

QString ReportMailer::Export(int fileType) {
    if (!validType(fileType)) throw Error("Tipo de arquivo obrigatório");
    status(QStringLiteral("Exportando relatório..."));
    Discard();
    folder_ = std::make_unique<QTemporaryDir>(folderTemplate());
    if (!folder_->isValid())
        throw Error(("Não foi possível criar uma pasta temporária: " + folder_->errorString()).toStdString());
    // The attachment is a whole copy of the report: gone even when a signal ends the run.
    TempFiles::addFolder(folder_->path());
    // A fixed name inside the private folder: the name the recipient sees is
    // given to the attachment, so no typed name ever reaches the file system.
    const QString path = folder_->filePath(QStringLiteral("relatorio") + Extension(fileType));

    if (fileType == mfTxt) {
        session_.SaveReportLines(path);
        return path;
    }
    TRLCustomSaveFilter* filter = SaveFilterByFileName(path);
    TRLSaveParams::instance().Filter = filter;
    if (fileType == mfHtml) {
        filter = session_.Composer().RLHTMLFilter1;
        filter->SetShowProgress(true);
    }
    if (!filter) throw Error(("Nenhum filtro salva arquivos " + Extension(fileType)).toStdString());
    if (session_.SaveAs(path, 1, -1, filter) != TRLCustomFilter::RunResult::Completed)
        throw Error("Exportação cancelada; nada foi enviado.");
    return path;
}

void ReportMailer::Attach(TMailMessage& message, const QString& path, const MailRequest& request) const {
    TMailAttachment& attachment = message.addAttachment(path);
    attachment.FileName = AttachmentName(request.FileName, request.FileType);
    if (request.FileType == mfTxt)
        attachment.ContentType = TextContentType(session_.LinesEncoding());
    else if (validType(request.FileType))
        attachment.ContentType = QString::fromLatin1(kFileTypes[request.FileType].contentType);
}

QString ReportMailer::TextContentType(ReportEncoding encoding) {
    // The text attachment is the file's own bytes, so it declares their encoding.
    switch (encoding) {
    case ReportEncoding::Cp850:
        return QStringLiteral("text/plain; charset=IBM850");
    case ReportEncoding::Cp437:
        return QStringLiteral("text/plain; charset=IBM437");
    case ReportEncoding::Iso8859_15:
        return QStringLiteral("text/plain; charset=ISO-8859-15");
    case ReportEncoding::Utf8:
        return QStringLiteral("text/plain; charset=UTF-8");
    default:
        return QStringLiteral("text/plain; charset=windows-1252");
    }
}

void ReportMailer::Transmit(const TMailMessage& message, const MailServer& server) {
    throwIfCancelled();
    if (server.Port < 1 || server.Port > 65535)
        throw Error(("Porta do servidor de e-mail inválida: " + std::to_string(server.Port)));
    smtp_.Host = server.Host;
    smtp_.Port = quint16(server.Port);
    smtp_.UserName = server.UserName;
    smtp_.Password = server.Password;
    smtp_.UseStartTls =
        server.RequireTls ? TSmtpClient::StartTls::Required : TSmtpClient::StartTls::WhenOffered;
    smtp_.setAuthenticationType(server.Password.isEmpty() ? TSmtpClient::TAuthenticationType::atNone
                                                          : TSmtpClient::TAuthenticationType::atLogin);

    status(QStringLiteral("Conectando ao servidor de e-mail.."));
    smtp_.Connect();
    try {
        throwIfCancelled();
        askPassword(server);
        status(QStringLiteral("Enviando e-mail.."));
        smtp_.Send(message);
    } catch (...) {
        // A refused command leaves the connection open; it is of no more use.
        smtp_.Disconnect();
        throw;
    }
    status(QStringLiteral("E-mail enviado desconectando.."));
    smtp_.Disconnect();
}

void ReportMailer::askPassword(const MailServer& server) {
    // A password is worth asking for only when it can be used, and safely.
    if (!server.Password.isEmpty() || server.UserName.isEmpty() || !OnPassword) return;
    if (smtp_.AuthSchemes().isEmpty() || !smtp_.Encrypted()) return;
    const QString password = OnPassword(server);
    throwIfCancelled();
    if (password.isEmpty()) return;
    smtp_.Password = password;
    smtp_.setAuthenticationType(TSmtpClient::TAuthenticationType::atLogin);
}

void ReportMailer::Cancel() {
    cancelled_ = true;
    smtp_.Cancel();
}

void ReportMailer::Discard() {
    if (folder_) {
        TempFiles::removeFolder(folder_->path());
        folder_->remove();
    }
    folder_.reset();
}

void ReportMailer::status(const QString& text) {
    if (OnStatus) OnStatus(text);
}

void ReportMailer::throwIfCancelled() const {
    if (cancelled_) throw Error("Envio cancelado.");
}

} // namespace rl
