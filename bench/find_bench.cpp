// Text search over a long report: 1,700 pages as the viewer makes them for a
// 132-column report (60 lines a page, five objects a line), with a word on the
// first and on the last page. Measures the pass that counts the matches of
// every page (what a new search in the find bar does) for each option, and
// stepping from the first match to the last one, then back round the wrap.
//
// Usage: find_bench [PAGES]   (default 1700)
#include "bench_support.h"
#include "report_pages.h"

#include "pagestore/graphic_storage.h"
#include "pagestore/text_search.h"
#include "platform/report_font.h"

#include <QGuiApplication>

#include <cstdio>

using namespace rl;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    registerReportFont();
    const int pages = argc > 1 ? std::max(2, std::atoi(argv[1])) : 1700;

    TRLGraphicStorage store;
    for (int i = 0; i < pages; ++i) {
        std::unique_ptr<TRLGraphicSurface> page = bench::makeReportPage(i);
        if (i == 0 || i == pages - 1)
            page->TextRect({38, 770, 1018, 782}, 38, 770, "SALDO DA CONTA  a\xe7\xe3o  1.234,56", haLeft,
                           vaTop, 5);
        store.Add(std::move(page));
    }
    const double startMiB = bench::currentMiB();

    struct Case {
        const char* name;
        const char* text;
        TextSearchOptions options;
    } cases[] = {
        {"case-insensitive", "saldo da", {}},
        {"exact case", "SALDO DA", {true, false, false}},
        {"whole word", "saldo", {false, true, false}},
        {"accent-insensitive", "acao", {false, false, true}},
        {"no match", "no such text", {}},
    };
    std::printf("pages searched:               %d (%d text lines)\n", pages, pages * 60 + 2);
    for (const Case& c : cases) {
        const auto start = bench::Clock::now();
        ReportSearch search(store, TextPattern::FromText(QString::fromUtf8(c.text), c.options));
        search.Run();
        const double seconds = bench::secondsSince(start);
        std::printf("count pass, %-19s %.3f s (%.0f pages/s), %d matches\n",
                    (std::string(c.name) + ":").c_str(), seconds, pages / seconds, search.Total());
    }

    ReportSearch search(store, TextPattern::FromText(QStringLiteral("saldo"), {}));
    search.Run();
    bool wrapped = false;
    auto start = bench::Clock::now();
    const std::optional<TextMatch> first = search.Next({}, true, wrapped);
    const std::optional<TextMatch> last = search.Next(first->at, false, wrapped);
    const std::optional<TextMatch> again = search.Next(last->at, false, wrapped);
    const double stepSeconds = bench::secondsSince(start);
    std::printf("first -> last -> wrap:        %.4f s (pages %d, %d, %d; ordinal of the last %d)\n",
                stepSeconds, first->at.page + 1, last->at.page + 1, again->at.page + 1,
                search.Ordinal(*last) + 1);
    std::printf("resident memory:              %.1f MiB before the searches, %.1f after, %.1f peak\n",
                startMiB, bench::currentMiB(), bench::peakMiB());
    return 0;
}
