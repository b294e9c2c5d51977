// PDF export throughput: a report of N pages (60 lines of 132 characters, as
// the report engine makes them) saved through the PDF filter; pages per
// second, file size and peak memory.
//
// Usage: pdf_bench [PAGES]   (default 500)
#include "bench_support.h"
#include "report_pages.h"

#include "export/pdf_filter.h"
#include "pagestore/graphic_storage.h"
#include "platform/report_font.h"

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
    registerReportFont();
    const int pages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;

    QObject owner;
    auto* store = new TRLGraphicStorage(&owner);
    store->SetPaperWidth(215.9);
    store->SetPaperHeight(279.4);
    store->SetOrientation(2);
    for (int i = 0; i < pages; ++i)
        store->Add(bench::makeReportPage(i));

    QTemporaryDir dir;
    const QString path = dir.filePath("report.pdf");
    TRLPDFFilter filter;
    filter.SetShowProgress(false);
    filter.SetFileName(path);
    const auto start = bench::Clock::now();
    filter.Run(store, 1, -1);
    const double seconds = bench::secondsSince(start);

    const double mib = QFileInfo(path).size() / (1024.0 * 1024.0);
    std::printf(
        "pdf export: %d pages in %.3f s, %.0f pages/s, file %.1f MiB (%.1f KiB/page), peak RSS %.1f MiB\n",
        pages, seconds, pages / seconds, mib, mib * 1024 / pages, bench::peakMiB());
    return 0;
}
