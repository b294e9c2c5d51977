#include "print/custom_filter.h"

#include "pagestore/graphic_storage.h"
#include "pagestore/graphic_surface.h"
#include "platform/error.h"
#include "platform/messages.h"
#include "platform/output_file.h"
#include "platform/progress_presenter.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <exception>

namespace rl {

namespace {

[[noreturn]] void fail(const QString& message) {
    throw Error(message.toStdString());
}

// The progress display and the store belong to the GUI thread. A background
// run calls them through a synchronous call on that thread; an exception
// thrown there comes back to the caller on the worker thread.
void onMainThread(const std::function<void()>& call) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        call();
        return;
    }
    std::exception_ptr error;
    QMetaObject::invokeMethod(
        app,
        [&] {
            try {
                call();
            } catch (...) {
                error = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (error) std::rethrow_exception(error);
}

// Never freed: filters that outlive main (the default print filter when there
// is no application object) still find it when they are destroyed.
std::vector<TRLCustomFilter*>& registryList() {
    static auto* list = new std::vector<TRLCustomFilter*>;
    return *list;
}

std::function<int()>& printerCopiesSource() {
    static std::function<int()> source;
    return source;
}

} // namespace

// ---------------------------------------------------------------- TRLCustomFilter

TRLCustomFilter::TRLCustomFilter(QObject* owner) : QObject(owner) {
    registryList().push_back(this);
}

TRLCustomFilter::~TRLCustomFilter() {
    auto& list = registryList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (pages_) pages_->Unlink(this);
}

const std::vector<TRLCustomFilter*>& TRLCustomFilter::Registry() {
    return registryList();
}

QString TRLCustomFilter::GetDisplayName() const {
    return displayName_.isEmpty() ? objectName() : displayName_;
}

void TRLCustomFilter::SetPrinterCopiesSource(std::function<int()> source) {
    printerCopiesSource() = std::move(source);
}

int TRLCustomFilter::PrinterCopies() {
    const auto& source = printerCopiesSource();
    return source ? source() : 1;
}

void TRLCustomFilter::CheckPageRange(const TRLGraphicStorage& pages, int fromPage, int toPage) {
    const int count = pages.PageCount();
    const int from = std::max(1, fromPage);
    const int to = toPage == -1 ? count : std::min(toPage, count);
    if (from <= to) return;
    if (count == 0) fail(QStringLiteral("O relatório não tem nenhuma página."));
    fail(QStringLiteral("O intervalo de páginas de %1 até %2 não contém nenhuma página do relatório, "
                        "que tem %3 página(s).")
             .arg(fromPage)
             .arg(toPage)
             .arg(count));
}

TRLCustomFilter::RunResult TRLCustomFilter::Run(TRLGraphicStorage* pages, int fromPage, int toPage,
                                                bool background) {
    if (!pages) fail(QStringLiteral("Não há relatório para processar."));
    canceled_ = false;
    fromPage_ = std::max(1, fromPage);
    toPage_ = toPage == -1 ? pages->PageCount() : std::min(toPage, pages->PageCount());
    physicalCopies_ = (classOptions_ & kOwnCopies) ? std::max(1, PrinterCopies()) : 1;
    if (pages_ != pages) {
        DetachStore();
        pages_ = pages;
        pages->Link(this);
    }
    if (!background) return RunLoop();

    // The thread ends with the loop and frees itself; a failure is told by
    // RunFinished only, as the caller has long returned.
    QThread* worker = QThread::create([this] {
        try {
            RunLoop();
        } catch (...) {
        }
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
    return RunResult::InBackground;
}

TRLCustomFilter::RunResult TRLCustomFilter::RunLoop() {
    std::unique_ptr<ProgressDisplay> progress;
    std::exception_ptr failure;
    bool stopped = false;
    try {
        if (showProgress_) {
            const int steps = std::max(0, toPage_ - fromPage_ + 1) * physicalCopies_;
            onMainThread([&] {
                progress = ProgressPresenter::current().begin(ProgressCaption(), [this] { Cancel(); });
                if (progress) progress->SetMaximum(steps);
            });
        }
        OpenOutput();
        BeginDoc();
        try {
            DrawRange(progress);
        } catch (...) {
            failure = std::current_exception();
        }
        // The document is closed even after a failed page, so a printer job
        // or a writer is never left open; the first error is the one reported.
        try {
            EndDoc();
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
        stopped = canceled_;
        if (!failure && !stopped) CommitOutput();
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    if (failure || stopped) DiscardOutput();
    if (progress) {
        try {
            onMainThread([&] { progress.reset(); });
        } catch (...) {
        }
    }
    DetachStore();

    QString message;
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& error) {
            message = QString::fromUtf8(error.what());
        } catch (...) {
            message = QStringLiteral("Erro desconhecido.");
        }
    }
    const RunResult result = failure   ? RunResult::Failed
                             : stopped ? RunResult::Cancelled
                                       : RunResult::Completed;
    emit RunFinished(result, message);
    if (failure) std::rethrow_exception(failure);
    return result;
}

void TRLCustomFilter::DrawRange(std::unique_ptr<ProgressDisplay>& progress) {
    bool drawn = false;
    for (int copy = 0; copy < physicalCopies_; ++copy) {
        for (int i = fromPage_; i <= toPage_; ++i) {
            // Fetched before new-page, so an unreadable page never leaves a
            // blank page behind it.
            TRLGraphicSurface* page = pages_ ? pages_->Pages(i - 1) : nullptr;
            if (!page) fail(QStringLiteral("Não foi possível ler a página %1 do relatório.").arg(i));
            if (drawn) NewPage();
            DrawPage(*page);
            drawn = true;
            CheckOutput();
            if (progress) onMainThread([&] { progress->Step(); });
            // An application shutting down stops the run as a cancel does.
            if (QCoreApplication::closingDown()) canceled_ = true;
            if (canceled_) return;
        }
    }
}

void TRLCustomFilter::DetachStore() {
    TRLGraphicStorage* store = pages_;
    pages_ = nullptr;
    if (!store) return;
    try {
        onMainThread([&] { store->Unlink(this); });
    } catch (...) {
    }
}

// ---------------------------------------------------------------- TRLCustomPrintFilter

namespace {

// Stands in for the printer filter until printing exists.
class UnavailablePrintFilter final : public TRLCustomPrintFilter {
public:
    // Nameless, like every default print filter, so the print dialog does not offer it.
    UnavailablePrintFilter() = default;

protected:
    void BeginDoc() override {
        fail(QStringLiteral("A impressão ainda não está disponível nesta versão do programa."));
    }
    void EndDoc() override {}
    void NewPage() override {}
    void DrawPage(const TRLGraphicSurface&) override {}
};

std::function<std::unique_ptr<TRLCustomPrintFilter>()>& defaultFilterFactory() {
    static std::function<std::unique_ptr<TRLCustomPrintFilter>()> factory;
    return factory;
}

std::unique_ptr<TRLCustomPrintFilter>& defaultFilter() {
    static std::unique_ptr<TRLCustomPrintFilter> filter;
    return filter;
}

void destroyDefaultFilter() {
    defaultFilter().reset();
}

} // namespace

TRLCustomPrintFilter::TRLCustomPrintFilter(QObject* owner) : TRLCustomFilter(owner) {}

QString TRLCustomPrintFilter::ProgressCaption() const {
    return Messages::text(Messages::Id::PrintingReport);
}

TRLCustomPrintFilter& TRLCustomPrintFilter::DefaultPrintFilter() {
    auto& filter = defaultFilter();
    if (!filter) {
        const auto& factory = defaultFilterFactory();
        filter = factory ? factory() : nullptr;
        if (!filter) filter = std::make_unique<UnavailablePrintFilter>();
        // Gone with the application object, while Qt is still whole.
        if (QCoreApplication::instance()) qAddPostRoutine(destroyDefaultFilter);
    }
    return *filter;
}

void TRLCustomPrintFilter::SetDefaultPrintFilterFactory(
    std::function<std::unique_ptr<TRLCustomPrintFilter>()> factory) {
    defaultFilterFactory() = std::move(factory);
    if (QCoreApplication::instance()) qRemovePostRoutine(destroyDefaultFilter);
    defaultFilter().reset();
}

// ---------------------------------------------------------------- TRLCustomSaveFilter

TRLCustomSaveFilter::TRLCustomSaveFilter(QObject* owner) : TRLCustomFilter(owner) {}

TRLCustomSaveFilter::~TRLCustomSaveFilter() = default;

void TRLCustomSaveFilter::SetProtectedInputFile(const QString& path) {
    OutputFile::ProtectFile(path);
}

QString TRLCustomSaveFilter::ProtectedInputFile() {
    return OutputFile::ProtectedFile();
}

QString TRLCustomSaveFilter::ProgressCaption() const {
    return Messages::text(Messages::Id::SavingReport);
}

QIODevice& TRLCustomSaveFilter::Output() {
    if (!output_) fail(QStringLiteral("O arquivo de saída não está aberto."));
    return output_->device();
}

void TRLCustomSaveFilter::OpenOutput() {
    if (fileName_.isEmpty())
        fail(QStringLiteral("Nenhum nome de arquivo foi informado para salvar o relatório."));
    if (Pages() && OutputFile::SameFile(fileName_, Pages()->SpillFileName()))
        throw OutputFileError(OutputFile::OwnReportText(fileName_).toStdString());
    // Written beside the target and put in its place only at commit; a device
    // or FIFO is never a save filter's target.
    output_ = std::make_unique<OutputFile>(fileName_);
}

void TRLCustomSaveFilter::CheckOutput() {
    // Flushed page by page, so a full disk stops the run at the page it
    // happened on rather than after the whole report.
    if (output_) output_->check();
}

void TRLCustomSaveFilter::CommitOutput() {
    if (!output_) return;
    const std::unique_ptr<OutputFile> output = std::move(output_);
    output->commit();
}

void TRLCustomSaveFilter::DiscardOutput() noexcept {
    output_.reset(); // drops what was written
    DiscardExtraFiles();
}

// ---------------------------------------------------------------- free functions

TRLCustomFilter::RunResult FilterPages(TRLGraphicStorage* pages, TRLCustomPrintFilter* filter, int fromPage,
                                       int toPage, bool background) {
    TRLCustomPrintFilter& chosen = filter ? *filter : TRLCustomPrintFilter::DefaultPrintFilter();
    return chosen.Run(pages, fromPage, toPage, background);
}

QString NormalizedExtension(const QString& extension) {
    if (extension.isEmpty() || extension.startsWith(u'.')) return extension;
    return u'.' + extension;
}

QString FileNameExtension(const QString& fileName) {
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot);
}

namespace {

// Extensions that name one format; the value is the spelling filters use.
QString extensionKey(const QString& extension) {
    static const std::pair<const char*, const char*> aliases[] = {{".html", ".htm"}};
    QString key = NormalizedExtension(extension).toLower();
    for (const auto& [alias, canonical] : aliases)
        if (key == QLatin1String(alias)) key = QLatin1String(canonical);
    return key;
}

} // namespace

TRLCustomSaveFilter* SaveFilterByFileName(const QString& fileName) {
    const QString wanted = extensionKey(FileNameExtension(fileName));
    for (TRLCustomFilter* filter : TRLCustomFilter::Registry()) {
        auto* saveFilter = qobject_cast<TRLCustomSaveFilter*>(filter);
        if (saveFilter && extensionKey(saveFilter->DefaultExt()) == wanted) return saveFilter;
    }
    return nullptr;
}

} // namespace rl
