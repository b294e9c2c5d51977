#include "print/draft_device.h"

#include "platform/error.h"
#include "platform/output_file.h"
#include "print/printer_wrapper.h"

#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QRegularExpression>
#include <QUrl>

#include <cups/cups.h>

namespace rl {

namespace {

const char kInvalidPath[] = "Caminho inválido para a impressora";

// Returning 0 tells libcups to stop waiting for a server that has gone quiet.
int giveUpWaiting(http_t*, void*) {
    return 0;
}
constexpr double kJobReplyTimeoutSeconds = 30;

class SystemPrinter final : public DraftPrinter {
public:
    PrinterMetrics SetupPaperAndMetrics(bool landscape, double widthMm, double heightMm) override {
        TRLPrinterWrapper& wrapper = TRLPrinterWrapper::instance();
        if (wrapper.EnsurePrinter()) {
            if (QPrinter* printer = wrapper.printer()) {
                if (widthMm > 0 && heightMm > 0)
                    printer->setPageSize(QPageSize(QSizeF(widthMm, heightMm), QPageSize::Millimeter));
                printer->setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
            }
        }
        return wrapper.GetMetrics();
    }
    QString PortPath() override {
        TRLPrinterWrapper& wrapper = TRLPrinterWrapper::instance();
        return wrapper.PrinterPort(wrapper.PrinterIndex());
    }
    QString CurrentPrinterName() override {
        TRLPrinterWrapper& wrapper = TRLPrinterWrapper::instance();
        wrapper.EnsurePrinter();
        return wrapper.CurrentPrinterName();
    }
};

bool isPortName(const QString& path) {
    static const QRegularExpression port(QStringLiteral("^(prn|lpt[1-9]|com[1-9])[:]?$"),
                                         QRegularExpression::CaseInsensitiveOption);
    return port.match(path.trimmed()).hasMatch();
}

// "cups:QUEUE" gives QUEUE; anything else an empty text.
QString queueOf(const QString& path) {
    if (!path.startsWith(QLatin1String("cups:"), Qt::CaseInsensitive)) return {};
    return path.mid(5).trimmed();
}

DraftTarget queueTarget(const QString& queue) {
    if (queue.isEmpty()) throw Error(kInvalidPath);
    return {DraftTarget::Kind::Queue, queue};
}

// The file or device a port names, or an empty text.
QString portFile(const QString& port) {
    QString path = port;
    if (port.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) return QUrl(port).toLocalFile();
    if (!path.startsWith(QLatin1Char('/'))) return {};
    const QFileInfo info(path);
    return info.exists() && !info.isDir() ? path : QString();
}

} // namespace

std::unique_ptr<DraftPrinter> SystemDraftPrinter() {
    return std::make_unique<SystemPrinter>();
}

DraftTarget ResolveDraftTarget(TRLDraftDeviceKind kind, const QString& devicePath, const QString& portPath,
                               const QString& selectedQueue, const QString& temporaryFile) {
    switch (kind) {
    case dkProgram:
        if (temporaryFile.isEmpty()) throw Error(kInvalidPath);
        return {DraftTarget::Kind::File, temporaryFile};
    case dkFileName:
        if (devicePath.trimmed().isEmpty()) throw Error(kInvalidPath);
        if (devicePath.startsWith(QLatin1String("cups:"), Qt::CaseInsensitive))
            return queueTarget(queueOf(devicePath));
        if (isPortName(devicePath)) return queueTarget(selectedQueue);
        return {DraftTarget::Kind::File, devicePath};
    case dkPrinterPort:
        break;
    }
    if (portPath.startsWith(QLatin1String("cups:"), Qt::CaseInsensitive))
        return queueTarget(queueOf(portPath));
    const QString file = portFile(portPath);
    if (!file.isEmpty()) return {DraftTarget::Kind::File, file};
    return queueTarget(selectedQueue);
}

DraftOutput::DraftOutput(const DraftTarget& target) : target_(target) {
    if (target_.kind != DraftTarget::Kind::File) return;
    // A printer's device or a FIFO to a spooler is what a dot-matrix document
    // is meant for: written directly. A file gets its name only when whole.
    file_ = std::make_unique<OutputFile>(target_.path, OutputFile::SpecialFiles::WriteDirectly);
}

DraftOutput::~DraftOutput() = default;

void DraftOutput::write(const QByteArray& bytes) {
    if (!file_) {
        pending_.append(bytes);
        return;
    }
    if (closed_) return;
    file_->device().write(bytes);
    file_->check();
}

void DraftOutput::close() {
    if (!file_ || closed_) return;
    file_->commit();
    closed_ = true;
}

void DraftOutput::submit(const QString& title) {
    if (target_.kind != DraftTarget::Kind::Queue) return;
    SubmitRawJob(target_.path, pending_, title);
    pending_.clear();
}

void SubmitRawJob(const QString& queue, const QByteArray& bytes, const QString& title) {
    const QByteArray name = queue.toUtf8();
    const QByteArray jobTitle = title.toUtf8();
    auto refused = [&](const char* reason) {
        return Error(QStringLiteral("Não foi possível imprimir na impressora %1: %2")
                         .arg(queue, QString::fromUtf8(reason))
                         .toStdString());
    };
    http_t* http =
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 5000, nullptr);
    if (!http) throw refused(cupsLastErrorString());
    httpSetTimeout(http, kJobReplyTimeoutSeconds, giveUpWaiting, nullptr);
    const int job = cupsCreateJob(http, name.constData(), jobTitle.constData(), 0, nullptr);
    if (job <= 0) {
        const Error error = refused(cupsLastErrorString());
        httpClose(http);
        throw error;
    }
    bool sent = cupsStartDocument(http, name.constData(), job, jobTitle.constData(), CUPS_FORMAT_RAW, 1) ==
                HTTP_STATUS_CONTINUE;
    // Written in pieces: one call with megabytes would hold the whole job in one request buffer.
    for (qsizetype at = 0; sent && at < bytes.size(); at += 65536)
        sent = cupsWriteRequestData(http, bytes.constData() + at,
                                    size_t(std::min<qsizetype>(65536, bytes.size() - at))) ==
               HTTP_STATUS_CONTINUE;
    // A scheduler that substituted some of the job's attributes still took it.
    const bool finished = cupsFinishDocument(http, name.constData()) <= IPP_STATUS_OK_CONFLICTING;
    if (!sent || !finished) {
        const Error error = refused(cupsLastErrorString());
        cupsCancelJob2(http, name.constData(), job, 0);
        httpClose(http);
        throw error;
    }
    httpClose(http);
}

} // namespace rl
