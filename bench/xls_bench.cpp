// XLS export: a store of N report pages (60 lines of 132 characters each, as
// the report engine makes them) saved through the XLS filter, one worksheet a
// page. Prints the time, the file size and the peak memory.
//
// Usage: xls_bench [PAGES [OUT.xls]]   (default 500; 1700 is about a 100,000-line
// report; OUT keeps the file for a reader to check)
#include "bench_support.h"
#include "report_pages.h"

#include "export/xls_filter.h"
#include "pagestore/graphic_storage.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace rl;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    const int pages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;

    QObject owner; // keeps the store alive after the filter unlinks it
    auto* store = new TRLGraphicStorage(&owner);
    for (int i = 0; i < pages; ++i)
        store->Add(bench::makeReportPage(i));
    const double storeMiB = bench::peakMiB();

    QTemporaryDir folder;
    const QString path =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir(folder.path()).filePath("report.xls");
    TRLXLSFilter filter;
    filter.SetShowProgress(false);
    filter.SetFileName(path);
    const auto start = bench::Clock::now();
    const auto result = filter.Run(store, 1, -1);
    const double seconds = bench::secondsSince(start);
    if (result != TRLCustomFilter::RunResult::Completed) {
        std::fprintf(stderr, "export did not complete\n");
        return 1;
    }
    const qint64 bytes = QFileInfo(path).size();
    std::printf("xls export: %d pages in %.3f s (%.2f ms/page), file %.2f MiB, "
                "peak memory %.1f MiB (%.1f MiB after building the store)\n",
                pages, seconds, seconds * 1000 / pages, bytes / 1048576.0, bench::peakMiB(), storeMiB);
    return 0;
}
