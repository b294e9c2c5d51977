// The dot-matrix bytes meet the real world: a private CUPS scheduler's raw
// queue receives exactly what the filter writes, and a composed 132-column
// report comes back from the bytes line by line.

#include "composer/composer_fixture.h"
#include "pagestore/picture_data.h"
#include "platform/dialog_presenter.h"
#include "platform/messages.h"
#include "platform/error.h"
#include "platform/recording_presenter.h"
#include "print/draft_filter.h"
#include "print/draft_print.h"
#include "print/draft_test_support.h"
#include "print/print_command.h"
#include "print/printer_wrapper.h"
#include "print/spool_filter.h"
#include "support/cups_scheduler.h"

#include <QComboBox>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

namespace rl {
namespace {

using test::CupsScheduler;

// A report of two pages with styles, accents, a rule and a picture.
void buildReport(TRLGraphicStorage& store) {
    for (int n = 1; n <= 2; ++n) {
        TRLGraphicSurface& page = test::addPage(store);
        test::addText(page, 40, 40, "Relat\xf3rio de vendas - p\xe1gina " + std::to_string(n), fsBold);
        for (int row = 0; row < 20; ++row)
            test::addText(page, 40, 72 + 16 * row,
                          "Linha " + std::to_string(row) + " a\xe7\xe3o \xe9 \xfanica");
        page.Rectangle(40, 400, 400, 440);
        QImage logo(24, 24, QImage::Format_RGB32);
        logo.fill(Qt::darkGray);
        page.StretchDraw({600, 40, 624, 64}, PictureData::fromImage(logo), false);
    }
}

// The filter's bytes for the report through the system's printers (the
// scheduler's queue selected), sent where the port says: here the queue.
TEST(DraftCups, RawQueueReceivesExactlyTheFiltersBytes) {
    const QString reason = CupsScheduler::unavailableReason();
    if (!reason.isEmpty()) GTEST_SKIP() << "No private CUPS scheduler: " << reason.toStdString();
    CupsScheduler scheduler;
    ASSERT_TRUE(scheduler.start()) << scheduler.error().toStdString();
    ASSERT_TRUE(scheduler.addRawQueue("matricial")) << scheduler.error().toStdString();
    TRLPrinterWrapper::resetInstance();

    QObject owner;
    TRLGraphicStorage* store = test::draftStore(owner);
    buildReport(*store);
    TRLDraftFilter filter;
    filter.SetShowProgress(false);
    filter.SetCPPSelection(csFixed12CPP);

    // The same run into a file first: what the queue must deliver.
    const QString file = test::sandboxDir() + "/expected.prn";
    PrintDraft(filter, *store, {1, -1, "80", 1, file});
    const QByteArray expected = test::readFile(file);
    ASSERT_GT(expected.size(), 500);

    // Its port is the fixture's "testfile:" URI, not a path: one raw job to the queue.
    PrintDraft(filter, *store, {1, -1, "80", 1, QString()});
    // And once more named explicitly.
    PrintDraft(filter, *store, {1, -1, "80", 1, "cups:matricial"});
    ASSERT_TRUE(scheduler.waitUntilIdle()) << scheduler.error().toStdString();

    const QByteArray arrived = test::readFile(scheduler.outputPath("matricial"));
    EXPECT_EQ(arrived, expected + expected) << test::firstDifference(expected + expected, arrived) << "\n"
                                            << scheduler.errorLog().right(2000).toStdString();
    TRLPrinterWrapper::resetInstance();
}

// After a dot-matrix print on a raw queue the next dialog opens on the same
// queue with the dot-matrix filter again; a page print there is refused with
// a reason, from the window and from the batch mode, and no PDF reaches it.
TEST(DraftCups, RawQueueNeverGetsAPagePrint) {
    const QString reason = CupsScheduler::unavailableReason();
    if (!reason.isEmpty()) GTEST_SKIP() << "No private CUPS scheduler: " << reason.toStdString();
    CupsScheduler scheduler;
    ASSERT_TRUE(scheduler.start()) << scheduler.error().toStdString();
    ASSERT_TRUE(scheduler.addPdfQueue("laser") && scheduler.addRawQueue("matricial") &&
                scheduler.setDefault("laser"))
        << scheduler.error().toStdString();
    TRLPrinterWrapper::resetInstance();
    Messages::setLanguage(Messages::Language::Portuguese);
    InstallSpoolFilterAsDefault();
    TRLCustomPrintFilter::DefaultPrintFilter().SetShowProgress(false);

    QObject owner;
    TRLGraphicStorage* store = test::draftStore(owner);
    buildReport(*store);
    TRLDraftFilter matrix;
    matrix.setObjectName("RLDraftFilter1");
    matrix.SetDisplayName("Impressora Matricial");
    matrix.SetShowProgress(false);
    SetDotMatrixPreparer([](TRLCustomPrintFilter& filter, const QString&, const QString&) {
        return qobject_cast<TRLDraftFilter*>(&filter) != nullptr;
    });
    struct Answer : DialogPresenter {
        std::function<void(QWidget*)> fill;
        QString getOpenFileName(QWidget*, const QString&) override { return {}; }
        QString getSaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
        std::optional<QFont> getFont(QWidget*, const QFont&) override { return std::nullopt; }
        bool execDialog(QWidget* dialog) override {
            fill(dialog);
            return true;
        }
    } answer;
    const ScopedDialogPresenter scoped(answer);
    RecordingPresenter messages;
    const ScopedMessagePresenter scopedMessages(messages);
    auto combo = [](QWidget* d, const char* name) { return d->findChild<QComboBox*>(name); };

    answer.fill = [&](QWidget* d) {
        EXPECT_EQ(combo(d, "ComboBoxFilter")->currentText(), "Padrão");
        combo(d, "ComboBoxPrinter")
            ->setCurrentIndex(combo(d, "ComboBoxPrinter")->findText("matricial", Qt::MatchStartsWith));
        EXPECT_EQ(combo(d, "ComboBoxFilter")->currentText(), "Impressora Matricial");
    };
    EXPECT_EQ(RunPrintCommand(*store, 2, "80").kind, PrintOutcome::Printed);
    ASSERT_TRUE(scheduler.waitUntilIdle()) << scheduler.error().toStdString();
    const QByteArray printed = test::readFile(scheduler.outputPath("matricial"));
    ASSERT_TRUE(printed.startsWith("\x1b@")) << printed.left(40).toHex().constData();

    answer.fill = [&](QWidget* d) {
        EXPECT_TRUE(combo(d, "ComboBoxPrinter")->currentText().startsWith("matricial"));
        EXPECT_EQ(combo(d, "ComboBoxFilter")->currentText(), "Impressora Matricial");
        combo(d, "ComboBoxFilter")->setCurrentIndex(0); // "Padrão" all the same
    };
    const PrintOutcome refused = RunPrintCommand(*store, 2, "80");
    EXPECT_EQ(refused.kind, PrintOutcome::Failed);
    EXPECT_TRUE(refused.message.contains("Impressora Matricial")) << refused.message.toStdString();
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(PrintPagesOnQueue(*store, 1, -1, "matricial").kind, PrintOutcome::Failed);
    ASSERT_TRUE(scheduler.waitUntilIdle());
    EXPECT_EQ(test::readFile(scheduler.outputPath("matricial")), printed);

    SetDotMatrixPreparer({});
    TRLPrinterWrapper::resetInstance();
}

TEST(DraftCups, UnknownQueueIsAnError) {
    const QString reason = CupsScheduler::unavailableReason();
    if (!reason.isEmpty()) GTEST_SKIP() << "No private CUPS scheduler: " << reason.toStdString();
    CupsScheduler scheduler;
    ASSERT_TRUE(scheduler.start()) << scheduler.error().toStdString();
    TRLPrinterWrapper::resetInstance();
    QObject owner;
    TRLGraphicStorage* store = test::draftStore(owner);
    buildReport(*store);
    TRLDraftFilter filter;
    filter.SetShowProgress(false);
    filter.SetPrinter(std::make_unique<test::FixedDraftPrinter>());
    EXPECT_THROW(PrintDraft(filter, *store, {1, -1, "80", 1, "cups:nenhuma"}), Error);
    TRLPrinterWrapper::resetInstance();
}

// A composed 132-column landscape report at 17 cpi on the 132-column form:
// with the escape sequences stripped, every page's lines are the report's
// lines, column for column, after one common left margin.
TEST(DraftComposed, Report132ColumnsComesBackColumnForColumn) {
    test::ComposerFixture f;
    QByteArray text = "CABECALHO\r\n";
    for (int i = 1; i <= 90; ++i) {
        QByteArray line = QByteArray("Relat\xf3rio linha ") + QByteArray::number(i).rightJustified(3, '0') +
                          " |" + QByteArray::number(i * 37.5, 'f', 2).rightJustified(12) + " |";
        text += line.leftJustified(131, '.') + "X\r\n";
    }
    f.setReport(text, "132", "paisagem");
    f.form->ComposeReport();
    const int pages = f.pageCount();
    ASSERT_GE(pages, 2);

    TRLDraftFilter filter;
    filter.SetAccentMethod(amTakeOut);
    filter.SetEjectMethod(ejForceWithCode);
    filter.SetShowProgress(false);
    filter.SetPrinter(std::make_unique<test::FixedDraftPrinter>());
    const QString path = test::sandboxDir() + "/composed.prn";
    PrintDraft(filter, f.store(), {1, -1, "132", 2, path});
    const QByteArray bytes = test::readFile(path);
    EXPECT_EQ(filter.CPPSelection(), csFixed17CPP);

    // Pages split at form feeds; each decoded on its own.
    const QList<QByteArray> printed = bytes.split('\x0c');
    ASSERT_EQ(printed.size(), pages + 1);
    for (int page = 0; page < pages; ++page) {
        const test::DecodedPrint print = test::decodeDraft(printed[page]);
        std::vector<std::string> lines;
        int origin = -1;
        for (const auto& [row, cells] : print.cells) {
            if (origin < 0) origin = cells.begin()->first;
            EXPECT_EQ(cells.begin()->first, origin) << "page " << page + 1 << " row " << row;
            lines.push_back(print.line(row, 7, origin));
        }
        std::vector<std::string> expected;
        for (const std::string& line : f.texts(page)) {
            std::string plain = line;
            for (char& c : plain)
                if (c == '\xf3') c = 'o';
            expected.push_back(plain);
        }
        EXPECT_FALSE(lines.empty());
        EXPECT_EQ(lines, expected) << "page " << page + 1;
    }
}

} // namespace
} // namespace rl
