// PDF export throughput.
//
// Usage:
//   pdf_bench [PAGES]              a store of PAGES report pages (default 500;
//                                  60 lines of 132 characters as the report
//                                  engine makes them) through the PDF filter:
//                                  pages per second, file size, peak memory
//   pdf_bench --report FILE OUT    FILE composed (132 columns, landscape,
//                                  Letter) and saved as OUT, end to end:
//                                  times and file size (for the 100,000-line
//                                  sample of tools/make_samples.py --big)
//   pdf_bench --compare FILE [N]   --report in a child process against
//                                  "enscript -r -B -f Courier7 -X latin1
//                                  -M Letter | ps2pdf" on the same text,
//                                  alternately N times (default 3)
#include "bench_support.h"
#include "report_pages.h"

#include "composer/composer_form.h"
#include "export/pdf_filter.h"
#include "pagestore/graphic_storage.h"
#include "platform/report_font.h"
#include "platform/startup_values.h"
#include "report/custom_report.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace rl;

namespace {

void exportAll(TRLGraphicStorage& store, const QString& path) {
    TRLPDFFilter filter;
    filter.SetShowProgress(false);
    filter.SetFileName(path);
    filter.Run(&store, 1, -1);
}

int storeBench(int pages) {
    QObject owner;
    auto* store = new TRLGraphicStorage(&owner);
    store->SetPaperWidth(215.9);
    store->SetPaperHeight(279.4);
    store->SetOrientation(2);
    for (int i = 0; i < pages; ++i)
        store->Add(bench::makeReportPage(i));

    QTemporaryDir dir;
    const QString path = dir.filePath("report.pdf");
    const auto start = bench::Clock::now();
    exportAll(*store, path);
    const double seconds = bench::secondsSince(start);
    const double mib = QFileInfo(path).size() / (1024.0 * 1024.0);
    std::printf(
        "pdf export: %d pages in %.3f s, %.0f pages/s, file %.1f MiB (%.1f KiB/page), peak RSS %.1f MiB\n",
        pages, seconds, pages / seconds, mib, mib * 1024 / pages, bench::peakMiB());
    return 0;
}

int reportBench(const QString& input, const QString& output) {
    QTemporaryDir work;
    const auto start = bench::Clock::now();
    TForm2 form;
    StartupValues& values = form.Values;
    values.ReportFilePath = input;
    values.ColumnCode = "132";
    values.OrientationWord = "paisagem";
    form.ProgramSettingsPath = work.filePath("program/preview.ini");
    form.ApplyPaperSize("Carta");
    form.ComposeReport();
    const double composeSeconds = bench::secondsSince(start);
    TRLGraphicStorage& store = form.RLReport1->Storage();
    exportAll(store, output);
    const double seconds = bench::secondsSince(start);
    std::printf("%d pages: compose %.3f s, write %.3f s, total %.3f s, file %.2f MiB, peak RSS %.1f MiB\n",
                store.PageCount(), composeSeconds, seconds - composeSeconds, seconds,
                QFileInfo(output).size() / (1024.0 * 1024.0), bench::peakMiB());
    return 0;
}

double timed(const QString& program, const QStringList& arguments, QByteArray* out = nullptr) {
    QProcess process;
    const auto start = bench::Clock::now();
    process.start(program, arguments);
    process.waitForFinished(-1);
    const double seconds = bench::secondsSince(start);
    if (out) *out = process.readAllStandardOutput();
    return seconds;
}

int compareBench(const QString& input, int rounds) {
    QTemporaryDir work;
    const QString ours = work.filePath("ours.pdf"), peer = work.filePath("peer.pdf");
    const QString peerCommand =
        QStringLiteral("enscript -q -r -B -f Courier7 -X latin1 -M Letter -o - '%1' | ps2pdf - '%2'")
            .arg(input, peer);
    double oursTotal = 0, peerTotal = 0;
    for (int round = 1; round <= rounds; ++round) {
        QByteArray report;
        const double a = timed(QCoreApplication::applicationFilePath(), {"--report", input, ours}, &report);
        const double b = timed("bash", {"-c", peerCommand});
        oursTotal += a;
        peerTotal += b;
        std::printf("round %d: ours %.3f s (%s), peer %.3f s\n", round, a, report.trimmed().constData(), b);
    }
    std::printf("mean: ours %.3f s, peer %.3f s, ratio %.3f; files %.1f MiB and %.1f MiB\n",
                oursTotal / rounds, peerTotal / rounds, oursTotal / peerTotal,
                QFileInfo(ours).size() / 1048576.0, QFileInfo(peer).size() / 1048576.0);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerReportFont();
    const QStringList args = app.arguments().mid(1);
    if (args.size() >= 3 && args[0] == "--report") return reportBench(args[1], args[2]);
    if (args.size() >= 2 && args[0] == "--compare")
        return compareBench(args[1], args.size() > 2 ? std::max(1, args[2].toInt()) : 3);
    return storeBench(args.isEmpty() ? 500 : std::max(1, args[0].toInt()));
}
