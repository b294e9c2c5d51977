#include "pagestore/graphic_storage.h"
#include "platform/error.h"
#include "platform/messages.h"
#include "platform/progress_presenter.h"
#include "print/custom_filter.h"
#include "support/test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace rl;

namespace {

// Pages whose first text is "1", "2", ... The store has an owner, as a store
// without one destroys itself when the filter unlinks.
TRLGraphicStorage* storeOf(QObject& owner, int pageCount) {
    auto* store = new TRLGraphicStorage(&owner);
    for (int i = 1; i <= pageCount; ++i) {
        auto page = std::make_unique<TRLGraphicSurface>();
        page->Width = 100;
        page->Height = 50;
        page->TextRect({0, 0, 100, 10}, 0, 0, std::to_string(i), haLeft, vaTop, 5);
        store->Add(std::move(page));
    }
    return store;
}

std::string pageText(const TRLGraphicSurface& page) {
    return static_cast<const TRLTextObject&>(*page.Objects(0)).Text;
}

// Writes what it is asked to do as "B D1 N D2 E", and can throw at one step
// ("B", "D2", ...).
template <class Base> class Recording : public Base {
public:
    explicit Recording(int options = 0) {
        this->SetClassOptions(options);
        this->SetShowProgress(false);
    }
    std::string log;
    std::string throwAt;
    QThread* drawThread = nullptr;

protected:
    void step(const std::string& what) {
        log += (log.empty() ? "" : " ") + what;
        if (what == throwAt) throw Error("falhou em " + what);
    }
    void BeginDoc() override { step("B"); }
    void EndDoc() override { step("E"); }
    void NewPage() override { step("N"); }
    void DrawPage(const TRLGraphicSurface& page) override {
        drawThread = QThread::currentThread();
        step("D" + pageText(page));
    }
};
using RecordingPrintFilter = Recording<TRLCustomPrintFilter>;

// Records the progress calls and the thread each is made on; asks to cancel at
// step cancelAt (1-based, 0 never).
class RecordingProgress : public ProgressPresenter {
public:
    std::vector<std::string> calls;
    std::vector<QThread*> threads;
    int cancelAt = 0;

    std::unique_ptr<ProgressDisplay> begin(const QString& caption, std::function<void()> onCancel) override {
        record("begin " + caption.toStdString());
        return std::make_unique<Display>(*this, std::move(onCancel));
    }
    void record(const std::string& call) {
        calls.push_back(call);
        threads.push_back(QThread::currentThread());
    }

private:
    struct Display : ProgressDisplay {
        Display(RecordingProgress& owner, std::function<void()> cancel)
            : owner(owner), cancel(std::move(cancel)) {}
        ~Display() override { owner.record("end"); }
        void SetMaximum(int maximum) override { owner.record("max " + std::to_string(maximum)); }
        void Step(const QString&) override {
            owner.record("step");
            if (++steps == owner.cancelAt) cancel();
        }
        RecordingProgress& owner;
        std::function<void()> cancel;
        int steps = 0;
    };
};

struct RunCase {
    const char* name;
    int from, to, printerCopies, options;
    std::string expected;
};

class FilterRun : public testing::TestWithParam<RunCase> {};

TEST_P(FilterRun, WalksTheClampedRangeOncePerCopy) {
    const RunCase& c = GetParam();
    TRLCustomFilter::SetPrinterCopiesSource([&] { return c.printerCopies; });
    QObject owner;
    auto* store = storeOf(owner, 3);
    RecordingPrintFilter filter(c.options);
    EXPECT_EQ(filter.Run(store, c.from, c.to), TRLCustomFilter::RunResult::Completed);
    TRLCustomFilter::SetPrinterCopiesSource(nullptr);
    EXPECT_EQ(filter.log, c.expected);
    EXPECT_EQ(filter.Pages(), nullptr);
    EXPECT_EQ(store->UserCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Ranges, FilterRun,
                         testing::Values(RunCase{"FromZeroStartsAtOne", 0, 2, 1, 0, "B D1 N D2 E"},
                                         RunCase{"ToMinusOneIsTheLastPage", 2, -1, 1, 0, "B D2 N D3 E"},
                                         RunCase{"ToBeyondTheCountIsCut", 3, 9, 1, 0, "B D3 E"},
                                         RunCase{"FromAfterToRunsBeginAndEndOnly", 3, 2, 1, 0, "B E"},
                                         RunCase{"OwnCopiesRepeatTheRange", 1, 3, 2,
                                                 TRLCustomFilter::kOwnCopies,
                                                 "B D1 N D2 N D3 N D1 N D2 N D3 E"},
                                         RunCase{"CopiesOfOthersAreOnePass", 1, 2, 2, 0, "B D1 N D2 E"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FilterRun, CancelDuringSecondPageStopsAfterItWithOneEndDocument) {
    TRLCustomFilter::SetPrinterCopiesSource([] { return 2; });
    RecordingProgress progress;
    progress.cancelAt = 2;
    ScopedProgressPresenter scoped(progress);
    QObject owner;
    auto* store = storeOf(owner, 3);
    RecordingPrintFilter filter(TRLCustomFilter::kOwnCopies);
    filter.SetShowProgress(true);
    EXPECT_EQ(filter.Run(store, 1, 3), TRLCustomFilter::RunResult::Cancelled);
    TRLCustomFilter::SetPrinterCopiesSource(nullptr);
    EXPECT_EQ(filter.log, "B D1 N D2 E");
    EXPECT_EQ(progress.calls,
              (std::vector<std::string>{"begin " + Messages::text(Messages::Id::PrintingReport).toStdString(),
                                        "max 6", "step", "step", "end"}));
    // The flag is cleared by the next run.
    EXPECT_EQ(filter.Run(store, 1, 1), TRLCustomFilter::RunResult::Completed);
}

TEST(FilterRun, ErrorsReachTheCallerAfterEndDocumentUnlessBeginFailed) {
    for (const auto& [throwAt, expected] : std::vector<std::pair<std::string, std::string>>{
             {"B", "B"}, {"D2", "B D1 N D2 E"}, {"E", "B D1 N D2 N D3 E"}}) {
        SCOPED_TRACE(throwAt);
        RecordingProgress progress;
        ScopedProgressPresenter scoped(progress);
        QObject owner;
        auto* store = storeOf(owner, 3);
        RecordingPrintFilter filter;
        filter.SetShowProgress(true);
        filter.throwAt = throwAt;
        QSignalSpy finished(&filter, &TRLCustomFilter::RunFinished);
        EXPECT_THROW(filter.Run(store, 1, -1), Error);
        EXPECT_EQ(filter.log, expected);
        EXPECT_EQ(progress.calls.back(), "end");
        EXPECT_EQ(store->UserCount(), 0);
        ASSERT_EQ(finished.size(), 1);
        EXPECT_EQ(finished[0][0].value<TRLCustomFilter::RunResult>(), TRLCustomFilter::RunResult::Failed);
        EXPECT_EQ(finished[0][1].toString(), QString::fromStdString("falhou em " + throwAt));
    }
}

TEST(FilterRun, UnreadablePageIsAnErrorWithoutABlankPageBeforeIt) {
    QObject owner;
    auto* store = storeOf(owner, 7); // pages 1 and 2 are no longer in memory
    QFile spill(store->SpillFileName());
    ASSERT_TRUE(spill.open(QIODevice::ReadWrite));
    spill.seek(store->PageOffsets()[1]);
    spill.write("\xff\xff\xff\xff", 4); // a negative record size
    spill.close();
    RecordingPrintFilter filter;
    try {
        filter.Run(store, 1, 3);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("página 2"), std::string::npos) << error.what();
    }
    EXPECT_EQ(filter.log, "B D1 E");
}

TEST(FilterRun, CheckPageRangeRefusesEmptyRanges) {
    QObject owner;
    auto* store = storeOf(owner, 5);
    EXPECT_NO_THROW(TRLCustomFilter::CheckPageRange(*store, 0, -1));
    EXPECT_NO_THROW(TRLCustomFilter::CheckPageRange(*store, 5, 99));
    EXPECT_THROW(TRLCustomFilter::CheckPageRange(*store, 3, 2), Error);
    EXPECT_THROW(TRLCustomFilter::CheckPageRange(*store, 7, 9), Error);
    EXPECT_THROW(TRLCustomFilter::CheckPageRange(*storeOf(owner, 0), 1, -1), Error);
}

TEST(FilterRun, BackgroundRunShowsProgressOnTheGuiThread) {
    RecordingProgress progress;
    ScopedProgressPresenter scoped(progress);
    QObject owner;
    auto* store = storeOf(owner, 3);
    RecordingPrintFilter filter;
    filter.SetShowProgress(true);
    QSignalSpy finished(&filter, &TRLCustomFilter::RunFinished);
    EXPECT_EQ(filter.Run(store, 1, -1, true), TRLCustomFilter::RunResult::InBackground);
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(finished[0][0].value<TRLCustomFilter::RunResult>(), TRLCustomFilter::RunResult::Completed);
    EXPECT_EQ(filter.log, "B D1 N D2 N D3 E");
    EXPECT_NE(filter.drawThread, QThread::currentThread());
    EXPECT_EQ(progress.calls.size(), 6u);
    for (QThread* thread : progress.threads)
        EXPECT_EQ(thread, QCoreApplication::instance()->thread());
    QCoreApplication::processEvents(); // let the store unlink arrive
    EXPECT_EQ(store->UserCount(), 0);
}

TEST(FilterPages, WithoutAFilterUsesTheDefaultPrintFilter) {
    QObject owner;
    auto* store = storeOf(owner, 1);
    try {
        FilterPages(store, nullptr, 1, -1);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("impressão"), std::string::npos) << error.what();
    }
    RecordingPrintFilter given;
    FilterPages(store, &given, 1, -1);
    EXPECT_EQ(given.log, "B D1 E");
}

// ---------------------------------------------------------------- save filters

class RecordingSaveFilter : public Recording<TRLCustomSaveFilter> {
public:
    explicit RecordingSaveFilter(const QString& extension) { SetDefaultExt(extension); }
    bool extrasDiscarded = false;

protected:
    void DrawPage(const TRLGraphicSurface& page) override {
        Recording::DrawPage(page);
        Output().write(QByteArray::fromStdString(pageText(page)));
    }
    void DiscardExtraFiles() noexcept override { extrasDiscarded = true; }
};

TEST(SaveFilterByFileName, TakesTheFirstFilterOfTheFileNamesExtension) {
    RecordingSaveFilter rtf(".rtf"), pdf("pdf"), htm(".htm"), none(""), secondRtf(".RTF");
    RecordingPrintFilter printer;
    const std::vector<std::pair<QString, TRLCustomSaveFilter*>> cases = {{"out/Report.RTF", &rtf},
                                                                         {"a.rtf", &rtf},
                                                                         {"a.PDF", &pdf},
                                                                         {"a.html", &htm},
                                                                         {"a.htm", &htm},
                                                                         {"a.doc", nullptr},
                                                                         {"relatorio", &none},
                                                                         {"rel.2024/relatorio", &none},
                                                                         {"", &none},
                                                                         {"a.b/c.pdf", &pdf}};
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(SaveFilterByFileName(name), expected) << name.toStdString();
}

TEST(SaveFilterByFileName, NoFilterOfEmptyExtensionFindsNothingForABareName) {
    RecordingSaveFilter rtf(".rtf");
    EXPECT_EQ(SaveFilterByFileName("relatorio"), nullptr);
}

struct SaveCase {
    const char* name;
    std::string throwAt;
    int cancelAt;
    bool written;
};

class SaveOutput : public testing::TestWithParam<SaveCase> {};

TEST_P(SaveOutput, IsInPlaceOnlyAfterACompletedRun) {
    const SaveCase& c = GetParam();
    RecordingProgress progress;
    progress.cancelAt = c.cancelAt;
    ScopedProgressPresenter scoped(progress);
    const QString path = QDir::current().filePath(QString("%1.txt").arg(c.name));
    test::writeFile(path, "old");
    QObject owner;
    auto* store = storeOf(owner, 3);
    RecordingSaveFilter filter(".txt");
    filter.SetShowProgress(true);
    filter.SetFileName(path);
    filter.throwAt = c.throwAt;
    TRLCustomFilter::RunResult result = TRLCustomFilter::RunResult::Failed;
    try {
        result = filter.Run(store, 1, -1);
    } catch (const Error&) {
    }
    EXPECT_EQ(progress.calls.front(), "begin " + Messages::text(Messages::Id::SavingReport).toStdString());
    EXPECT_EQ(result, c.written    ? TRLCustomFilter::RunResult::Completed
                      : c.cancelAt ? TRLCustomFilter::RunResult::Cancelled
                                   : TRLCustomFilter::RunResult::Failed);
    EXPECT_EQ(test::readFile(path), c.written ? QByteArray("123") : QByteArray("old"));
    EXPECT_EQ(filter.extrasDiscarded, !c.written);
    EXPECT_EQ(QDir::current().entryList(QDir::Files), QStringList{QString("%1.txt").arg(c.name)});
    QFile::remove(path);
}

INSTANTIATE_TEST_SUITE_P(Outcomes, SaveOutput,
                         testing::Values(SaveCase{"Completed", "", 0, true},
                                         SaveCase{"FailedInBegin", "B", 0, false},
                                         SaveCase{"FailedInPage", "D2", 0, false},
                                         SaveCase{"FailedInEnd", "E", 0, false},
                                         SaveCase{"Cancelled", "", 1, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A file size limit stands in for a disk that fills up during the run.
TEST(SaveOutput, AFullDiskIsAnErrorAndLeavesNoFile) {
    class BigPages : public RecordingSaveFilter {
    public:
        BigPages() : RecordingSaveFilter(".txt") {}

    protected:
        void DrawPage(const TRLGraphicSurface&) override { Output().write(QByteArray(64 * 1024, 'x')); }
    };
    QObject owner;
    auto* store = storeOf(owner, 3);
    const QString path = QDir::current().filePath("full.txt");
    BigPages filter;
    filter.SetFileName(path);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = 100 * 1024;
    setrlimit(RLIMIT_FSIZE, &limited);
    std::string message;
    try {
        filter.Run(store, 1, -1);
    } catch (const Error& error) {
        message = error.what();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_NE(message.find("Não foi possível gravar o arquivo \"" + path.toStdString() + "\": "),
              std::string::npos)
        << message;
    EXPECT_TRUE(QDir::current().entryList(QDir::Files).isEmpty());
}

TEST(SaveOutput, RefusesTheInputReportAndUnwritablePlaces) {
    const QString input = QDir::current().filePath("input.txt");
    test::writeFile(input, "report");
    const QString link = QDir::current().filePath("link.txt");
    QFile::link(input, link);
    TRLCustomSaveFilter::SetProtectedInputFile(input);
    QObject owner;
    auto* store = storeOf(owner, 1);
    RecordingSaveFilter filter(".txt");
    for (const QString& target : {input, link, QString(), store->SpillFileName(),
                                  QDir::current().filePath("missing/out.txt"), QDir::currentPath()}) {
        SCOPED_TRACE(target.toStdString());
        filter.SetFileName(target);
        filter.log.clear();
        EXPECT_THROW(filter.Run(store, 1, -1), Error);
        EXPECT_EQ(filter.log, "");
    }
    TRLCustomSaveFilter::SetProtectedInputFile({});
    EXPECT_EQ(test::readFile(input), "report");
    QFile::remove(link);
    QFile::remove(input);
}

} // namespace
