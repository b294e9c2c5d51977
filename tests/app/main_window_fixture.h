#pragma once

#include "app/main_window.h"
#include "app/scripted_dialog_presenter.h"
#include "composer/composer_form.h"
#include "composer/report_session.h"
#include "pagestore/graphic_storage.h"
#include "platform/recording_presenter.h"
#include "platform/startup_values.h"
#include "preview/preview.h"
#include "report/custom_report.h"
#include "support/test_support.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace rl::test {

// A composer with the real main window over a report file in a private folder,
// with every message box and dialog scripted.
class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QApplication::setQuitOnLastWindowClosed(false);
    }

    void TearDown() override {
        session.reset();
        composer = nullptr;
    }

    // A report of the given number of pages: a first line that is never
    // printed, then per page a form feed line and a few lines of text.
    QString writeReport(const QString& name, int pages) {
        QByteArray text = "not printed\r\n";
        for (int page = 1; page <= pages; ++page) {
            if (page > 1) text += '\f';
            text += "P\xc1GINA " + QByteArray::number(page) + "\r\n";
            for (int line = 0; line < 3; ++line)
                text += "  linha " + QByteArray::number(line) + " da p\xe1gina " + QByteArray::number(page) +
                        "\r\n";
        }
        const QString path = dir.filePath(name);
        writeFile(path, text);
        return path;
    }

    // Composes as start-up does, with the given command line (program name excluded).
    // background: the pages after the first are made between events, as the
    // viewer's start-up does.
    void start(const QStringList& arguments, bool background = false) {
        const QString settings = dir.filePath(QStringLiteral("program-preview.ini"));
        session =
            std::make_unique<ReportSession>(ReportSession::StartupValuesFor(arguments, settings), settings);
        session->SetBackgroundGeneration(background);
        composer = &session->Composer();
        session->Compose([](ReportSession& owner) { return std::make_unique<TForm1>(owner); });
        window = dynamic_cast<TForm1*>(composer->View());
        ASSERT_NE(window, nullptr);
    }

    int pageCount() const {
        const TRLGraphicStorage* store = window->RLPreview1->Storage();
        return store ? store->PageCount() : 0;
    }
    int currentPage() const { return window->RLPreview1->CurrentPageNumber(); }

    QTemporaryDir dir;
    RecordingPresenter messages;
    ScopedMessagePresenter messagesInstalled{messages};
    ScriptedDialogPresenter dialogs;
    ScopedDialogPresenter dialogsInstalled{dialogs};
    std::unique_ptr<ReportSession> session;
    TForm2* composer = nullptr; // the session's
    TForm1* window = nullptr;
};

} // namespace rl::test
