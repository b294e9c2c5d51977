// A print from the window, on a private CUPS scheduler, while the user keeps
// using the window: turning the page, cancelling, closing.
#include "main_window_fixture.h"

#include "platform/progress_presenter.h"
#include "print/printer_wrapper.h"
#include "print/spool_filter.h"
#include "support/cups_scheduler.h"

#include <QFileInfo>
#include <QTimer>
#include <QToolButton>

#include <cups/cups.h>

#include <functional>

namespace rl::test {
namespace {

const QString kQueue = QStringLiteral("PaginaPDF");

// Calls onStep after every page the run draws, with the run's cancel action.
class SteppingProgress : public ProgressPresenter {
public:
    std::function<void(int page, const std::function<void()>& cancel)> onStep;

    std::unique_ptr<ProgressDisplay> begin(const QString&, std::function<void()> onCancel) override {
        return std::make_unique<Display>(*this, std::move(onCancel));
    }

private:
    struct Display : ProgressDisplay {
        Display(SteppingProgress& owner, std::function<void()> cancel)
            : owner(owner), cancel(std::move(cancel)) {}
        void SetMaximum(int) override {}
        void Step(const QString&) override {
            if (owner.onStep) owner.onStep(++page, cancel);
        }
        SteppingProgress& owner;
        std::function<void()> cancel;
        int page = 0;
    };
};

class PrintRunInterop : public MainWindowFixture {
protected:
    static void SetUpTestSuite() { s_scheduler = CupsScheduler::startWithDefaultPdfQueue(kQueue, &s_skip); }
    static void TearDownTestSuite() {
        s_scheduler.reset();
        TRLPrinterWrapper::resetInstance();
    }
    void SetUp() override {
        MainWindowFixture::SetUp();
        if (!s_skip.isEmpty()) GTEST_SKIP() << s_skip.toStdString();
        TRLPrinterWrapper::resetInstance();
        InstallSpoolFilterAsDefault();
        report = writeReport(QStringLiteral("report.txt"), 4);
        start({report, QStringLiteral("80")});
        jobsBefore = jobs();
        dialogs.dialogAnswers.push_back([](QWidget*) { return true; }); // the print dialog: "OK"
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        TRLCustomPrintFilter::SetDefaultPrintFilterFactory({});
    }

    // Jobs the scheduler has taken on the queue since the test began.
    int jobs() {
        EXPECT_TRUE(s_scheduler->waitUntilIdle()) << s_scheduler->errorLog().toStdString();
        cups_job_t* list = nullptr;
        const int count =
            cupsGetJobs2(CUPS_HTTP_DEFAULT, &list, kQueue.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
        cupsFreeJobs(count, list);
        return count - jobsBefore;
    }

    static inline std::unique_ptr<CupsScheduler> s_scheduler;
    static inline QString s_skip;
    QString report;
    int jobsBefore = 0;
    SteppingProgress progress;
    ScopedProgressPresenter progressInstalled{progress};
};

TEST_F(PrintRunInterop, TheLayoutCannotChangeWhileItPrintsAndOneJobIsSent) {
    std::vector<bool> enabledDuring;
    progress.onStep = [&](int page, const std::function<void()>&) {
        if (page != 1) return;
        for (QAction* command : {window->Paisagem1, window->SalvarComo1, window->Configuracoes1})
            enabledDuring.push_back(command->isEnabled());
        enabledDuring.push_back(window->butprint->isEnabled());
        window->Paisagem1->trigger();
        session->SetOrientation(poLandscape); // and not even from elsewhere
        window->butprintClick();              // nor a second run
    };
    window->butprint->click();
    EXPECT_EQ(enabledDuring, std::vector<bool>(4, false));
    EXPECT_EQ(composer->RLReport1->PageSetup.Orientation(), poPortrait);
    EXPECT_EQ(jobs(), 1);
    EXPECT_TRUE(messages.requests.empty()) << messages.requests[0].text.toStdString();
    // Everything is back as it was.
    EXPECT_TRUE(window->Paisagem1->isEnabled());
    EXPECT_TRUE(window->butprint->isEnabled());
    window->Paisagem1->trigger();
    EXPECT_EQ(composer->RLReport1->PageSetup.Orientation(), poLandscape);
}

TEST_F(PrintRunInterop, CancelSendsNothingAndSaysSo) {
    progress.onStep = [](int page, const std::function<void()>& cancel) {
        if (page == 2) cancel();
    };
    window->butprint->click();
    EXPECT_EQ(jobs(), 0);
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].text, QStringLiteral("Impressão cancelada: nada foi impresso."));
}

TEST_F(PrintRunInterop, ClosingDuringAPrintCancelsItWaitsAndEnds) {
    QApplication::setQuitOnLastWindowClosed(true);
    progress.onStep = [this](int page, const std::function<void()>&) {
        if (page != 1) return;
        window->close();
        EXPECT_TRUE(window->isVisible()) << "the window waits for the run to end";
    };
    QTimer::singleShot(0, window->butprint, &QToolButton::click);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(60000);
    const int status = QApplication::exec();
    QApplication::setQuitOnLastWindowClosed(false);
    EXPECT_EQ(status, 0) << "the event loop ends with the window";
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(QFileInfo::exists(report));
    EXPECT_EQ(jobs(), 0);
    EXPECT_TRUE(messages.requests.empty());
}

} // namespace
} // namespace rl::test
