// Preview painting and page turns: a store of report pages (60 lines of 132
// characters, five objects a line as the report engine makes them; only five
// pages cached), shown in a 1280 x 800 preview.
//
// - paint: the visible part of the page at 100, 200 and 40 % (whole preview
//   rendered into an image, as a full repaint of the window would), and a thin
//   strip of it (what scrolling by a line repaints);
// - page turn: GoToPageNumber to a page that is not cached (read back from the
//   spill file) plus the repaint, in one- and three-page mode.
//
// Usage: preview_bench [PAGES] [FRAMES]   (defaults 2000 and 40)
#include "bench_support.h"
#include "report_pages.h"

#include "pagestore/graphic_storage.h"
#include "platform/report_font.h"
#include "preview/preview.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

using namespace rl;

namespace {

struct Stats {
    double mean = 0, median = 0, worst = 0;
};

Stats statsOf(std::vector<double> ms) {
    Stats s;
    if (ms.empty()) return s;
    std::sort(ms.begin(), ms.end());
    for (double v : ms)
        s.mean += v;
    s.mean /= double(ms.size());
    s.median = ms[ms.size() / 2];
    s.worst = ms.back();
    return s;
}

// Milliseconds per repaint of the region of the preview.
double paintMs(TRLPreview& preview, QImage& image, const QRegion& region, int frames) {
    preview.render(&image, region.boundingRect().topLeft(), region); // warm the glyph cache
    const auto start = bench::Clock::now();
    for (int i = 0; i < frames; ++i)
        preview.render(&image, region.boundingRect().topLeft(), region);
    return bench::secondsSince(start) * 1000 / frames;
}

// Page turns to pages that are not in the cache, each followed by a repaint.
Stats pageTurns(TRLPreview& preview, QImage& image, int pages, int turns, std::mt19937& random) {
    std::vector<double> ms;
    std::uniform_int_distribution<int> pick(1, pages);
    for (int i = 0; i < turns; ++i) {
        int target;
        do
            target = pick(random);
        while (std::abs(target - preview.CurrentPageNumber()) <= TRLGraphicStorage::kCacheSize);
        const auto start = bench::Clock::now();
        preview.GoToPageNumber(target);
        preview.render(&image);
        ms.push_back(bench::secondsSince(start) * 1000);
    }
    return statsOf(ms);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    registerReportFont();
    const int pages = argc > 1 ? std::max(20, std::atoi(argv[1])) : 2000;
    const int frames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 40;

    QObject owner;
    auto* store = new TRLGraphicStorage(&owner);
    auto start = bench::Clock::now();
    for (int i = 0; i < pages; ++i)
        store->Add(bench::makeReportPage(i));
    store->SetFirstPageNumber(1);
    store->SetLastPageNumber(pages);
    store->SetOrientation(2);
    store->SetPaperWidth(215.9);
    store->SetPaperHeight(279.4);
    const double buildSeconds = bench::secondsSince(start);

    TRLPreview preview;
    preview.resize(1280, 800);
    preview.show();
    QApplication::processEvents();
    preview.AttachStorage(store);
    QImage image(preview.size(), QImage::Format_RGB32);
    const QRegion whole(preview.rect());
    const QRegion strip(0, 400, preview.width(), 12);

    std::printf("store:                          %d pages of 60 lines (%.1f s to build)\n", pages,
                buildSeconds);
    std::printf("preview:                        %d x %d, %d frames a figure\n", preview.width(),
                preview.height(), frames);
    preview.GoToPageNumber(pages / 2);
    for (double zoom : {100.0, 200.0, 40.0}) {
        preview.SetZoomFactor(zoom);
        // Scrolled to the middle of the page where it is larger than the window.
        preview.SetHorzScrollPosition(preview.horizontalScrollBar()->maximum() / 2);
        preview.SetVertScrollPosition(preview.verticalScrollBar()->maximum() / 2);
        const double full = paintMs(preview, image, whole, frames);
        const double line = paintMs(preview, image, strip, frames);
        std::printf("paint at %3.0f %%:                 %6.2f ms a full repaint, %6.2f ms a 12-pixel strip\n",
                    zoom, full, line);
    }

    std::mt19937 random(20240501);
    preview.FitWholePage();
    const Stats one = pageTurns(preview, image, pages, 100, random);
    std::printf(
        "page turn, one page (%3.0f %%):    %6.2f ms mean, %6.2f median, %6.2f worst (reload + layout + "
        "paint)\n",
        preview.ZoomFactor(), one.mean, one.median, one.worst);
    preview.SetZoomFactor(100);
    const Stats hundred = pageTurns(preview, image, pages, 100, random);
    std::printf("page turn, one page (100 %%):    %6.2f ms mean, %6.2f median, %6.2f worst\n", hundred.mean,
                hundred.median, hundred.worst);
    preview.ShowMultiplePages();
    const Stats three = pageTurns(preview, image, pages, 50, random);
    std::printf("page turn, three pages (%2.0f %%):  %6.2f ms mean, %6.2f median, %6.2f worst\n",
                preview.ZoomFactor(), three.mean, three.median, three.worst);

    // The parts of a turn: reading a page back, and painting it alone.
    std::vector<double> loads;
    for (int i = 0; i < 100; ++i) {
        const int index = (i * 97) % pages;
        const auto t = bench::Clock::now();
        store->Pages(index);
        loads.push_back(bench::secondsSince(t) * 1000);
    }
    const Stats load = statsOf(loads);
    QImage pageImage(1056, 816, QImage::Format_RGB32);
    pageImage.setDotsPerMeterX(3780);
    pageImage.setDotsPerMeterY(3780);
    const TRLGraphicSurface* page = store->Pages(0);
    start = bench::Clock::now();
    for (int i = 0; i < frames; ++i) {
        pageImage.fill(Qt::white);
        QPainter painter(&pageImage);
        page->PaintTo(painter, pageImage.rect());
    }
    const double pagePaint = bench::secondsSince(start) * 1000 / frames;
    std::printf("page read from the spill file:  %6.2f ms mean, %6.2f worst\n", load.mean, load.worst);
    std::printf("page PaintTo into an image:     %6.2f ms\n", pagePaint);
    std::printf("peak resident memory:           %.1f MiB\n", bench::peakMiB());
    return 0;
}
