#pragma once

#include "platform/printer_metrics.h"
#include "print/draft_options.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace rl {

class OutputFile;

// What the dot-matrix filter asks of the selected printer. Tests give it a
// printer of fixed metrics; the viewer uses SystemDraftPrinter().
class DraftPrinter {
public:
    virtual ~DraftPrinter() = default;
    // Sets the paper (millimetres, unrotated) and orientation on the selected
    // printer and returns its metrics; the fallback metrics when there is none.
    virtual PrinterMetrics SetupPaperAndMetrics(bool landscape, double widthMm, double heightMm) = 0;
    // The selected printer's port (its queue's device URI); empty when none is selected.
    virtual QString PortPath() = 0;
    // The selected printer's queue name; empty when none is selected.
    virtual QString CurrentPrinterName() = 0;
};

// The printers of the system, through TRLPrinterWrapper.
std::unique_ptr<DraftPrinter> SystemDraftPrinter();

// Where a document's bytes go: a file or device written directly, or one raw
// job to a CUPS queue.
struct DraftTarget {
    enum class Kind { File, Queue };
    Kind kind = Kind::File;
    QString path; // the file or device; the queue's name for Queue
};

// Chooses the target of a document, or throws rl::Error "Caminho inválido para
// a impressora" when there is none usable (nothing has been written then).
//
// "cups:QUEUE" names a queue, wherever it comes from. A printer port is a
// queue's device URI, which is not a path: the bytes go straight to a file or
// device only when the port names one that exists (a "file:" URI included,
// since the scheduler drops raw jobs to those); otherwise they go to the
// selected queue. A path the user named (dkFileName) is written as given,
// except an old port name ("prn", "lpt1", "com1"...), which means the selected
// queue: no stray file named after a port is ever made in the working folder.
// dkProgram writes the temporary file it is given.
DraftTarget ResolveDraftTarget(TRLDraftDeviceKind kind, const QString& devicePath, const QString& portPath,
                               const QString& selectedQueue, const QString& temporaryFile);

// The open output of one document. Bytes for a file or device are written as
// they come (write errors throw rl::Error); bytes for a queue are kept until
// submit(), so a failed or cancelled document never reaches the printer half done.
class DraftOutput {
public:
    // Opens a file target (see OutputFile: a regular file gets its name only at
    // close(), a device or FIFO is written directly); throws rl::Error when it
    // cannot. Destroyed before close(), a regular file is left as it was.
    explicit DraftOutput(const DraftTarget& target);
    ~DraftOutput();
    DraftOutput(const DraftOutput&) = delete;
    DraftOutput& operator=(const DraftOutput&) = delete;

    void write(const QByteArray& bytes);
    // Flushes and closes a file target, putting a regular one in place; throws
    // rl::Error on a write error.
    void close();
    // Sends a queue target's bytes as one raw job titled title; throws rl::Error
    // with the scheduler's reason when it is refused. Nothing for a file.
    void submit(const QString& title);

    const DraftTarget& target() const { return target_; }

private:
    DraftTarget target_;
    std::unique_ptr<OutputFile> file_;
    bool closed_ = false;
    QByteArray pending_;
};

// Sends bytes to a CUPS queue as one raw job (the server libcups picks for
// this process). Throws rl::Error when the server or the queue refuses it.
void SubmitRawJob(const QString& queue, const QByteArray& bytes, const QString& title);

} // namespace rl
