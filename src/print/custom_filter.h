#pragma once

#include "pagestore/graphic_storage.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;

namespace rl {

class OutputFile;

class ProgressDisplay;

// An output filter: it is fed the pages of a page store one by one between a
// begin and an end of document. Printing and saving are both done by filters.
//
// A run (Run) goes: begin-document, then for every page of the range, copy
// after copy, new-page (before every page but the very first of the run) and
// draw-page, then end-document. Pages are fetched before new-page is sent, so
// a page that cannot be read is an error and never leaves a blank page behind.
//
// Errors: an exception from begin-document skips the pages and end-document;
// one from new-page or draw-page stops the pages, end-document still runs,
// then the exception reaches the caller of Run (a second exception thrown by
// end-document itself is dropped in favour of the first).
//
// Every live filter is in the registry, in order of creation. Filters are
// QObjects: the owner is the Qt parent, the component name is objectName().
// A filter and the store it runs belong to the GUI thread; only the run loop
// of a background run executes on a worker thread (see Run).
class TRLCustomFilter : public QObject {
    Q_OBJECT
public:
    // How a run ended. Run returns Completed, Cancelled or InBackground and
    // throws on failure; RunFinished carries Completed, Cancelled or Failed.
    enum class RunResult { Completed, Cancelled, Failed, InBackground };
    Q_ENUM(RunResult)

    // Class option flag: the filter makes the copies itself, so the run loop
    // goes through the range once per copy asked of the printer.
    static constexpr int kOwnCopies = 1;

    explicit TRLCustomFilter(QObject* owner = nullptr);
    ~TRLCustomFilter() override;

    // The name shown in the print and save dialogs: GetDisplayName().
    QString DisplayName() const { return GetDisplayName(); }
    void SetDisplayName(const QString& name) { displayName_ = name; }
    // Whether the stored name differs from the component name (the name is
    // worth keeping in a stored description only then).
    bool DisplayNameStored() const { return !displayName_.isEmpty() && displayName_ != objectName(); }

    bool ShowProgress() const { return showProgress_; }
    void SetShowProgress(bool show) { showProgress_ = show; }

    int ClassOptions() const { return classOptions_; }

    // Runs pages fromPage..toPage (1-based) of the store. fromPage below 1
    // counts as 1; toPage -1 means the last page and a larger value is cut to
    // the page count. A range left empty (from > to) runs begin-document and
    // end-document only; user-facing callers refuse such a range first with
    // CheckPageRange.
    //
    // Without background the run happens now and the result says whether it
    // completed or was cancelled; errors propagate as rl::Error (or whatever
    // the filter threw). With background the store is linked, a worker thread
    // runs the loop and Run returns InBackground at once; the end is told by
    // RunFinished (emitted from the worker thread). During a background run the
    // caller must use neither the filter nor the store, and must keep both
    // alive. Progress is shown through ProgressPresenter::current(), always on
    // the GUI thread.
    RunResult Run(TRLGraphicStorage* pages, int fromPage, int toPage, bool background = false);
    // Asks the run under way to stop after the page being drawn. Any thread.
    void Cancel() { canceled_ = true; }
    bool Canceled() const { return canceled_; }

    // Throws rl::Error with a message for the user unless
    // 1 <= fromPage <= toPage <= page count once toPage -1 is taken as the last
    // page and a larger toPage is cut to the count.
    static void CheckPageRange(const TRLGraphicStorage& pages, int fromPage, int toPage);

    // The state of the run under way (for filters and tests): the store (null
    // between runs), the clamped range and the number of passes over it.
    TRLGraphicStorage* Pages() const { return pages_; }
    int FromPage() const { return fromPage_; }
    int ToPage() const { return toPage_; }
    int PhysicalCopies() const { return physicalCopies_; }

    // Every live filter, in order of creation. GUI thread only.
    static const std::vector<TRLCustomFilter*>& Registry();

    // The number of copies the system printer is set to, read by filters that
    // make their own copies. Until the printer parameters exist it is 1; the
    // printing code installs its source here (an empty function restores 1).
    static void SetPrinterCopiesSource(std::function<int()> source);
    static int PrinterCopies();

signals:
    // Emitted at the end of every run, on the thread that ran the loop.
    // errorMessage is set when result is Failed.
    void RunFinished(rl::TRLCustomFilter::RunResult result, const QString& errorMessage);

protected:
    // The four document operations a concrete filter implements. They run on
    // the thread that runs the loop. Exceptions are the way to report failure.
    virtual void BeginDoc() = 0;
    virtual void EndDoc() = 0;
    virtual void NewPage() = 0;
    virtual void DrawPage(const TRLGraphicSurface& page) = 0;
    // DisplayName when set, else the component name.
    virtual QString GetDisplayName() const;

    void SetClassOptions(int options) { classOptions_ = options; }

private:
    // Hooks of the two direct subclasses around a run, in this order:
    // OpenOutput before begin-document (its failure counts as one of
    // begin-document), CheckOutput after every page drawn, CommitOutput after
    // end-document of a completed run, DiscardOutput after a failed or
    // cancelled one (also when begin-document failed).
    virtual QString ProgressCaption() const = 0;
    virtual void OpenOutput() {}
    virtual void CheckOutput() {}
    virtual void CommitOutput() {}
    virtual void DiscardOutput() noexcept {}

    RunResult RunLoop();
    void DrawRange(std::unique_ptr<ProgressDisplay>& progress);
    void DetachStore();

    QString displayName_;
    bool showProgress_ = true;
    int classOptions_ = 0;
    QPointer<TRLGraphicStorage> pages_;
    std::atomic<bool> canceled_{false};
    int fromPage_ = 0;
    int toPage_ = 0;
    int physicalCopies_ = 1;
};

// Filters that print. The default print filter is the one FilterPages uses
// when it is given none.
class TRLCustomPrintFilter : public TRLCustomFilter {
    Q_OBJECT
public:
    explicit TRLCustomPrintFilter(QObject* owner = nullptr);

    // The print dialog's view of the filter's options.
    virtual QString OptionsLabel() const { return {}; }
    // nullopt: the filter has no options.
    virtual std::optional<QStringList> OptionList() const { return std::nullopt; }
    virtual int OptionIndex() const { return -1; }
    virtual void SetOptionIndex(int /*index*/) {}
    // The orientation chosen for printing: portrait 0, landscape 1.
    virtual void SetOrientation(int /*orientation*/) {}

    // The process-wide default print filter, created on first use by the
    // installed factory and destroyed when the application object goes away
    // (or at exit). Without a factory it is a filter whose begin-document
    // fails with a message that printing is not available.
    static TRLCustomPrintFilter& DefaultPrintFilter();
    // Installs the factory of the default print filter and drops the one made
    // by the previous factory, if any (an empty function restores the stand-in).
    static void SetDefaultPrintFilterFactory(std::function<std::unique_ptr<TRLCustomPrintFilter>()> factory);

private:
    QString ProgressCaption() const override;
};

// Filters that write a file.
//
// The contract of a concrete save filter:
// - its constructor sets the default extension (SetDefaultExt, e.g. ".rtf");
// - it writes its document only into Output() (valid from begin-document to
//   end-document, on the loop's thread), never into FileName itself: the base
//   writes beside the target and puts the file in place only when the run
//   completed and everything was written, so a failed or cancelled run never
//   leaves a file that looks complete, and an old file of that name stays as
//   it was;
// - failures are thrown as rl::Error; the base turns a write error of Output()
//   (a full disk) into one;
// - any further file it writes (pictures beside an HTML page) it deletes in
//   DiscardExtraFiles, which the base calls after a failed or cancelled run.
//
// An empty FileName, the report's input file (SetProtectedInputFile), the
// store's own spill file or a place that cannot be written is an rl::Error
// before begin-document.
class TRLCustomSaveFilter : public TRLCustomFilter {
    Q_OBJECT
public:
    explicit TRLCustomSaveFilter(QObject* owner = nullptr);
    ~TRLCustomSaveFilter() override;

    QString FileName() const { return fileName_; }
    void SetFileName(const QString& fileName) { fileName_ = fileName; }
    // With its leading dot, e.g. ".rtf"; may be empty.
    QString DefaultExt() const { return defaultExt_; }

    // The report's input file, which no save filter (nor any other output,
    // see OutputFile) ever writes over. Empty when there is none.
    // Process-wide; GUI thread.
    static void SetProtectedInputFile(const QString& path);
    static QString ProtectedInputFile();

protected:
    void SetDefaultExt(const QString& extension) { defaultExt_ = extension; }
    // The output being written; only between begin-document and end-document.
    QIODevice& Output();
    // Deletes the filter's own extra files after a failed or cancelled run.
    // Must not throw.
    virtual void DiscardExtraFiles() noexcept {}

private:
    QString ProgressCaption() const override;
    void OpenOutput() final;
    void CheckOutput() final;
    void CommitOutput() final;
    void DiscardOutput() noexcept final;

    QString fileName_;
    QString defaultExt_;
    std::unique_ptr<OutputFile> output_;
};

// Runs the given print filter, or the default print filter when none is given.
TRLCustomFilter::RunResult FilterPages(TRLGraphicStorage* pages, TRLCustomPrintFilter* filter, int fromPage,
                                       int toPage, bool background = false);

// The first registered save filter (in order of creation) whose default
// extension matches the file name's extension, letter case aside; null when
// none does. The extension is taken from the file name alone, so a folder
// named "rel.2024" gives none; ".html" and ".htm" are one extension. A name
// without extension finds only a filter whose default extension is empty.
TRLCustomSaveFilter* SaveFilterByFileName(const QString& fileName);

// A leading "." added to a non-empty extension that lacks one; empty stays empty.
QString NormalizedExtension(const QString& extension);
// The extension of the file name's last component with its dot; empty when none.
QString FileNameExtension(const QString& fileName);

} // namespace rl
