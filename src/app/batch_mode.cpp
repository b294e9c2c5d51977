#include "app/batch_mode.h"

#include "app/batch_find.h"
#include "app/page_set_writer.h"
#include "app/report_mailer.h"
#include "app/startup.h"

#include "composer/composer_form.h"
#include "composer/report_session.h"
#include "pagestore/graphic_storage.h"
#include "pagestore/text_search.h"
#include "platform/error.h"
#include "platform/message_presenter.h"
#include "platform/output_file.h"
#include "platform/progress_presenter.h"
#include "platform/report_font.h"
#include "platform/report_text.h"
#include "platform/settings.h"
#include "platform/startup_values.h"
#include "platform/version.h"
#include "print/custom_filter.h"
#include "print/spool_filter.h"
#include "report/custom_report.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>

#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

namespace rl {

namespace {

constexpr double kMinZoom = 10;
constexpr double kMaxZoom = 800;
// A page image larger than this is refused rather than risking the memory of
// the machine: 64 million pixels, 256 MiB in 32-bit colour (a Letter page at
// 800 percent is 55 million).
constexpr qint64 kMaxImagePixels = qint64(64) * 1024 * 1024;

// Ends the run with an exit status and one line for standard error.
struct BatchFailure {
    int status;
    QString message;
};

[[noreturn]] void usageError(const QString& message) {
    throw BatchFailure{BatchUsageError, message + QStringLiteral(" (see relantomador --help)")};
}

struct PageRange {
    int from = 1;
    int to = 1;
};

struct BatchRequest {
    QStringList plain; // FILE, COLUMNS, ORIENTATION, permissao=..., others
    bool help = false;
    bool version = false;
    std::optional<QString> png;
    std::optional<double> zoom;
    std::optional<PageRange> pages;
    std::optional<QString> exportPath;
    std::optional<QString> print; // the queue; empty: the default one
    std::optional<QString> draft; // a file or device path, or cups:QUEUE
    int form = 0;                 // 0 the filter's own, 1 "80 cols", 2 "132 cols"
    std::optional<MailRequest> mail;
    ReportEncoding encoding = ReportEncoding::Auto;
    std::optional<QString> find; // --find TEXT, with --case and --word
    TextSearchOptions findOptions;
};

struct OptionRule {
    const char* name;
    bool takesValue;
    bool available; // options of outputs still to come are known but refused
};

constexpr OptionRule kOptions[] = {
    {"help", false, true},   {"version", false, true}, {"png", true, true},    {"zoom", true, true},
    {"pages", true, true},   {"export", true, true},   {"print", false, true}, {"draft", true, true},
    {"form", true, true},    {"mail", true, true},     {"cc", true, true},     {"from", true, true},
    {"subject", true, true}, {"message", true, true},  {"type", true, true},   {"name", true, true},
    {"encoding", true, true},
    {"find", true, true},    {"case", false, true},    {"word", false, true},
};

const OptionRule* findOption(const QString& name) {
    for (const OptionRule& rule : kOptions)
        if (name == QLatin1String(rule.name)) return &rule;
    return nullptr;
}

PageRange parsePages(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,9})(?:-([0-9]{1,9}))?$"));
    const QRegularExpressionMatch match = pattern.match(text);
    PageRange range;
    if (match.hasMatch()) {
        range.from = match.captured(1).toInt();
        range.to = match.hasCaptured(2) ? match.captured(2).toInt() : range.from;
        if (range.from >= 1 && range.to >= range.from) return range;
    }
    usageError(
        QStringLiteral("--pages wants A-B with 1 <= A <= B, or one page number; got \"%1\"").arg(text));
}

double parseZoom(const QString& text) {
    bool ok = false;
    const double zoom = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(zoom) || zoom < kMinZoom || zoom > kMaxZoom)
        usageError(QStringLiteral("--zoom wants a percentage from %1 to %2; got \"%3\"")
                       .arg(kMinZoom)
                       .arg(kMaxZoom)
                       .arg(text));
    return zoom;
}

// The text editor's export: the lines, not the pages.
bool isTextExport(const QString& path) {
    return FileNameExtension(path).compare(u".txt", Qt::CaseInsensitive) == 0;
}

// The format is the save filter chosen by the extension once the report is
// composed; a name without one can never find it.
void checkExportFormat(const QString& path) {
    if (FileNameExtension(path).isEmpty())
        usageError(QStringLiteral("--export: \"%1\" has no extension; use a name ending in .pdf, .rtf, .htm, "
                                  ".html, .xls, .xlsx, .csv or .txt")
                       .arg(path));
}

// Runs an output, turning its failure into the run's end with that status;
// a problem of an output file (the report itself, a full disk) is a file
// problem whatever the output.
template <typename Work> auto failingWith(int status, Work work) {
    try {
        return work();
    } catch (const OutputFileError& error) {
        throw BatchFailure{BatchFileError, QString::fromUtf8(error.what())};
    } catch (const Error& error) {
        throw BatchFailure{status, QString::fromUtf8(error.what())};
    }
}

// Progress on standard error when it is a terminal: one line rewritten in
// place per page; nothing when the output goes to a file or a pipe.
class TerminalProgressPresenter : public ProgressPresenter {
public:
    TerminalProgressPresenter(QIODevice& err, bool terminal) : err_(err), terminal_(terminal) {}
    std::unique_ptr<ProgressDisplay> begin(const QString& caption, std::function<void()>) override {
        if (!terminal_) return nullptr;
        return std::make_unique<Line>(err_, caption);
    }

private:
    class Line : public ProgressDisplay {
    public:
        Line(QIODevice& err, QString caption) : err_(err), caption_(std::move(caption)) {}
        ~Line() override {
            if (shown_) err_.write("\n");
        }
        void SetMaximum(int maximum) override { maximum_ = maximum; }
        void Step(const QString& text) override {
            ++position_;
            QString line = QStringLiteral("\r") + caption_ + u' ' + QString::number(position_);
            if (maximum_ > 0) line += u'/' + QString::number(maximum_);
            if (!text.isEmpty()) line += QStringLiteral(" (") + text + u')';
            err_.write(line.toUtf8());
            shown_ = true;
        }

    private:
        QIODevice& err_;
        QString caption_;
        int maximum_ = 0;
        int position_ = 0;
        bool shown_ = false;
    };
    QIODevice& err_;
    bool terminal_;
};

// --type's words, in the order of the attachment types.
int parseMailType(const QString& text) {
    static const char* const words[kMailFileTypeCount] = {"pdf", "rtf", "xls", "html", "txt", "xlsx", "csv"};
    for (int type = 0; type < kMailFileTypeCount; ++type)
        if (text.compare(QLatin1String(words[type]), Qt::CaseInsensitive) == 0) return type;
    usageError(QStringLiteral("--type wants pdf, rtf, xls, html, txt, xlsx or csv; got \"%1\"").arg(text));
}

BatchRequest parseArguments(const QStringList& arguments) {
    BatchRequest request;
    // The mail's parts, kept apart until --mail says there is a mail.
    MailRequest mail;
    mail.Subject = QStringLiteral("Relatório");
    mail.FileName = QStringLiteral("relatorio");
    std::optional<QString> mailTo;
    QStringList mailOptions;
    QSet<QString> seen;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(u"--")) {
            request.plain.append(argument);
            continue;
        }
        if (argument == u"--") {
            optionsEnded = true;
            continue;
        }
        QString name = argument.mid(2);
        std::optional<QString> value;
        if (const qsizetype equals = name.indexOf(u'='); equals >= 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        }
        const OptionRule* rule = findOption(name);
        if (!rule) usageError(QStringLiteral("unknown option --%1").arg(name));
        if (!rule->available) usageError(QStringLiteral("--%1 is not available in this version").arg(name));
        // --print takes its queue when one follows it after the report's
        // arguments (--print=QUEUE anywhere); alone, the default queue.
        if (name == u"print" && !value && !request.plain.isEmpty() && i + 1 < arguments.size() &&
            !arguments[i + 1].startsWith(u"--"))
            value = arguments[++i];
        else if (rule->takesValue && !value) {
            if (i + 1 >= arguments.size() || arguments[i + 1].startsWith(u"--"))
                usageError(QStringLiteral("--%1 needs a value").arg(name));
            value = arguments[++i];
        } else if (!rule->takesValue && value && name != u"print") {
            usageError(QStringLiteral("--%1 takes no value").arg(name));
        }
        if (seen.contains(name)) usageError(QStringLiteral("--%1 is given twice").arg(name));
        seen.insert(name);

        if (name == u"help")
            request.help = true;
        else if (name == u"version")
            request.version = true;
        else if (name == u"png")
            request.png = *value;
        else if (name == u"zoom")
            request.zoom = parseZoom(*value);
        else if (name == u"pages")
            request.pages = parsePages(*value);
        else if (name == u"export")
            request.exportPath = *value;
        else if (name == u"print")
            request.print = value.value_or(QString());
        else if (name == u"draft")
            request.draft = *value;
        else if (name == u"mail")
            mailTo = *value;
        else if (name == u"find")
            request.find = *value;
        else if (name == u"case")
            request.findOptions.matchCase = true;
        else if (name == u"word")
            request.findOptions.wholeWord = true;
        else if (name == u"cc" || name == u"from" || name == u"subject" || name == u"message" ||
                 name == u"type" || name == u"name") {
            mailOptions << name;
            if (name == u"cc")
                mail.CC = *value;
            else if (name == u"from")
                mail.From = *value;
            else if (name == u"subject")
                mail.Subject = *value;
            else if (name == u"message")
                mail.Message = *value;
            else if (name == u"type")
                mail.FileType = parseMailType(*value);
            else
                mail.FileName = *value;
        } else if (name == u"encoding") {
            try {
                request.encoding = EncodingOptionValue(*value);
            } catch (const Error& error) {
                usageError(QString::fromUtf8(error.what()));
            }
        } else if (name == u"form") {
            if (*value == u"80")
                request.form = 1;
            else if (*value == u"132")
                request.form = 2;
            else
                usageError(QStringLiteral("--form wants 80 or 132"));
        }
    }
    if (request.help || request.version) return request;

    if (request.png && request.png->isEmpty()) usageError(QStringLiteral("--png needs a folder"));
    if (request.exportPath) {
        if (request.exportPath->isEmpty()) usageError(QStringLiteral("--export needs a file name"));
        checkExportFormat(*request.exportPath);
    }
    if (request.draft && request.draft->isEmpty())
        usageError(QStringLiteral("--draft needs a file, a device or cups:QUEUE"));
    if (request.form && !request.draft) usageError(QStringLiteral("--form applies to --draft only"));
    if (!mailOptions.isEmpty() && !mailTo)
        usageError(QStringLiteral("--%1 applies to --mail only").arg(mailOptions.first()));
    if (mailTo) {
        mail.To = *mailTo;
        request.mail = mail;
    }
    if ((seen.contains(QStringLiteral("case")) || seen.contains(QStringLiteral("word"))) && !request.find)
        usageError(QStringLiteral("--case and --word apply to --find only"));
    if (request.find) {
        // Its exit status says whether something was found: it stands alone.
        if (request.find->isEmpty()) usageError(QStringLiteral("--find needs a text"));
        if (request.png || request.exportPath || request.draft || request.print || request.mail)
            usageError(QStringLiteral("--find cannot be combined with another output"));
    } else if (!request.png && !request.exportPath && !request.draft && !request.print && !request.mail)
        usageError(
            QStringLiteral("nothing to do: give --png DIR, --export OUT, --print [QUEUE], --draft OUT, "
                           "--mail TO or --find TEXT"));
    if (request.zoom && !request.png) usageError(QStringLiteral("--zoom applies to --png only"));
    if (request.plain.isEmpty()) usageError(QStringLiteral("no report file given"));
    return request;
}

void writeText(QIODevice& device, const QString& text) {
    device.write(text.toUtf8());
}

// Text from outside (a server's reply, a file name) reaches the terminal with
// its control characters written out, so it can neither move the cursor, nor
// change colours, nor break the one line of a message.
QString terminalSafe(const QString& text) {
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const auto hex = [u](int digits) {
            return QString::number(u, 16).toUpper().rightJustified(digits, u'0');
        };
        if (u < 0x20 || u == 0x7F)
            safe += QStringLiteral("\\x") + hex(2);
        else if (u >= 0x80 && u < 0xA0)
            safe += QStringLiteral("\\u") + hex(4);
        else
            safe += c;
    }
    return safe;
}

// One message line on standard error.
void writeMessage(QIODevice& err, const QString& message) {
    writeText(err, QStringLiteral("relantomador: ") + terminalSafe(message) + u'\n');
}

// Message boxes of the composition as lines of standard error, each distinct
// one once (the page header's picture message would otherwise come once per
// page). Nobody can answer: the box's first button is taken as pressed.
class BatchPresenter : public MessagePresenter {
public:
    explicit BatchPresenter(QIODevice& err) : err_(err) {}

    int showMessage(const MessageBoxRequest& request) override {
        QString line = request.caption + QStringLiteral(": ") + request.text;
        line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        line.replace(u'\r', u' ');
        line.replace(u'\n', u' ');
        if (!shown_.contains(line)) {
            shown_.insert(line);
            writeMessage(err_, line);
        }
        for (const MessageButton button :
             {MessageButton::Ok, MessageButton::Cancel, MessageButton::No, MessageButton::Yes})
            if (request.buttons.testFlag(button)) return int(button);
        return int(MessageButton::NoButton);
    }

private:
    QIODevice& err_;
    QSet<QString> shown_;
};

// Paints one page by itself, as the preview paints its paper but without the
// border and the shadow, on white, scaled by zoom percent.
QImage paintPage(const TRLGraphicSurface& page, double zoom, int pageNumber) {
    const int width = std::max(1, int(std::lround(page.Width * zoom / 100)));
    const int height = std::max(1, int(std::lround(page.Height * zoom / 100)));
    if (qint64(width) * height > kMaxImagePixels)
        throw BatchFailure{
            BatchUsageError,
            QStringLiteral("page %1 would be %2 x %3 pixels at zoom %4: too large; lower --zoom")
                .arg(pageNumber)
                .arg(width)
                .arg(height)
                .arg(zoom)};
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        throw BatchFailure{BatchFileError, QStringLiteral("not enough memory for page %1 at %2 x %3 pixels")
                                               .arg(pageNumber)
                                               .arg(width)
                                               .arg(height)};
    image.fill(Qt::white);
    QPainter painter(&image);
    page.PaintTo(painter, QRect(0, 0, width, height));
    painter.end();
    return image;
}

// The pages --pages asks for, all of them without it.
PageRange pageRange(const TRLGraphicStorage& store, const BatchRequest& request) {
    const int count = store.PageCount();
    if (!request.pages) return {1, count};
    const PageRange range = *request.pages;
    if (range.to > count)
        usageError(QStringLiteral("--pages %1-%2: the report has %3 page%4")
                       .arg(range.from)
                       .arg(range.to)
                       .arg(count)
                       .arg(count == 1 ? "" : "s"));
    return range;
}

QString pageFileName(int number) {
    return QStringLiteral("page-%1.png").arg(number, 4, 10, QChar(u'0'));
}

// The set is put in place only whole (PageSetWriter).
void writePages(TRLGraphicStorage& store, const PageRange& range, const BatchRequest& request) {
    const double zoom = request.zoom.value_or(100.0);
    PageSetWriter pictures(*request.png, range.to - range.from + 1);
    for (int number = range.from; number <= range.to; ++number)
        pictures.checkName(pageFileName(number));
    for (int number = range.from; number <= range.to; ++number) {
        const TRLGraphicSurface* page = store.Pages(number - 1);
        if (!page)
            throw BatchFailure{
                BatchFileError,
                QStringLiteral("page %1 could not be read back from the page store").arg(number)};
        pictures.add(pageFileName(number), paintPage(*page, zoom, number));
    }
    pictures.commit();
}

// A QGuiApplication for the run when the caller has none: fonts need one.
std::unique_ptr<QGuiApplication> ensureGuiApplication() {
    if (QCoreApplication::instance()) {
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            throw BatchFailure{BatchFileError,
                               QStringLiteral("the batch mode needs a graphical application object")};
        return nullptr;
    }
    // Nothing is shown, so no display is ever needed: a platform named for the
    // window (xcb without a display) would abort the run.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "relantomador";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

// --mail: the report as an attachment, through the e-mail dialog's own code,
// to the server of the system-folder settings file. Nothing is remembered.
void sendMail(ReportSession& session, TMailMessage& message, const MailRequest& mail) {
    ReportMailer mailer(session);
    QString path;
    try {
        path = mailer.Export(mail.FileType);
    } catch (const Error& error) {
        throw BatchFailure{BatchFileError, QStringLiteral("--mail: the report could not be exported: ") +
                                               QString::fromUtf8(error.what()).simplified()};
    }
    MailServer server = MailServer::fromSettings(Settings(SettingsFile::System));
    server.Password = qEnvironmentVariable("RELANTOMADOR_SMTP_PASSWORD");
    mailer.Attach(message, path, mail);
    try {
        mailer.Transmit(message, server);
    } catch (const Error& error) {
        throw BatchFailure{BatchOutputFailed, QStringLiteral("--mail: sending through %1:%2 failed: %3")
                                                  .arg(server.Host)
                                                  .arg(server.Port)
                                                  // a server's text stays on the one line
                                                  .arg(QString::fromUtf8(error.what()).simplified())};
    }
}

int run(const QStringList& arguments, const BatchEnvironment& environment, QIODevice& out, QIODevice& err) {
    const BatchRequest request = parseArguments(arguments);
    if (request.help) {
        writeText(out, UsageText());
        return BatchDone;
    }
    if (request.version) {
        writeText(out, QStringLiteral("Relantomador %1\n").arg(ExeVersionString()));
        return BatchDone;
    }

    // Before the settings are read: only the application object knows the
    // executable's folder, where the program-folder settings file is.
    const std::unique_ptr<QGuiApplication> ownApplication = ensureGuiApplication();
    StartupValues values = ReportSession::StartupValuesFor(request.plain, environment.programSettingsPath);
    values.Encoding = request.encoding;
    if (request.exportPath && !ReportSession::Permits(values, ExportPermission))
        throw BatchFailure{BatchRefused,
                           QStringLiteral("exporting is not permitted: the third permissao flag is not S")};
    if ((request.draft || request.print) && !ReportSession::Permits(values, PrintPermission))
        throw BatchFailure{BatchRefused,
                           QStringLiteral("printing is not permitted: the first permissao flag is not S")};
    if (request.mail && !ReportSession::Permits(values, SendPermission))
        throw BatchFailure{BatchRefused,
                           QStringLiteral("sending is not permitted: the second permissao flag is not S")};
    // The message is checked whole before anything is exported or sent.
    std::optional<TMailMessage> message;
    MailRequest mail;
    if (request.mail) {
        mail = *request.mail;
        // The sender the e-mail dialog last used successfully, unless given.
        if (mail.From.isEmpty()) mail.From = Settings(SettingsFile::System).de();
        try {
            message = ReportMailer::Compose(mail);
        } catch (const MailFieldError& error) {
            usageError(QStringLiteral("--mail: ") + QString::fromUtf8(error.what()) +
                       (error.field() == MailField::From && mail.From.trimmed().isEmpty()
                            ? QStringLiteral(" (give --from)")
                            : QString()));
        }
        // A login needs an account: the password would go out under an empty name.
        if (!qEnvironmentVariableIsEmpty("RELANTOMADOR_SMTP_PASSWORD") &&
            Settings(SettingsFile::System).conta().trimmed().isEmpty())
            usageError(QStringLiteral("--mail: RELANTOMADOR_SMTP_PASSWORD is set but no account name is: set "
                                      "\"conta\" in \"Configurações\""));
    }

    ReportText lines;
    QString readError;
    if (!ReportText::Open(values.ReportFilePath, lines, &readError))
        throw BatchFailure{BatchFileError, QStringLiteral("cannot read the report: ") + readError};

    // The text lines need no pages: nothing is laid out for them alone.
    const bool textExport = request.exportPath && isTextExport(*request.exportPath);
    if (!request.png && !request.draft && !request.print && !request.mail && textExport) {
        failingWith(BatchFileError, [&] {
            ReportSession::WriteReportLines(lines, *request.exportPath, values.ReportFilePath);
        });
        return BatchDone;
    }

    if (!registerReportFont())
        throw BatchFailure{BatchFileError, QStringLiteral("the report font could not be loaded")};
    BatchPresenter presenter(err);
    ScopedMessagePresenter scopedPresenter(presenter);
    TerminalProgressPresenter progress(err, !environment.err && isatty(STDERR_FILENO));
    ScopedProgressPresenter scopedProgress(progress);
    InstallSpoolFilterAsDefault();
    // Composed as at start-up: the program-folder settings gave the picture
    // and the paper, then the session reads the file and lays it out.
    // Laid out from this one reading: a file that changes or vanishes now
    // cannot give another report than the one checked.
    ReportSession session(values, environment.programSettingsPath);
    // With --pages, the pages after the range are only made for an output
    // that needs them (a page showing the total, the whole report's outputs).
    if (!session.Compose(std::move(lines), request.pages ? request.pages->to : 0))
        throw BatchFailure{BatchFileError, QStringLiteral("the report could not be prepared")};

    // The last checks need the page count and the filters; only then is
    // anything written.
    TRLGraphicStorage& store = session.Pages();
    const PageRange range = pageRange(store, request);
    session.EnsurePages(range.from, range.to);
    // Found: 0; nothing found: 1.
    if (request.find)
        return WriteFoundLines(store, TextPattern::FromText(*request.find, request.findOptions), range.from,
                               range.to, out) > 0
                   ? BatchDone
                   : BatchUsageError;
    TRLCustomSaveFilter* filter = nullptr;
    if (request.exportPath && !textExport) {
        filter = SaveFilterByFileName(*request.exportPath);
        if (!filter)
            usageError(
                QStringLiteral("--export: no format saves \"%1\"; use a name ending in .pdf, .rtf, .htm, "
                               ".html, .xls, .xlsx, .csv or .txt")
                    .arg(*request.exportPath));
    }
    if (request.png && !QDir().mkpath(*request.png))
        throw BatchFailure{BatchFileError, QStringLiteral("cannot create the folder %1").arg(*request.png)};
    if (textExport) failingWith(BatchFileError, [&] { session.SaveReportLines(*request.exportPath); });
    if (filter && failingWith(BatchFileError, [&] {
                      return session.SaveAs(*request.exportPath, range.from, range.to, filter);
                  }) != TRLCustomFilter::RunResult::Completed)
        throw BatchFailure{BatchFileError,
                           QStringLiteral("saving %1 was cancelled").arg(*request.exportPath)};
    if (request.print) {
        const PrintOutcome printed = session.PrintOnQueue(*request.print, range.from, range.to);
        if (printed.kind != PrintOutcome::Printed)
            throw BatchFailure{BatchOutputFailed, printed.message.isEmpty()
                                                      ? QStringLiteral("printing failed")
                                                      : printed.message};
    }
    if (request.draft && failingWith(BatchOutputFailed, [&] {
                             return session.PrintDraft(*request.draft, range.from, range.to, request.form);
                         }) != TRLCustomFilter::RunResult::Completed)
        throw BatchFailure{BatchOutputFailed, QStringLiteral("printing was cancelled")};
    if (request.png) failingWith(BatchFileError, [&] { writePages(store, range, request); });
    if (message) sendMail(session, *message, mail);
    return BatchDone;
}

} // namespace

bool IsBatchInvocation(const QStringList& arguments) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        // The window takes --encoding and --keep too; alone they open the window.
        if (arguments[i] == u"--encoding")
            ++i;
        else if (arguments[i].startsWith(u"--") && !arguments[i].startsWith(u"--encoding=") &&
                 arguments[i] != KeepOption)
            return true;
    }
    return false;
}

int RunBatchMode(const QStringList& arguments) {
    return RunBatchMode(arguments, BatchEnvironment{});
}

int RunBatchMode(const QStringList& arguments, const BatchEnvironment& environment) {
    QFile standardOut;
    QFile standardErr;
    QIODevice* out = environment.out;
    QIODevice* err = environment.err;
    if (!out) {
        standardOut.open(stdout, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
        out = &standardOut;
    }
    if (!err) {
        standardErr.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
        err = &standardErr;
    }
    int status;
    try {
        status = run(arguments, environment, *out, *err);
    } catch (const BatchFailure& failure) {
        writeMessage(*err, failure.message);
        status = failure.status;
    } catch (const std::exception& e) {
        writeMessage(*err, QString::fromUtf8(e.what()));
        status = BatchFileError;
    }
    // What was asked for (the usage text, the version) must have arrived: a
    // full disk or a closed pipe on standard output is a failed run.
    if (out == &standardOut && (!standardOut.flush() || standardOut.error() != QFileDevice::NoError)) {
        writeMessage(*err, QStringLiteral("cannot write to standard output: ") + standardOut.errorString());
        if (status == BatchDone) status = BatchFileError;
    }
    return status;
}

QString UsageText() {
    return QStringLiteral("Usage: relantomador FILE [COLUMNS [ORIENTATION]] [permissao=XYZ] [options]\n"
                          "\n"
                          "Without options the viewer window opens on FILE. With any option nothing is\n"
                          "shown: the report is laid out as the window lays it out (paper, font, picture\n"
                          "and settings files alike) and the options' work is done.\n"
                          "\n"
                          "  FILE             the text report (see --encoding), a form feed starts a page,\n"
                          "                   the first line is never printed; not deleted in this mode\n"
                          "  COLUMNS          132: 7-point text; 255: 6-point; anything else: 8-point\n"
                          "  ORIENTATION      paisagem (any case): landscape; anything else: portrait\n"
                          "  permissao=XYZ    print, send and export permissions; S allows, anything\n"
                          "                   else refuses\n"
                          "  --keep           open the window, but never delete FILE (closing deletes it\n"
                          "                   otherwise); the desktop's menu entry uses it\n"
                          "\n"
                          "Options, anywhere on the line (\"--\" ends them; --opt=value also works):\n"
                          "  --png DIR        paint every page to DIR/page-0001.png, page-0002.png, ...\n"
                          "                   (named by page number; DIR is created when missing)\n"
                          "  --zoom Z         scale of --png in percent, 10 to 800 (default 100)\n"
                          "  --pages A-B      only pages A to B (or only page A) for --png and --export\n"
                          "  --export OUT     save the pages in the format OUT's extension names: .pdf,\n"
                          "                   .rtf, .htm or .html, .xls; or .txt for the text lines, the\n"
                          "                   first one included, with CR LF line ends and the bytes\n"
                          "                   unchanged (all lines: --pages does not apply); refused\n"
                          "                   unless the export permission is S; .xlsx or .csv for the\n"
                          "                   report's data as a table (whole report; exit 2 and nothing\n"
                          "                   written when it has none)\n"
                          "  --print [QUEUE]  print on a page printer, the CUPS queue named (it must\n"
                          "                   follow the report's arguments; or --print=QUEUE) or the\n"
                          "                   default one; refused unless the print permission is S\n"
                          "  --draft OUT      print in text mode for a dot-matrix printer, at the pitch\n"
                          "                   of COLUMNS, to a file, a device or cups:QUEUE (one raw job);\n"
                          "                   refused unless the print permission is S\n"
                          "  --form 80|132    the form width of --draft (default: the printer's own)\n"
                          "  --mail TO        send the report as an attachment to TO (comma-separated),\n"
                          "                   through the SMTP server of the settings (\"server\",\n"
                          "                   \"porta\", \"conta\"; default localhost:25); the password,\n"
                          "                   if the server wants one, from RELANTOMADOR_SMTP_PASSWORD;\n"
                          "                   refused unless the send permission is S\n"
                          "  --cc CC          copy recipients of --mail (comma-separated)\n"
                          "  --from FROM      the sender (default: the e-mail dialog's last sender)\n"
                          "  --subject S      the subject (default: Relatório)\n"
                          "  --message M      the message text (default: none)\n"
                          "  --type T         the attachment's format: pdf (default), rtf, xls, html, txt,\n"
                          "                   xlsx, csv\n"
                          "  --name N         the attachment's name without extension (default: relatorio)\n"
                          "  --encoding E     the encoding FILE is written in: cp1252, cp850, cp437,\n"
                          "                   iso-8859-15, utf-8, or auto (the default: UTF-8 or CP850\n"
                          "                   when the bytes show it, else cp1252); box-drawing frames\n"
                          "                   print as - = | +, other characters cp1252 lacks as ?;\n"
                          "                   the window takes it too\n"
                          "  --find TEXT      print each line that holds TEXT as PAGE:LINE:TEXT (UTF-8);\n"
                          "                   exit status 0 when found, 1 when not; letter case is\n"
                          "                   ignored unless --case, --word matches whole words only\n"
                          "  --help           this text\n"
                          "  --version        the program's version\n"
                          "\n"
                          "Exit status: 0 done, 1 bad usage, 2 input or output file problem,\n"
                          "3 refused by the permissions, 4 printing or sending failed; --find: 1 also\n"
                          "when nothing was found.\n");
}

} // namespace rl
