// Dot-matrix text mode: a store of N report pages (60 lines of 132 characters,
// as the report engine makes them) turned into printer bytes at 17 cpi on the
// 132-column form, written to a file. Prints pages per second and the size.
//
// Usage: draft_bench [PAGES]   (default 500)
#include "bench_support.h"
#include "report_pages.h"

#include "pagestore/graphic_storage.h"
#include "print/draft_filter.h"
#include "print/draft_print.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace rl;

namespace {

// The fallback sheet, so that no print server is asked.
class FallbackPrinter final : public DraftPrinter {
public:
    PrinterMetrics SetupPaperAndMetrics(bool, double, double) override { return PrinterMetrics::fallback(); }
    QString PortPath() override { return {}; }
    QString CurrentPrinterName() override { return {}; }
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    const int pages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;

    QObject owner; // keeps the store alive after the filter unlinks it
    auto* store = new TRLGraphicStorage(&owner);
    store->SetOrientation(2);
    store->SetPaperWidth(215.9);
    store->SetPaperHeight(279.4);
    for (int i = 0; i < pages; ++i)
        store->Add(bench::makeReportPage(i));

    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath("report.prn");
    TRLDraftFilter filter;
    filter.SetShowProgress(false);
    filter.SetPrinter(std::make_unique<FallbackPrinter>());
    const auto start = bench::Clock::now();
    const auto result = PrintDraft(filter, *store, {1, -1, "132", 2, path});
    const double seconds = bench::secondsSince(start);
    if (result != TRLCustomFilter::RunResult::Completed) {
        std::fprintf(stderr, "draft print did not complete\n");
        return 1;
    }
    std::printf(
        "draft print: %d pages in %.3f s (%.0f pages/s), %.2f MiB of printer bytes, peak memory %.1f MiB\n",
        pages, seconds, pages / seconds, QFileInfo(path).size() / 1048576.0, bench::peakMiB());
    return 0;
}
