// Report generation throughput: one auto-sized detail band with one label fed
// N lines of 132 characters by OnNeedData, US Letter landscape, 7-point
// "Orator10 BT", as the viewer composes a 132-column report.
//
// Usage: report_bench [LINES]   (default 100000)
#include "bench_support.h"

#include "platform/report_font.h"
#include "report/custom_band.h"
#include "report/custom_label.h"
#include "report/custom_report.h"

#include <QApplication>

#include <cstdio>

using namespace rl;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerReportFont();
    const int lines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;

    QObject owner;
    auto* report = new TRLReport(&owner);
    report->setObjectName("RLReport1");
    report->ShowProgress = false;
    report->AdjustableMargins = true;
    report->Font.Name = "Orator10 BT";
    report->Font.Size = 7;
    report->Margins.SetAll(5);
    report->PageSetup.SetPaperSize(fpLetter);
    report->PageSetup.SetOrientation(poLandscape);
    auto* band = new TRLBand(&owner);
    band->SetParentControl(report);
    band->SetAutoSize(true);
    auto* label = new TRLLabel(&owner);
    label->SetParentControl(band);
    label->SetAlign(faLeftTop);

    std::string text(132, ' ');
    int next = 0;
    report->OnNeedData = [&](TRLCustomSkipper*, bool& more) {
        if (next >= lines) return;
        for (int i = 0; i < 132; ++i)
            text[size_t(i)] = char('A' + (next + i) % 26);
        ++next;
        if (next % 60 == 1 && next > 1) report->NewPage();
        label->SetCaption(text);
        more = true;
    };

    const double startMiB = bench::currentMiB();
    const auto start = bench::Clock::now();
    const bool ok = report->Prepare();
    const double seconds = bench::secondsSince(start);
    const int pages = report->Storage().PageCount();

    std::printf("prepared:              %s, %d lines, %d pages\n", ok ? "yes" : "NO", lines, pages);
    std::printf("Prepare:               %.3f s\n", seconds);
    std::printf("lines per second:      %.0f\n", lines / seconds);
    std::printf("pages per second:      %.0f\n", pages / seconds);
    std::printf("resident memory:       %.1f MiB before, %.1f MiB after\n", startMiB, bench::currentMiB());
    std::printf("peak resident memory:  %.1f MiB\n", bench::peakMiB());
    return ok ? 0 : 1;
}
