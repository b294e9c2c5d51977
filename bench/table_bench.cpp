// Table exports: the 100,000-line sample report (tools/make_samples.py --big)
// read as the composer reads it, its table found, then saved as XLSX and as
// CSV through the filters. Prints the time of each step, the table's size,
// the file sizes and the peak memory after each step.
//
// Usage: table_bench [REPORT.txt [OUT_FOLDER]]   (default: makes the sample in
// a temporary folder; OUT_FOLDER keeps the files for a reader to check)
#include "bench_support.h"

#include "composer/composer_form.h"
#include "export/table_save_filter.h"
#include "pagestore/graphic_storage.h"
#include "table/table_extractor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace rl;

namespace {

double save(TableSaveFilter& filter, const std::vector<std::string>& lines, const QString& path) {
    QObject owner;
    auto* store = new TRLGraphicStorage(&owner);
    filter.SetShowProgress(false);
    filter.SetReportLines(&lines);
    filter.SetFileName(path);
    const auto start = bench::Clock::now();
    if (filter.Run(store, 1, 1) != TRLCustomFilter::RunResult::Completed) std::fprintf(stderr, "not saved\n");
    return bench::secondsSince(start);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    QString report = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (report.isEmpty()) {
        report = folder.filePath("big.txt");
        QProcess make;
        make.start("python3", {RL_SOURCE_DIR "/tools/make_samples.py", "--big", report});
        if (!make.waitForFinished(300000) || make.exitCode() != 0) {
            std::fprintf(stderr, "could not make the sample: %s\n", make.readAllStandardError().constData());
            return 1;
        }
    }
    const QString out = argc > 2 ? QString::fromLocal8Bit(argv[2]) : folder.path();

    std::vector<std::string> lines;
    if (!TForm2::ReadReportLinesInto(report, lines)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(report));
        return 1;
    }
    const double linesMiB = bench::peakMiB();

    auto start = bench::Clock::now();
    const ReportTable table = TableExtractor::Extract(lines);
    const double extractSeconds = bench::secondsSince(start);
    const double extractMiB = bench::peakMiB();
    std::printf(
        "table: %zu lines -> %zu rows x %zu columns in %.3f s; peak %.1f MiB (%.1f MiB with the lines)\n",
        lines.size(), table.RowCount(), table.Columns.size(), extractSeconds, extractMiB, linesMiB);

    TableSaveFilter xlsx(TableSaveFilter::Format::Xlsx);
    const QString xlsxPath = QDir(out).filePath("big.xlsx");
    const double xlsxSeconds = save(xlsx, lines, xlsxPath);
    std::printf("xlsx: %.3f s (extraction included), file %.2f MiB, peak %.1f MiB\n", xlsxSeconds,
                QFileInfo(xlsxPath).size() / 1048576.0, bench::peakMiB());

    TableSaveFilter csv(TableSaveFilter::Format::Csv);
    const QString csvPath = QDir(out).filePath("big.csv");
    const double csvSeconds = save(csv, lines, csvPath);
    std::printf("csv: %.3f s (extraction included), file %.2f MiB, peak %.1f MiB\n", csvSeconds,
                QFileInfo(csvPath).size() / 1048576.0, bench::peakMiB());
    return 0;
}
