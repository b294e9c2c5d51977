#include "app/startup.h"

#include "app/main_window.h"
#include "app/widget_dialog_presenter.h"
#include "app/widget_message_presenter.h"
#include "composer/composer_form.h"
#include "platform/error_log.h"
#include "platform/message_presenter.h"
#include "platform/report_font.h"
#include "platform/settings.h"
#include "print/progress_window.h"
#include "platform/startup_values.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

namespace rl {

std::unique_ptr<TForm2> StartViewer(const QStringList& arguments) {
    StartupValues& values = StartupValues::current();
    values = StartupValues::fromArguments(arguments);
    QGuiApplication::setApplicationDisplayName(QString::fromUtf8(ApplicationTitle));

    // Reports are laid out in the embedded face whatever the system has; the
    // installation for other programs is a courtesy whose failure changes nothing.
    registerReportFont();
    try {
        installReportFontIfMissing();
    } catch (...) {
    }
    values.readSettings(Settings(SettingsFile::Program));

    auto composer = std::make_unique<TForm2>();
    composer->setObjectName(QStringLiteral("Form2"));
    composer->ViewFactory = [](TForm2& owner) { return std::make_unique<TForm1>(owner); };
    composer->ApplyPaperSize(values.PaperName);
    composer->ComposeReport();
    return composer;
}

namespace {

// Saves the window's own drawing once it has been laid out, then closes it.
void scheduleScreenshot(TForm1* window, const QString& path) {
    QTimer::singleShot(400, window, [window, path] {
        if (!window->grab().save(path, "PNG"))
            std::fprintf(stderr, "relantomador: cannot write the screenshot %s\n", qPrintable(path));
        window->close();
    });
}

} // namespace

int RunViewer(QApplication& app, const QStringList& arguments) {
    WidgetMessagePresenter presenter;
    ScopedMessagePresenter installed(presenter);
    WidgetDialogPresenter dialogs;
    ScopedDialogPresenter dialogsInstalled(dialogs);
    WidgetProgressPresenter progress;
    ScopedProgressPresenter progressInstalled(progress);
    std::unique_ptr<TForm2> composer;
    try {
        composer = StartViewer(arguments);
    } catch (const std::exception& error) {
        // Nothing to show the pages in: say why and stop.
        ShowErrorBox(ErrorLog::messageOf(error));
        return 1;
    }
    auto* window = dynamic_cast<TForm1*>(composer->View());
    const QString screenshot = qEnvironmentVariable("RELANTOMADOR_SCREENSHOT");
    if (window && !screenshot.isEmpty()) scheduleScreenshot(window, screenshot);
    const int result = app.exec();
    // The window goes before the composer's report, while the message presenter is still installed.
    composer.reset();
    return result;
}

} // namespace rl
