// The composer on a long report: reading the lines, composing at start-up,
// regenerating after an orientation change (what the window's orientation
// command does), and the batch mode's --png over 100 pages.
//
// Usage: composer_bench [FILE]
// FILE is a long 132-column report; without it one of 100,000 lines is made
// with tools/make_samples.py --big (python3) in a temporary folder.
#include "bench_support.h"

#include "app/batch_mode.h"
#include "composer/composer_form.h"
#include "pagestore/graphic_storage.h"
#include "platform/report_font.h"
#include "platform/startup_values.h"
#include "report/custom_report.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace rl;

namespace {

// The first pages of a report: its lines up to the form feed that would open page pages + 1.
QByteArray firstPages(const QByteArray& report, int pages) {
    int feeds = 0;
    for (qsizetype i = 0; i < report.size(); ++i)
        if (report[i] == '\f' && ++feeds == pages) return report.left(i);
    return report;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerReportFont();
    QTemporaryDir work;

    QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (path.isEmpty()) {
        path = work.filePath("big.txt");
        const int status = QProcess::execute(
            "python3", {QStringLiteral(RL_SOURCE_DIR) + "/tools/make_samples.py", "--big", path});
        if (status != 0) {
            std::fprintf(stderr,
                         "composer_bench: could not make the sample (python3 tools/make_samples.py)\n");
            return 1;
        }
    }
    const double startMiB = bench::currentMiB();

    auto start = bench::Clock::now();
    const std::vector<std::string> lines = TForm2::ReadReportLines(path);
    const double readSeconds = bench::secondsSince(start);
    std::printf("report:                %s, %zu lines, %.1f MiB\n", qPrintable(path), lines.size(),
                QFileInfo(path).size() / 1048576.0);
    std::printf("ReadReportLines:       %.3f s\n", readSeconds);

    TForm2 form;
    StartupValues& values = form.Values;
    values.ReportFilePath = path;
    values.ColumnCode = "132";
    values.OrientationWord = "retrato";
    form.ProgramSettingsPath = work.filePath("program/preview.ini");
    form.ApplyPaperSize("Carta");
    start = bench::Clock::now();
    form.ComposeReport();
    const double composeSeconds = bench::secondsSince(start);
    const int portraitPages = form.RLReport1->Storage().PageCount();
    std::printf("ComposeReport:         %.3f s (read and portrait generation, %d pages)\n", composeSeconds,
                portraitPages);

    form.RLReport1->PageSetup.SetOrientation(poLandscape);
    start = bench::Clock::now();
    const bool ok = form.RegenerateAndShow();
    const double regenerateSeconds = bench::secondsSince(start);
    const int landscapePages = form.RLReport1->Storage().PageCount();
    std::printf("RegenerateAndShow:     %.3f s after turning to landscape: %s, %d pages\n", regenerateSeconds,
                ok ? "prepared" : "NOT PREPARED", landscapePages);
    std::printf("  lines per second:    %.0f\n", double(form.ReportLines.Count()) / regenerateSeconds);
    std::printf("  pages per second:    %.0f\n", landscapePages / regenerateSeconds);
    std::printf("resident memory:       %.1f MiB before, %.1f MiB after\n", startMiB, bench::currentMiB());

    // --png of a 100-page report, composed and painted as the batch mode does it.
    QFile big(path);
    big.open(QIODevice::ReadOnly);
    const QString hundred = work.filePath("hundred.txt");
    QFile out(hundred);
    out.open(QIODevice::WriteOnly);
    out.write(firstPages(big.readAll(), 100));
    out.close();
    QByteArray errors;
    QBuffer err(&errors);
    err.open(QIODevice::WriteOnly);
    BatchEnvironment environment;
    environment.programSettingsPath = form.ProgramSettingsPath;
    environment.err = &err;
    for (const char* zoom : {"100", "50"}) {
        const QString folder = work.filePath(QStringLiteral("png-%1").arg(zoom));
        start = bench::Clock::now();
        const int status =
            RunBatchMode({hundred, "132", "paisagem", "--png", folder, "--zoom", zoom}, environment);
        const double seconds = bench::secondsSince(start);
        const int written = int(QDir(folder).entryList({"*.png"}, QDir::Files).size());
        qint64 bytes = 0;
        for (const QFileInfo& file : QDir(folder).entryInfoList({"*.png"}, QDir::Files))
            bytes += file.size();
        std::printf(
            "--png --zoom %-4s       %.3f s, exit %d, %d pages (%.2f MiB of PNG), %.1f pages per second\n",
            zoom, seconds, status, written, bytes / 1048576.0, written / seconds);
    }
    if (!errors.isEmpty()) std::printf("batch errors:          %s", errors.constData());

    std::printf("peak resident memory:  %.1f MiB\n", bench::peakMiB());
    return ok ? 0 : 1;
}
