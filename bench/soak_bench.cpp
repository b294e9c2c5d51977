// Soak: many reports opened, laid out again, exported and closed in one
// process, as a viewer left running all day would. Memory must stay flat and
// no temporary file, descriptor or folder may be left behind.
//
// Usage: soak_bench [REPORTS]   (default 500)
// Each report: composed, turned landscape and back, a head picture put on
// every page and taken off, exported as PDF, RTF, HTML or XLS in turn and as
// text, then closed. The resident memory, the open descriptors and the
// entries of the temporary folder are printed every 50 reports.
#include "bench_support.h"

#include "composer/composer_form.h"
#include "composer/report_session.h"
#include "pagestore/graphic_storage.h"
#include "platform/recording_presenter.h"
#include "platform/report_font.h"
#include "platform/settings.h"
#include "platform/startup_values.h"
#include "print/spool_filter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace rl;

namespace {

QByteArray report(int number) {
    QByteArray text = "RELATORIO " + QByteArray::number(number) + "\r\n";
    const int pages = 2 + number % 7;
    for (int page = 0; page < pages; ++page) {
        if (page) text += '\f';
        for (int line = 0; line < 40 + number % 25; ++line)
            text += "Conta " + QByteArray::number(number * 1000 + line) +
                    "  Lan\xe7"
                    "amento de mar\xe7"
                    "o  " +
                    QByteArray::number(line * 17.25, 'f', 2) + QByteArray(number % 60, '.') + "\r\n";
    }
    return text;
}

int entryCount(const QString& folder) {
    return int(
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).size());
}

int openDescriptors() {
    return int(QDir("/proc/self/fd").entryList(QDir::System | QDir::NoDotAndDotDot).size());
}

} // namespace

int main(int argc, char** argv) {
    const int reports = argc > 1 ? std::atoi(argv[1]) : 500;
    QTemporaryDir work;
    // Everything the program makes goes into private folders that are counted.
    const QString temporary = work.filePath("tmp");
    QDir().mkpath(temporary);
    qputenv("TMPDIR", QFile::encodeName(temporary));
    qputenv("RELANTOMADOR_SYSTEM_DIR", QFile::encodeName(work.filePath("system")));
    // Else Qt makes its runtime folder in the temporary folder, which is counted.
    const QString runtime = work.filePath("runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qputenv("CUPS_SERVER", QFile::encodeName(work.filePath("no-cups.sock")));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerReportFont();
    InstallSpoolFilterAsDefault();
    RecordingPresenter presenter;
    ScopedMessagePresenter scoped(presenter);
    Settings(SettingsFile::System).setMostra(1); // the picture on every page

    QImage logo(800, 160, QImage::Format_RGB32);
    logo.fill(Qt::darkBlue);
    const QString picture = work.filePath("logo.png");
    logo.save(picture);
    const QString output = work.filePath("out");
    QDir().mkpath(output);
    const char* formats[] = {".pdf", ".rtf", ".htm", ".xls"};

    std::printf("reports   seconds   RSS MiB   descriptors   temporary entries   pages\n");
    const double startMiB = bench::currentMiB();
    double firstMiB = 0;
    const int startDescriptors = openDescriptors();
    int pages = 0;
    const auto start = bench::Clock::now();
    for (int n = 1; n <= reports; ++n) {
        const QString path = work.filePath("report.txt");
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(report(n));
        file.close();
        {
            StartupValues values = StartupValues::fromArguments({path, n % 3 ? "132" : "80"});
            ReportSession session(values, work.filePath("program/preview.ini"));
            session.Compose();
            session.SetOrientation(poLandscape);
            session.SetPicture(picture);
            session.SetOrientation(poPortrait);
            pages += session.PageCount();
            session.SaveAs(output + "/report" + formats[n % 4]);
            session.RemovePicture();
            session.SaveReportLines(output + "/report.txt");
        }
        if (n == 50) firstMiB = bench::currentMiB();
        if (n % 50 == 0 || n == reports)
            std::printf("%7d   %7.1f   %7.1f   %11d   %17d   %5d\n", n, bench::secondsSince(start),
                        bench::currentMiB(), openDescriptors() - startDescriptors, entryCount(temporary),
                        pages);
    }
    const double seconds = bench::secondsSince(start);
    std::printf("\n%d reports, %d pages in %.1f s (%.1f ms a report)\n", reports, pages, seconds,
                1000 * seconds / reports);
    std::printf(
        "RSS: %.1f MiB at start, %.1f after 50 reports, %.1f at the end (growth after 50: %+.1f MiB); "
        "peak %.1f\n",
        startMiB, firstMiB, bench::currentMiB(), bench::currentMiB() - firstMiB, bench::peakMiB());
    std::printf("left behind: %d entries in the temporary folder, %d descriptors, output folder %d files\n",
                entryCount(temporary), openDescriptors() - startDescriptors, entryCount(output));
    return entryCount(temporary) == 0 ? 0 : 1;
}
