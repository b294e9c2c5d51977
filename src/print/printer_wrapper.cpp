#include "print/printer_wrapper.h"

#include "platform/error.h"
#include "print/cups_queues.h"
#include "print/print_params.h"

#include <QCoreApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>

namespace rl {

namespace {

// An rl::Error carrying a message built with Qt.
Error failure(const QString& message) {
    return Error(message.toStdString());
}

std::unique_ptr<TRLPrinterWrapper> g_instance;
bool g_printerMissing = false;

void destroyInstance() {
    g_instance.reset();
}

// Keeps the printer's margins at the smallest the queue allows for the
// paper and orientation now set, so that the page rectangle is the printable
// area and painting starts at its corner.
void useDeviceMargins(QPrinter& printer) {
    const QPageLayout layout = printer.pageLayout();
    if (layout.margins() != layout.minimumMargins())
        printer.setPageMargins(layout.minimumMargins(), layout.units());
}

// A printer object for the queue with the queue's defaults, or null when Qt
// cannot open it. Qt asks the server through libcups's shared connection,
// which has no bounded wait, so the server is probed first.
std::unique_ptr<QPrinter> openPrinter(const QString& queue) {
    if (queue.isEmpty() || !CupsQueues::reachable()) return nullptr;
    const QPrinterInfo info = QPrinterInfo::printerInfo(queue);
    if (info.isNull()) return nullptr;
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    // Given a queue it does not know, Qt quietly keeps another printer or
    // falls back to writing PDF.
    if (printer->outputFormat() != QPrinter::NativeFormat || printer->printerName() != queue) return nullptr;
    // Qt keeps its own initial paper when the queue supports it; the queue's
    // default is what selecting a printer should give.
    const QPageSize paper = info.defaultPageSize();
    if (paper.isValid()) printer->setPageSize(paper);
    printer->setPageOrientation(QPageLayout::Portrait);
    useDeviceMargins(*printer);
    return printer;
}

} // namespace

QPageSize TRLPrinterWrapper::PageSizeFor(const PrinterPaperSettings& paper, double widthMm, double heightMm,
                                         const QPageSize& current) {
    if (paper.PaperCode != PrinterPaperSettings::UserDefined) {
        // A named size is what drivers match their media by, but only when it is
        // the sheet asked for: Qt knows many codes only as Custom (Folio, 14) and
        // gives a few a size of its own.
        const QPageSize named(QPageSize::id(int(paper.PaperCode)));
        const QSizeF size = named.size(QPageSize::Millimeter);
        constexpr double kSlackMm = 0.5;
        if (named.id() != QPageSize::Custom && std::abs(size.width() - widthMm) < kSlackMm &&
            std::abs(size.height() - heightMm) < kSlackMm)
            return named;
        return QPageSize(QSizeF(widthMm, heightMm), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    }
    // A dimension of 0 keeps the printer's own.
    const QSizeF own = current.isValid() ? current.size(QPageSize::Millimeter) : QSizeF();
    const double width = paper.PaperWidth != 0 ? paper.PaperWidth / 10.0 : own.width();
    const double length = paper.PaperLength != 0 ? paper.PaperLength / 10.0 : own.height();
    if (width <= 0 || length <= 0) return current;
    return QPageSize(QSizeF(width, length), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
}

TRLPrinterWrapper::TRLPrinterWrapper() = default;

TRLPrinterWrapper::~TRLPrinterWrapper() {
    // A job left open is dropped, not sent.
    if (m_painter && m_painter->isActive()) {
        m_printer->abort();
        m_painter->end();
    }
}

TRLPrinterWrapper& TRLPrinterWrapper::instance() {
    if (!g_instance) {
        g_instance.reset(new TRLPrinterWrapper);
        // The printer object must go before the application object does.
        qAddPostRoutine(destroyInstance);
    }
    return *g_instance;
}

void TRLPrinterWrapper::resetInstance() {
    if (g_instance) qRemovePostRoutine(destroyInstance);
    g_instance.reset();
    g_printerMissing = false;
    CupsQueues::forgetServer();
}

bool TRLPrinterWrapper::PrinterMissing() {
    return g_printerMissing;
}

TRLPrinterWrapper::Entry TRLPrinterWrapper::splitPrinterEntry(const QString& entry) {
    const qsizetype bar = entry.indexOf(QLatin1Char('|'));
    if (bar < 0) return {entry, QString()};
    return {entry.left(bar), entry.mid(bar + 1)};
}

void TRLPrinterWrapper::loadPrinters() {
    const CupsQueueList list = CupsQueues::load();
    m_entries.clear();
    m_names.clear();
    m_ports.clear();
    m_raw.clear();
    for (const CupsQueue& queue : list.queues) {
        m_entries.append(queue.name + QLatin1Char('|') + queue.deviceUri);
        m_names.append(queue.name);
        m_ports.append(queue.deviceUri);
        m_raw.append(queue.raw);
    }
    m_defaultName = list.defaultName;
    m_loaded = true;
}

const QStringList& TRLPrinterWrapper::Printers() {
    if (!m_loaded) loadPrinters();
    return m_entries;
}

void TRLPrinterWrapper::RefreshPrinters() {
    const int previousIndex = m_index;
    const QString previousName = CurrentPrinterName();
    loadPrinters();
    if (previousIndex < 0) return;
    if (m_names.isEmpty()) {
        clearSelection();
        return;
    }
    // Queues come sorted by name, so one added or removed shifts the others:
    // the name is what identifies the printer the user had chosen.
    const qsizetype byName = previousName.isEmpty() ? -1 : m_names.indexOf(previousName);
    SelectPrinter(byName >= 0 ? int(byName) : std::min(previousIndex, int(m_names.size()) - 1));
}

QString TRLPrinterWrapper::PrinterName(int index) {
    Printers();
    return index >= 0 && index < m_names.size() ? m_names.at(index) : QString();
}

QString TRLPrinterWrapper::PrinterPort(int index) {
    Printers();
    return index >= 0 && index < m_ports.size() ? m_ports.at(index) : QString();
}

bool TRLPrinterWrapper::PrinterIsRaw(int index) {
    Printers();
    return index >= 0 && index < m_raw.size() && m_raw.at(index);
}

bool TRLPrinterWrapper::EnsurePrinter() {
    const int count = int(Printers().size());
    if (m_index >= 0 && m_index < count) return true;
    if (count == 0) return false;
    // The user's default queue, as every other program on the desktop would take.
    const qsizetype preferred = m_defaultName.isEmpty() ? -1 : m_names.indexOf(m_defaultName);
    SelectPrinter(preferred >= 0 ? int(preferred) : 0);
    return true;
}

int TRLPrinterWrapper::PrinterIndex() {
    return EnsurePrinter() ? m_index : -1;
}

void TRLPrinterWrapper::SelectPrinter(int index) {
    if (index < 0 || index >= Printers().size()) return;
    // The printer object of a job under way is not swapped from under it.
    if (m_painter) return;
    m_index = index;
    m_printer = openPrinter(m_names.at(index));
}

QString TRLPrinterWrapper::CurrentPrinterName() {
    return m_index >= 0 && m_index < m_names.size() ? m_names.at(m_index) : QString();
}

void TRLPrinterWrapper::clearSelection() {
    if (m_painter) return;
    m_index = -1;
    m_printer.reset();
}

PrinterMetrics TRLPrinterWrapper::GetMetrics() {
    try {
        if (!EnsurePrinter()) throw Error("Nenhuma impressora encontrada");
        if (!m_printer) {
            SelectPrinter(m_index);
            if (!m_printer) throw Error("Erro no driver da impressora");
        }
        return readMetrics();
    } catch (const Error&) {
        // Layout goes on with a plain Letter sheet; the flag lets the caller tell.
        g_printerMissing = true;
        return PrinterMetrics::fallback();
    }
}

PrinterMetrics TRLPrinterWrapper::readMetrics() {
    useDeviceMargins(*m_printer);
    const int resolution = m_printer->resolution();
    const QRectF paper = m_printer->paperRect(QPrinter::DevicePixel);
    const QRectF page = m_printer->pageRect(QPrinter::DevicePixel);
    if (resolution <= 0 || paper.width() < 1 || paper.height() < 1 || page.width() < 1 || page.height() < 1)
        throw Error("Erro no driver da impressora");

    PrinterMetrics metrics;
    metrics.HorizontalResolution = resolution;
    metrics.VerticalResolution = resolution;
    metrics.PhysicalWidth = qRound(paper.width());
    metrics.PhysicalHeight = qRound(paper.height());
    metrics.LeftMargin = qRound(page.left() - paper.left());
    metrics.TopMargin = qRound(page.top() - paper.top());
    metrics.PrintableWidth = qRound(page.width());
    metrics.PrintableHeight = qRound(page.height());
    metrics.RightMargin = metrics.PhysicalWidth - metrics.LeftMargin - metrics.PrintableWidth;
    metrics.BottomMargin = metrics.PhysicalHeight - metrics.TopMargin - metrics.PrintableHeight;
    return metrics;
}

void TRLPrinterWrapper::SetupPaper(bool landscape, double widthMm, double heightMm) {
    m_lastPaper = PaperSettingsFor(widthMm, heightMm);
    m_lastWidth = widthMm;
    m_lastHeight = heightMm;
    if (!EnsurePrinter()) return;
    if (!m_printer) SelectPrinter(m_index);
    if (!m_printer)
        throw failure(
            QStringLiteral("Erro no driver da impressora: não foi possível abrir a impressora \"%1\".")
                .arg(CurrentPrinterName()));
    m_printer->setPageSize(PageSizeFor(m_lastPaper, widthMm, heightMm, m_printer->pageLayout().pageSize()));
    m_printer->setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    useDeviceMargins(*m_printer);
}

void TRLPrinterWrapper::BeginJob(const QString& title) {
    if (m_painter) return;
    if (!EnsurePrinter()) throw failure(QStringLiteral("Nenhuma impressora encontrada"));
    if (!m_printer) SelectPrinter(m_index);
    const QString name = CurrentPrinterName();
    if (!m_printer)
        throw failure(
            QStringLiteral("Erro no driver da impressora: não foi possível abrir a impressora \"%1\".")
                .arg(name));
    // Refused before anything is painted, with the scheduler's reason. This
    // also leaves libcups's last status at success, so that EndJob can tell
    // whether the submission failed.
    QString reason;
    if (!CupsQueues::acceptsJobs(name, &reason))
        throw failure(QStringLiteral("A impressora \"%1\" recusou o trabalho: %2.").arg(name, reason));
    m_printer->setDocName(title.isEmpty() ? QCoreApplication::applicationName() : title);
    useDeviceMargins(*m_printer);
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(m_printer.get()))
        throw failure(
            QStringLiteral("Erro no driver da impressora: não foi possível iniciar a impressão em \"%1\".")
                .arg(name));
    m_painter = std::move(painter);
}

void TRLPrinterWrapper::EndJob() {
    if (!m_painter) return;
    const std::unique_ptr<QPainter> painter = std::move(m_painter);
    // Qt hands the document to the scheduler here and drops its answer;
    // libcups keeps it.
    const bool ended = painter->end();
    const QString refused = CupsQueues::lastSubmissionError();
    if (!ended || !refused.isEmpty())
        throw failure(QStringLiteral("A impressora \"%1\" recusou o trabalho: %2.")
                          .arg(CurrentPrinterName(),
                               refused.isEmpty() ? QStringLiteral("erro ao gerar o documento") : refused));
}

void TRLPrinterWrapper::DiscardJob() {
    if (!m_painter) return;
    const std::unique_ptr<QPainter> painter = std::move(m_painter);
    // QPrinter::abort() does nothing for CUPS queues and ending the painter
    // submits the document: submitted on hold, it waits for us to cancel it.
    // (The key is Qt's own for the options it passes to CUPS.)
    constexpr auto kCupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);
    m_printer->printEngine()->setProperty(
        kCupsOptions, QStringList{QStringLiteral("job-hold-until"), QStringLiteral("indefinite")});
    painter->end();
    if (!CupsQueues::lastSubmissionError().isEmpty()) return; // refused: nothing to print
    if (!CupsQueues::cancelNewestHeldJob(CurrentPrinterName()))
        throw failure(QStringLiteral("A impressão cancelada não pôde ser retirada da fila \"%1\"; "
                                     "as páginas já desenhadas podem ser impressas.")
                          .arg(CurrentPrinterName()));
}

void TRLPrinterWrapper::NewPage() {
    if (!m_painter) return;
    if (!m_printer->newPage())
        throw failure(
            QStringLiteral("Erro no driver da impressora: não foi possível iniciar uma nova página."));
}

int TRLPrinterWrapper::Copies() const {
    return m_printer ? std::max(1, m_printer->copyCount()) : 1;
}

void TRLPrinterWrapper::SetCopies(int copies) {
    if (m_printer) m_printer->setCopyCount(std::clamp(copies, 1, TRLPrintParams::kMaxCopies));
}

QString TRLPrinterWrapper::PortPath() {
    if (!EnsurePrinter()) return {};
    return PrinterPort(m_index);
}

} // namespace rl
