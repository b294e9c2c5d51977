#include "app/main_window.h"
#include "app/scripted_dialog_presenter.h"
#include "app/startup.h"
#include "composer/composer_form.h"
#include "composer/report_session.h"
#include "pagestore/graphic_storage.h"
#include "platform/error.h"
#include "platform/recording_presenter.h"
#include "platform/startup_values.h"
#include "preview/preview.h"
#include "report/custom_label.h"
#include "report/custom_report.h"
#include "support/test_support.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

namespace rl::test {
namespace {

// A report file in a private folder, with every message box recorded.
struct StartupFixture {
    StartupFixture() { QApplication::setQuitOnLastWindowClosed(false); }
    QString writeReport(const QByteArray& bytes) {
        const QString path = dir.filePath(QStringLiteral("report.txt"));
        writeFile(path, bytes);
        return path;
    }
    RecordingPresenter messages;
    ScopedMessagePresenter installed{messages};
    QTemporaryDir dir;
};

TEST(Startup, OrientationWordInCapitalsGivesALandscapeReportIn132Columns) {
    StartupFixture f;
    const QString report = f.writeReport("first line\r\nA line of the report\r\n\fsecond page\r\n");

    std::unique_ptr<ReportSession> session = StartViewer(
        {report, QStringLiteral("132"), QStringLiteral("PAISAGEM"), QStringLiteral("permissao=SNS")});
    ASSERT_NE(session, nullptr);
    TForm2* composer = &session->Composer();
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Visualizando Relatório"));
    EXPECT_EQ(session->Values().ReportFilePath, report);
    EXPECT_EQ(session->Values().JoinedCommandLine,
              u' ' + report + QStringLiteral(" 132 PAISAGEM permissao=SNS"));
    EXPECT_EQ(composer->RLReport1->PageSetup.Orientation(), poLandscape);
    EXPECT_EQ(composer->RLLabel1->Font.Size, 7);

    auto* window = dynamic_cast<TForm1*>(composer->View());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    TRLGraphicStorage* store = window->RLPreview1->Storage();
    ASSERT_NE(store, nullptr);
    // The first page is shown at once, the rest made after.
    EXPECT_GE(store->PageCount(), 1);
    session->CompleteGeneration();
    ASSERT_EQ(store->PageCount(), 2);
    EXPECT_GT(store->Pages(0)->Width, store->Pages(0)->Height);
    EXPECT_TRUE(window->butprint->isEnabled());
    EXPECT_FALSE(window->Enviar1->menuAction()->isEnabled());
    EXPECT_TRUE(f.messages.requests.empty());

    session.reset();
}

TEST(Startup, EncodingOptionIsNoneOfTheReportArguments) {
    StartupFixture f;
    const QString report = f.writeReport("titulo\r\n\xC9\xCD\xBB\r\n"); // "╔═╗" in CP850

    std::unique_ptr<ReportSession> session =
        StartViewer({QStringLiteral("--encoding"), QStringLiteral("CP850"), report, QStringLiteral("132")});
    EXPECT_EQ(session->Values().ReportFilePath, report);
    EXPECT_EQ(session->Values().ColumnCode, QStringLiteral("132"));
    EXPECT_EQ(session->Values().JoinedCommandLine, u' ' + report + QStringLiteral(" 132"));
    EXPECT_EQ(session->Values().Encoding, ReportEncoding::Cp850);
    EXPECT_EQ(session->PrintedLine(1), "+=+");
    session.reset();

    EXPECT_THROW(StartViewer({report, QStringLiteral("--encoding=ebcdic")}), Error);
    EXPECT_THROW(StartViewer({report, QStringLiteral("--encoding")}), Error);
}

} // namespace
} // namespace rl::test
