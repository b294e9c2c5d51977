#include "app/startup.h"

#include "app/find_bar.h"
#include "app/main_window.h"
#include "app/widget_dialog_presenter.h"
#include "app/widget_message_presenter.h"
#include "composer/composer_form.h"
#include "composer/report_session.h"
#include "platform/error.h"
#include "platform/error_log.h"
#include "platform/folders.h"
#include "platform/launcher.h"
#include "platform/message_presenter.h"
#include "platform/messages.h"
#include "platform/report_font.h"
#include "platform/settings.h"
#include "platform/startup_values.h"
#include "preview/preview.h"
#include "print/progress_window.h"
#include "print/spool_filter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QPixmap>
#include <QRegularExpression>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>

#include <cstdio>

namespace rl {

std::unique_ptr<ReportSession> StartViewer(const QStringList& arguments) {
    QGuiApplication::setApplicationDisplayName(QString::fromUtf8(ApplicationTitle));
    // The report library's old log, which nothing writes any more, goes at start-up.
    QFile::remove(QDir(Folders::programFolder()).filePath(QStringLiteral("RLib.log")));

    // Reports are laid out in the embedded face whatever the system has; the
    // installation for other programs is a courtesy whose failure changes nothing.
    registerReportFont();
    try {
        installReportFontIfMissing();
    } catch (...) {
    }
    QStringList reportArguments = arguments;
    const ReportEncoding encoding = TakeEncodingOption(reportArguments);
    StartupValues values = ReportSession::StartupValuesFor(reportArguments);
    values.Encoding = encoding;
    auto session = std::make_unique<ReportSession>(std::move(values));
    // The first page shows at once; the rest is made between the user's events.
    session->SetBackgroundGeneration(true);
    session->Compose([](ReportSession& owner) { return std::make_unique<TForm1>(owner); });
    return session;
}

ReportEncoding EncodingOptionValue(const QString& value) {
    const std::optional<ReportEncoding> named = ReportEncodingFromName(value);
    if (!named)
        throw Error(
            QStringLiteral("--encoding wants cp1252, cp850, cp437, iso-8859-15, utf-8 or auto; got \"%1\"")
                .arg(value)
                .toStdString());
    return *named;
}

ReportEncoding TakeEncodingOption(QStringList& arguments) {
    ReportEncoding encoding = ReportEncoding::Auto;
    for (qsizetype i = 0; i < arguments.size();) {
        QString name;
        if (arguments[i] == u"--encoding") {
            if (i + 1 >= arguments.size()) throw Error("--encoding needs a value");
            name = arguments[i + 1];
            arguments.remove(i, 2);
        } else if (arguments[i].startsWith(u"--encoding=")) {
            name = arguments[i].mid(11);
            arguments.remove(i);
        } else {
            ++i;
            continue;
        }
        encoding = EncodingOptionValue(name);
    }
    return encoding;
}

namespace {

// Qt's own dialogs and buttons ("Cancel", "Open") in the language the message
// table chose, when the system has Qt's translations.
void installQtTranslations(QApplication& app, QTranslator& translator) {
    QString name;
    switch (Messages::language()) {
    case Messages::Language::Portuguese:
        name = QStringLiteral("qtbase_pt_BR");
        break;
    case Messages::Language::French:
        name = QStringLiteral("qtbase_fr");
        break;
    case Messages::Language::Spanish:
        name = QStringLiteral("qtbase_es");
        break;
    case Messages::Language::English:
        return;
    }
    if (translator.load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&translator);
}

// What a screenshot shows besides the first page: the find bar on a text
// (RELANTOMADOR_SCREENSHOT_FIND), a block selection of the page shown
// (RELANTOMADOR_SCREENSHOT_SELECTION, "LINE-LINE:COLUMN-COLUMN", from 1).
void prepareScreenshot(TForm1* window) {
    const QString find = qEnvironmentVariable("RELANTOMADOR_SCREENSHOT_FIND");
    if (!find.isEmpty()) {
        window->FindBar1->Open();
        window->FindBar1->FindEdit->setText(find);
        window->FindBar1->FindNext();
    }
    static const QRegularExpression block(QStringLiteral("^(\\d+)-(\\d+):(\\d+)-(\\d+)$"));
    const QRegularExpressionMatch selection =
        block.match(qEnvironmentVariable("RELANTOMADOR_SCREENSHOT_SELECTION"));
    if (selection.hasMatch()) {
        window->ButSelect->click();
        window->RLPreview1->SetSelection(
            {window->RLPreview1->CurrentPageIndex(), selection.captured(1).toInt() - 1,
             selection.captured(2).toInt() - 1, selection.captured(3).toInt() - 1,
             selection.captured(4).toInt() - 1});
    }
}

// Saves the window's own drawing once it has been laid out, then closes it.
void scheduleScreenshot(TForm1* window, const QString& path) {
    QTimer::singleShot(200, window, [window] { prepareScreenshot(window); });
    QTimer::singleShot(400, window, [window, path] {
        if (!window->grab().save(path, "PNG"))
            std::fprintf(stderr, "relantomador: cannot write the screenshot %s\n", qPrintable(path));
        window->close();
    });
}

} // namespace

int RunViewer(QApplication& app, const QStringList& arguments) {
    QTranslator qtTranslator;
    installQtTranslations(app, qtTranslator);
    WidgetMessagePresenter presenter;
    ScopedMessagePresenter installed(presenter);
    WidgetDialogPresenter dialogs;
    ScopedDialogPresenter dialogsInstalled(dialogs);
    WidgetProgressPresenter progress;
    ScopedProgressPresenter progressInstalled(progress);
    InstallSpoolFilterAsDefault();
    DesktopLauncher launcher;
    ScopedLauncher launcherInstalled(launcher);
    std::unique_ptr<ReportSession> session;
    try {
        session = StartViewer(arguments);
    } catch (const std::exception& error) {
        // Nothing to show the pages in: say why and stop.
        ShowErrorBox(ErrorLog::messageOf(error));
        return 1;
    }
    auto* window = dynamic_cast<TForm1*>(session->Composer().View());
    const QString screenshot = qEnvironmentVariable("RELANTOMADOR_SCREENSHOT");
    if (window && !screenshot.isEmpty()) scheduleScreenshot(window, screenshot);
    const int result = app.exec();
    // The window goes before the composer's report, while the message presenter is still installed.
    session.reset();
    return result;
}

} // namespace rl
