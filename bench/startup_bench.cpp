// Viewer start-up: from the start of the process's work to the first page
// painted on the screen, for a 132-column landscape report of N lines (a form
// feed every 60 lines, as a report program writes them), and the peak memory
// then; then the rest of the generation in the window's background, its rate
// and the peak memory at its end.
// Runs the viewer's own start-up (StartViewer): QApplication, the report font,
// opening the file, the first page, the window and its first paint.
// The report is generated beforehand into a temporary folder, which also
// stands in for HOME, the working folder and the settings folders.
//
// Usage: startup_bench [LINES...]   (default 10000 100000 1000000; each size
// runs in a process of its own, so that each peak is its own)
#include "bench_support.h"

#include "app/main_window.h"
#include "app/startup.h"
#include "composer/composer_form.h"
#include "composer/report_session.h"
#include "pagestore/graphic_storage.h"
#include "platform/message_presenter.h"
#include "preview/preview.h"
#include "preview/preview_box.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace rl;

namespace {

// Writes the report: a title line (never printed), then lines of 132
// characters, a form feed opening every 60th.
bool writeReport(const QString& path, int lines) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    QByteArray text = "RELATORIO DE TESTE\r\n";
    QByteArray line(132, ' ');
    for (int i = 0; i < lines; ++i) {
        for (int c = 0; c < 132; ++c)
            line[c] = (c % 11 == 10) ? '|' : char('A' + (i + c) % 26);
        const QByteArray number = QByteArray::number(i + 1).rightJustified(8, '0');
        line.replace(0, number.size(), number);
        if (i % 60 == 0 && i > 0) text += '\f';
        text += line;
        text += "\r\n";
        if (text.size() > (1 << 20)) {
            if (file.write(text) != text.size()) return false;
            text.clear();
        }
    }
    return file.write(text) == text.size();
}

// Notes the first paint of a widget.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::vector<std::string> sizes(argv + 1, argv + argc);
        if (sizes.empty()) sizes = {"10000", "100000", "1000000"};
        int status = 0;
        for (const std::string& size : sizes)
            if (std::system(("\"" + std::string(argv[0]) + "\" " + size).c_str()) != 0) status = 1;
        return status;
    }
    const int lines = std::max(1, std::atoi(argv[1]));
    QTemporaryDir sandbox(QDir::tempPath() + "/startup-bench-XXXXXX");
    if (!sandbox.isValid()) return 2;
    const QByteArray root = QFile::encodeName(sandbox.path());
    for (const char* sub : {"/home", "/config", "/data", "/system", "/work", "/runtime"})
        QDir().mkpath(sandbox.path() + sub);
    QFile::setPermissions(sandbox.path() + "/runtime",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    qputenv("HOME", root + "/home");
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("RELANTOMADOR_SYSTEM_DIR", root + "/system");
    QDir::setCurrent(sandbox.path() + "/work");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    const QString report = sandbox.filePath("report.txt");
    if (!writeReport(report, lines)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(report));
        return 2;
    }
    const double baseMiB = bench::currentMiB();

    const auto start = bench::Clock::now();
    QApplication app(argc, argv);
    StderrMessagePresenter messages;
    ScopedMessagePresenter installed(messages);
    std::unique_ptr<ReportSession> session = StartViewer({report, "132", "paisagem"});
    const double composed = bench::secondsSince(start);
    auto* window = dynamic_cast<TForm1*>(session->Composer().View());
    if (!window) return 3;
    PaintWatch watch;
    window->RLPreview1->Boxes(0)->installEventFilter(&watch);
    window->RLPreview1->Boxes(0)->update();
    const auto deadline = bench::Clock::now() + std::chrono::seconds(60);
    while (!watch.painted && bench::Clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    // The paint event has been handled once processEvents returns.
    const double firstPaint = bench::secondsSince(start);
    const double firstPeak = bench::peakMiB();
    const TRLGraphicStorage* store = window->RLPreview1->Storage();
    const int firstPages = store ? store->PageCount() : 0;

    // The rest, as the window makes it between events.
    const auto rest = bench::Clock::now();
    while (session->Generating() && bench::Clock::now() < deadline + std::chrono::seconds(600))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const double generated = bench::secondsSince(rest) + firstPaint;
    const int pages = store ? store->PageCount() : 0;

    std::printf("startup_bench: %d lines of 132 columns, %d pages\n", lines, pages);
    std::printf("  composed and window shown  %8.3f s (%d page%s made)\n", composed, firstPages,
                firstPages == 1 ? "" : "s");
    std::printf("  first page painted         %8.3f s%s, peak memory %.1f MiB (%.1f MiB before the "
                "application)\n",
                firstPaint, watch.painted ? "" : " (no paint seen)", firstPeak, baseMiB);
    std::printf("  every page made            %8.3f s, %.0f lines per second in the background, peak "
                "memory %.1f MiB\n",
                generated, lines / generated, bench::peakMiB());
    session.reset();
    QDir::setCurrent(QDir::rootPath());
    return watch.painted ? 0 : 1;
}
