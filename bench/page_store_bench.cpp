// Page store throughput: store N report pages (60 lines of 132 characters, five
// objects a line as the report engine makes them), read them back in order and
// in random order, and paint one page at 100 %.
//
// Usage: page_store_bench [PAGES]   (default 10000)
#include "bench_support.h"
#include "report_pages.h"

#include "pagestore/graphic_storage.h"
#include "platform/report_font.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <random>

using namespace rl;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    registerReportFont();
    const int pages = argc > 1 ? std::max(10, std::atoi(argv[1])) : 10000;

    TRLGraphicStorage store;
    const double startMiB = bench::currentMiB();
    double rssAtTenth = 0;
    auto start = bench::Clock::now();
    for (int i = 0; i < pages; ++i) {
        store.Add(bench::makeReportPage(i));
        if (i == pages / 10) rssAtTenth = bench::currentMiB();
    }
    const double writeSeconds = bench::secondsSince(start);
    const double rssAfterWrite = bench::currentMiB();

    start = bench::Clock::now();
    std::size_t objects = 0;
    for (int i = 0; i < pages; ++i)
        if (TRLGraphicSurface* page = store.Pages(i)) objects += size_t(page->ObjectCount());
    const double inOrderSeconds = bench::secondsSince(start);

    std::vector<int> order(static_cast<size_t>(pages));
    for (int i = 0; i < pages; ++i)
        order[size_t(i)] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(12345));
    start = bench::Clock::now();
    for (int i : order)
        if (TRLGraphicSurface* page = store.Pages(i)) objects += size_t(page->ObjectCount());
    const double randomSeconds = bench::secondsSince(start);

    const qint64 spillBytes = QFileInfo(store.SpillFileName()).size();
    const double rssAfterRead = bench::currentMiB();

    QImage image(1056, 816, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    const TRLGraphicSurface* page = store.Pages(0);
    const int paints = 50;
    start = bench::Clock::now();
    for (int i = 0; i < paints; ++i) {
        image.fill(Qt::white);
        QPainter painter(&image);
        page->PaintTo(painter, image.rect());
    }
    const double paintSeconds = bench::secondsSince(start);

    std::printf("pages stored:                 %d (%zu objects read back)\n", pages, objects);
    std::printf("store (build + write):        %.0f pages/s\n", pages / writeSeconds);
    std::printf("read back in order:           %.0f pages/s\n", pages / inOrderSeconds);
    std::printf("read back in random order:    %.0f pages/s\n", pages / randomSeconds);
    std::printf("spill file:                   %.1f MiB (%.0f bytes a page)\n", spillBytes / 1048576.0,
                double(spillBytes) / pages);
    std::printf("resident memory:              %.1f MiB at start, %.1f after %d pages, %.1f after %d, "
                "%.1f after reading\n",
                startMiB, rssAtTenth, pages / 10 + 1, rssAfterWrite, pages, rssAfterRead);
    std::printf("peak resident memory:         %.1f MiB\n", bench::peakMiB());
    std::printf("paint one page at 100 %%:      %.2f ms\n", paintSeconds * 1000 / paints);
    return 0;
}
