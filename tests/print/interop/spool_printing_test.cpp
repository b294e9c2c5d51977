// Reports printed through a private CUPS scheduler to its PDF queue, read
// back by poppler: pages, sheet, text and where the text lands.
#include "pagestore/graphic_storage.h"
#include "pagestore/graphic_surface.h"
#include "platform/dialog_presenter.h"
#include "platform/recording_presenter.h"
#include "print/print_command.h"
#include "print/printer_wrapper.h"
#include "print/spool_filter.h"
#include "support/cups_scheduler.h"
#include "support/test_support.h"

#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cups/cups.h>

using namespace rl;
using rl::test::CupsScheduler;

namespace {

const QString kQueue = QStringLiteral("PaginaPDF");

QString run(const QString& program, const QStringList& arguments, int* exitCode = nullptr) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
    }
    if (exitCode) *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The page in its own painting, as the preview shows it at 100 %: the ink's
// bounding box in page units.
QRect inkOnPage(const TRLGraphicSurface& page) {
    QImage image(page.Width, page.Height, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        page.PaintTo(painter, image.rect());
    }
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) ink |= QRect(x, y, 1, 1);
    return ink;
}

class SpoolPrinting : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (const QString why = CupsScheduler::unavailableReason(); !why.isEmpty()) {
            s_skip = why;
            return;
        }
        s_scheduler = new CupsScheduler;
        if (!s_scheduler->start() || !s_scheduler->addPdfQueue(kQueue) || !s_scheduler->setDefault(kQueue))
            s_skip = "scheduler: " + s_scheduler->error();
    }
    static void TearDownTestSuite() {
        delete s_scheduler;
        s_scheduler = nullptr;
        TRLPrinterWrapper::resetInstance();
    }
    void SetUp() override {
        if (!s_skip.isEmpty()) GTEST_SKIP() << s_skip.toStdString();
        TRLPrinterWrapper::resetInstance();
        InstallSpoolFilterAsDefault();
        TRLCustomPrintFilter::DefaultPrintFilter().SetShowProgress(false);
        QFile::remove(s_scheduler->outputPath(kQueue));
    }
    void TearDown() override { TRLCustomPrintFilter::SetDefaultPrintFilterFactory({}); }

    // A store whose pages hold "Linha N da pagina P" lines; orientation 1 or 2 per page.
    void addPage(int orientation, double widthMm, double heightMm, const std::vector<std::string>& lines,
                 PagePoint at = {48, 48}) {
        auto page = std::make_unique<TRLGraphicSurface>();
        page->SetOrientation(orientation);
        page->SetPaperWidth(widthMm);
        page->SetPaperHeight(heightMm);
        const double across = orientation == 2 ? heightMm : widthMm;
        const double down = orientation == 2 ? widthMm : heightMm;
        page->Width = std::int32_t(std::lround(across * 96 / 25.4));
        page->Height = std::int32_t(std::lround(down * 96 / 25.4));
        page->Open();
        page->DrawFont.Size = 10;
        int y = at.y;
        for (const std::string& line : lines) {
            page->TextRect({at.x, y, page->Width - 48, y + 16}, at.x, y, line, haLeft, vaTop, toKeepWhole);
            y += 16;
        }
        if (store->PageCount() == 0) {
            store->SetOrientation(orientation);
            store->SetPaperWidth(widthMm);
            store->SetPaperHeight(heightMm);
        }
        store->Add(std::move(page));
        store->SetFirstPageNumber(1);
        store->SetLastPageNumber(store->PageCount());
    }

    // The PDF that reached the queue's device (the last job's).
    QString printedPdf() {
        EXPECT_TRUE(s_scheduler->waitUntilIdle()) << s_scheduler->error().toStdString();
        const QString path = s_scheduler->outputPath(kQueue);
        EXPECT_TRUE(QFile::exists(path)) << s_scheduler->errorLog().toStdString();
        return path;
    }

    // The "copies" the scheduler holds for the queue's latest job.
    static int lastJobCopies() {
        cups_job_t* jobs = nullptr;
        const int count =
            cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, kQueue.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
        int id = 0;
        for (int i = 0; i < count; ++i)
            id = std::max(id, jobs[i].id);
        cupsFreeJobs(count, jobs);
        ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
        const QByteArray uri = "ipp://localhost/jobs/" + QByteArray::number(id);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
        ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
        ipp_attribute_t* copies = ippFindAttribute(response, "copies", IPP_TAG_INTEGER);
        const int value = copies ? ippGetInteger(copies, 0) : 1;
        ippDelete(response);
        return value;
    }

    int completedJobs() {
        const QString out = run("lpstat", {"-h", s_scheduler->server(), "-W", "completed", "-o", kQueue});
        return int(out.split('\n', Qt::SkipEmptyParts).size());
    }

    static inline CupsScheduler* s_scheduler = nullptr;
    static inline QString s_skip;
    QObject owner;
    TRLGraphicStorage* store = new TRLGraphicStorage(&owner);
};

QString pdfinfo(const QString& path, const QString& field) {
    const QRegularExpression re("^" + field + ":\\s*(.*)$", QRegularExpression::MultilineOption);
    return re.match(run("pdfinfo", {path})).captured(1).trimmed();
}

TEST_F(SpoolPrinting, ThreePagesArriveWithTheirSheetAndTextInOrder) {
    for (int p = 1; p <= 3; ++p)
        addPage(1, 215.9, 279.4,
                {"Linha 1 da pagina " + std::to_string(p), "Linha 2 da pagina " + std::to_string(p)});
    const int before = completedJobs();
    const PrintOutcome outcome = PrintPagesOnQueue(*store, 1, -1, kQueue);
    ASSERT_EQ(outcome.kind, PrintOutcome::Printed) << outcome.message.toStdString();
    const QString pdf = printedPdf();
    EXPECT_EQ(pdfinfo(pdf, "Pages"), "3");
    EXPECT_TRUE(pdfinfo(pdf, "Page size").startsWith("612 x 792 pts"))
        << pdfinfo(pdf, "Page size").toStdString();
    const QString text = run("pdftotext", {"-layout", pdf, "-"}).simplified();
    EXPECT_EQ(text, "Linha 1 da pagina 1 Linha 2 da pagina 1 Linha 1 da pagina 2 Linha 2 da pagina 2 "
                    "Linha 1 da pagina 3 Linha 2 da pagina 3");
    EXPECT_EQ(completedJobs() - before, 1);
}

// The window's command: the dialog's copies reach the queue's driver.
TEST_F(SpoolPrinting, CopiesChosenInTheDialogReachTheQueue) {
    class Answer : public DialogPresenter {
    public:
        QString getOpenFileName(QWidget*, const QString&) override { return {}; }
        QString getSaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
        std::optional<QFont> getFont(QWidget*, const QFont&) override { return std::nullopt; }
        bool execDialog(QWidget* dialog) override {
            dialog->findChild<QLineEdit*>("EditCopies")->setText("2");
            return true;
        }
    } answer;
    ScopedDialogPresenter scoped(answer);
    RecordingPresenter messages;
    ScopedMessagePresenter scopedMessages(messages);
    addPage(1, 215.9, 279.4, {"Copia"});
    addPage(1, 215.9, 279.4, {"Copia"});
    EXPECT_EQ(RunPrintCommand(*store, 2, "80").kind, PrintOutcome::Printed);
    EXPECT_TRUE(messages.requests.empty());
    // The driver makes the copies: a PDF printer is left to do them itself.
    EXPECT_EQ(pdfinfo(printedPdf(), "Pages"), "2");
    EXPECT_EQ(lastJobCopies(), 2);
}

// Portrait pages, then a landscape one: two jobs, and the landscape page's
// text lands on the sheet where the page's own painting puts it. A4's
// unprintable strips differ on every side, so a margin undone on the wrong
// side would move the text by a quarter of an inch.
TEST_F(SpoolPrinting, LandscapePageIsASecondJobWithItsTextWhereThePreviewShowsIt) {
    addPage(1, 210, 297, {"Retrato um"});
    addPage(1, 210, 297, {"Retrato dois"});
    addPage(2, 210, 297, {"MARCA"}, {300, 200});
    const int before = completedJobs();
    const PrintOutcome outcome = PrintPagesOnQueue(*store, 1, -1, kQueue);
    ASSERT_EQ(outcome.kind, PrintOutcome::Printed) << outcome.message.toStdString();
    const QString pdf = printedPdf(); // the second job's
    EXPECT_EQ(completedJobs() - before, 2);
    EXPECT_EQ(pdfinfo(pdf, "Pages"), "1");
    // The printer takes A4 sheets portrait and turns a landscape page on them
    // (the queue's driver says landscape is +90 degrees: counter-clockwise).
    EXPECT_TRUE(pdfinfo(pdf, "Page size").startsWith("595 x 842 pts"))
        << pdfinfo(pdf, "Page size").toStdString();

    const QString bbox = run("pdftotext", {"-bbox", pdf, "-"});
    const QRegularExpression word(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">MARCA</word>)re");
    const auto match = word.match(bbox);
    ASSERT_TRUE(match.hasMatch()) << bbox.toStdString();
    const double xMin = match.captured(1).toDouble(), yMin = match.captured(2).toDouble();
    const double xMax = match.captured(3).toDouble(), yMax = match.captured(4).toDouble();
    EXPECT_GT(yMax - yMin, xMax - xMin); // the text runs up the sheet
    // Back on the landscape page, 842 points wide.
    const QRectF printed(QPointF(842 - yMax, xMin), QPointF(842 - yMin, xMax));
    // The page's own painting, page units being 96 per inch and points 72.
    const QRect ink = inkOnPage(*store->Pages(2));
    const QRectF preview(ink.x() * 0.75, ink.y() * 0.75, ink.width() * 0.75, ink.height() * 0.75);
    EXPECT_NEAR(printed.left(), preview.left(), 4.0);
    EXPECT_NEAR(printed.center().y(), preview.center().y(), 4.0);
    EXPECT_NEAR(printed.width(), preview.width(), 6.0);
}

// A page without a size is drawn at scale 1: page units are printer pixels,
// so a text at as many units as the printer's resolution sits an inch from
// the sheet's corner.
TEST_F(SpoolPrinting, PageWithoutASizeIsDrawnAtScaleOne) {
    addPage(1, 215.9, 279.4, {});
    TRLGraphicSurface* page = store->Pages(0);
    page->Width = 0;
    page->Height = 0;
    const int dpi = TRLPrinterWrapper::instance().GetMetrics().HorizontalResolution;
    ASSERT_GE(dpi, 300);
    page->DrawFont.Size = dpi / 10; // on the printer's canvas: about 10 points
    page->TextRect({dpi, dpi, 5 * dpi, 2 * dpi}, dpi, dpi, "ESCALA", haLeft, vaTop, toKeepWhole);
    const PrintOutcome outcome = PrintPagesOnQueue(*store, 1, -1, kQueue);
    ASSERT_EQ(outcome.kind, PrintOutcome::Printed) << outcome.message.toStdString();
    const QString bbox = run("pdftotext", {"-bbox", printedPdf(), "-"});
    const auto match =
        QRegularExpression(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>ESCALA<)re").match(bbox);
    ASSERT_TRUE(match.hasMatch()) << bbox.toStdString();
    EXPECT_NEAR(match.captured(1).toDouble(), 72, 4);
    EXPECT_NEAR(match.captured(2).toDouble(), 72, 4);
}

TEST_F(SpoolPrinting, AQueueThatRefusesJobsIsAFailureWithItsReason) {
    addPage(1, 215.9, 279.4, {"Recusada"});
    int exitCode = -1;
    run("cupsreject", {"-h", s_scheduler->server(), kQueue}, &exitCode);
    ASSERT_EQ(exitCode, 0);
    const PrintOutcome outcome = PrintPagesOnQueue(*store, 1, -1, QString());
    run("cupsaccept", {"-h", s_scheduler->server(), kQueue});
    EXPECT_EQ(outcome.kind, PrintOutcome::Failed);
    EXPECT_TRUE(outcome.message.startsWith("A impressora \"PaginaPDF\" recusou o trabalho"))
        << outcome.message.toStdString();
}

} // namespace
