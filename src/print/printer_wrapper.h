#pragma once

#include "platform/printer_metrics.h"
#include "print/paper_codes.h"

#include <QPageSize>
#include <QString>
#include <QStringList>

#include <memory>

class QPainter;
class QPrinter;

namespace rl {

// The process's one way to the page printers: the list of print queues, the
// selected queue with its printer object (paper, orientation, copies), and the
// printer's resolution and printable area.
//
// Queues are CUPS queues, listed as entries "name|port" where the port is the
// queue's device URI (see CupsQueues). The selected queue is held in one
// QPrinter (high resolution) that lives until another queue is selected; its
// paper size and orientation are what GetMetrics reports on, and its margins
// are kept at the queue's unprintable margins so that the origin of anything
// painted on it is the corner of the printable area.
//
// A CUPS server that is missing or stuck costs at most a few seconds per call
// that has to ask it (the list, selecting a queue): nothing here lets libcups
// or Qt wait on it unbounded. Without a server the list is empty and the
// metrics are the fallback ones.
//
// Created on first use, freed when the application object goes away. UI thread
// only.
class TRLPrinterWrapper {
public:
    static TRLPrinterWrapper& instance();
    // For tests: drops the instance (list, selection, printer object), clears
    // the printer-missing flag and makes libcups look up its server again, so
    // that a changed CUPS_SERVER takes effect.
    static void resetInstance();

    // Set the first time GetMetrics falls back to the fallback metrics; stays set.
    static bool PrinterMissing();

    // An entry split at its first "|": name before, port after; an entry
    // without "|" is all name with an empty port.
    struct Entry {
        QString name;
        QString port;
    };
    static Entry splitPrinterEntry(const QString& entry);

    // The cached list of entries "name|port", read from the server on first use.
    const QStringList& Printers();
    // Reads the list again and selects the previously selected queue again
    // (which reloads its default settings): by name when it is still there,
    // else by its old index limited to the new count - 1. Without queues
    // nothing is selected.
    void RefreshPrinters();

    // Name and port of entry index; empty when index is outside the list.
    // These are the queue's own fields, so a queue name containing "|" stays whole.
    QString PrinterName(int index);
    QString PrinterPort(int index);
    // Whether entry index is a raw queue (see CupsQueue::raw); false outside the list.
    bool PrinterIsRaw(int index);

    // When nothing is selected and there are queues, selects the user's
    // default queue (the first when there is no default). Returns whether a
    // queue is selected.
    bool EnsurePrinter();
    // The selected index after EnsurePrinter; -1 when there is no queue.
    int PrinterIndex();
    // Selects entry index with a fresh printer object holding the queue's
    // defaults (its default paper, portrait); ignored outside 0..count-1.
    void SelectPrinter(int index);
    // Name of the selected entry; empty when none is selected.
    QString CurrentPrinterName();

    // Resolution, sheet and printable area of the selected queue for the
    // paper and orientation now set on its printer object, in printer pixels.
    // When no queue can be selected or its printer object cannot be had, the
    // fallback metrics (and the printer-missing flag).
    PrinterMetrics GetMetrics();

    // Sets paper and orientation on the selected queue's printer object: the
    // paper row with a platform code nearest the given size (under 0.01 mm in
    // all), else a user-defined size in tenths of a millimetre
    // (PaperSettingsFor). Without any queue the device settings are skipped
    // (BeginJob then reports the missing printer). A queue that is selected
    // but cannot be opened is an rl::Error for the user, not a silent stop.
    // Remembers the size as the last custom paper size.
    void SetupPaper(bool landscape, double widthMm, double heightMm);
    // The page size SetupPaper gives the printer object for a sheet of
    // widthMm x heightMm (portrait) and the paper settings worked out for it:
    // the size Qt names by the paper code when that is the sheet, else the
    // millimetres; for the user-defined code the tenths of a millimetre, a
    // dimension of 0 taking current's.
    static QPageSize PageSizeFor(const PrinterPaperSettings& paper, double widthMm, double heightMm,
                                 const QPageSize& current);
    // What SetupPaper last worked out, and the size it was given.
    PrinterPaperSettings LastPaperSettings() const { return m_lastPaper; }
    double LastPaperWidth() const { return m_lastWidth; }
    double LastPaperHeight() const { return m_lastHeight; }

    // Starts a print job on the selected queue with the paper and orientation
    // now set; the canvas is open from here to EndJob, its origin at the
    // corner of the printable area. Throws rl::Error when there is no queue,
    // the queue cannot be opened or does not accept jobs.
    void BeginJob(const QString& title = QString());
    // Ends the job and hands it to the scheduler; throws rl::Error when the
    // scheduler refuses it. The selection is unchanged. Nothing to do without
    // a job.
    void EndJob();
    // Drops the job under way so that nothing of it prints (a cancelled run):
    // Qt's printing cannot abort a job, so it is handed over on hold and then
    // cancelled on the scheduler. Throws rl::Error when that fails, as the
    // pages may then print. Nothing to do without a job.
    void DiscardJob();
    // Starts a new sheet in the job.
    void NewPage();
    bool JobStarted() const { return m_painter != nullptr; }
    // The canvas of the job under way; null between jobs.
    QPainter* Canvas() const { return m_painter.get(); }

    // The greater of 1 and the copies set on the printer object.
    int Copies() const;
    // Sets the copies the driver makes, 1 to TRLPrintParams::kMaxCopies (a
    // value outside is taken as the nearest).
    // Selecting another queue goes back to its default of one.
    void SetCopies(int copies);

    // Where raw bytes for the selected queue go: its device URI (for a file
    // or device "file:/path", "parallel:/dev/lp0", ...). Empty when no queue
    // is selected or the queue has no device (a class).
    QString PortPath();

    // The printer object of the selected queue; null when none is selected or
    // the queue could not be opened. Owned by the wrapper, replaced by SelectPrinter.
    QPrinter* printer() const { return m_printer.get(); }

    TRLPrinterWrapper(const TRLPrinterWrapper&) = delete;
    TRLPrinterWrapper& operator=(const TRLPrinterWrapper&) = delete;
    ~TRLPrinterWrapper();

private:
    TRLPrinterWrapper();
    void loadPrinters();
    void clearSelection();
    PrinterMetrics readMetrics();

    bool m_loaded = false;
    QStringList m_entries;
    QStringList m_names;
    QStringList m_ports;
    QList<bool> m_raw;
    QString m_defaultName;
    int m_index = -1;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    PrinterPaperSettings m_lastPaper;
    double m_lastWidth = 0;
    double m_lastHeight = 0;
};

} // namespace rl
