// Report generation throughput of the engine alone (report, bands, page store
// and spill file), US Letter landscape, 7-point "Orator10 BT", as the viewer
// composes a 132-column report.
//
// Usage: report_bench [LINES | FILE] [--dump OUT]
// - LINES (default 100000): one auto-sized detail band with one label fed
//   LINES synthetic lines of 132 characters by OnNeedData, a page every 60.
// - FILE: the lines of a text report fed as the composer feeds them (header
//   and title bands with an empty picture each, the first line skipped, a line
//   holding a form feed opening a page), without the composer's own work.
// --dump OUT writes the spill file, then every page as read back from the
// store, serialized, so two builds can be compared byte for byte (cmp).
#include "bench_support.h"

#include "pagestore/graphic_storage.h"
#include "platform/report_font.h"
#include "report/custom_band.h"
#include "report/custom_label.h"
#include "report/custom_report.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <cstring>
#include <ctime>

using namespace rl;

namespace {

// Lines as the composer reads them: LF or CR LF ends a line, a lone CR is
// dropped, Ctrl-Z ends the file, NUL becomes a blank.
std::vector<std::string> readLines(const QString& path) {
    QFile file(path);
    std::vector<std::string> lines;
    if (!file.open(QIODevice::ReadOnly)) return lines;
    const QByteArray bytes = file.readAll();
    std::string line;
    bool started = false;
    for (const char c : bytes) {
        if (c == '\x1a') break;
        if (c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            started = false;
            continue;
        }
        started = true;
        if (c == '\r') continue;
        line.push_back(c == '\0' ? ' ' : c);
    }
    if (started) lines.push_back(std::move(line));
    return lines;
}

SurfaceFont reportFont(int points) {
    SurfaceFont font;
    font.Name = "Orator10 BT";
    font.Size = points;
    font.Charset = 0;
    return font;
}

TRLBand* addBand(QObject* owner, TRLBandType type, TRLCustomReport* report) {
    auto* band = new TRLBand(owner);
    band->BandType = type;
    band->SetParentControl(report);
    return band;
}

void addHeadPicture(QObject* owner, TRLBand* band, int left) {
    band->SetHeight(1);
    auto* image = new TRLImage(owner);
    image->SetParentControl(band);
    image->SetBounds(left, 0, 1, 1);
    image->SetAutoSize(true);
    band->BeforePrint = [band, image](TRLCustomControl*, bool&) {
        band->SetHeight(0);
        image->SetHeight(0);
    };
}

// CPU time of the process: on a shared machine the wall clock also counts
// the time other work takes the processor away.
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

bool dump(TRLGraphicStorage& store, const QString& path) {
    QFile spill(store.SpillFileName());
    QFile out(path);
    if (!spill.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) return false;
    out.write(spill.readAll());
    for (int i = 0; i < store.PageCount(); ++i) {
        const TRLGraphicSurface* page = store.Pages(i);
        if (!page) return false;
        out.write(page->SaveToBytes());
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerReportFont();
    QString source, dumpPath;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dump") == 0 && i + 1 < argc)
            dumpPath = QString::fromLocal8Bit(argv[++i]);
        else
            source = QString::fromLocal8Bit(argv[i]);
    }
    bool isNumber = false;
    const int synthetic = source.isEmpty() ? 100000 : source.toInt(&isNumber);
    const std::vector<std::string> fileLines =
        isNumber || source.isEmpty() ? std::vector<std::string>{} : readLines(source);
    const bool fromFile = !isNumber && !source.isEmpty();
    const int lines = fromFile ? int(fileLines.size()) - 1 : std::max(1, synthetic);

    QObject owner;
    auto* report = new TRLReport(&owner);
    report->setObjectName("RLReport1");
    report->ShowProgress = false;
    report->AdjustableMargins = true;
    report->Font = reportFont(fromFile ? 8 : 7);
    report->Margins.SetAll(5);
    report->PageSetup.SetPaperSize(fpLetter);
    report->PageSetup.SetOrientation(poLandscape);
    if (fromFile) {
        addHeadPicture(&owner, addBand(&owner, btHeader, report), 248);
        addHeadPicture(&owner, addBand(&owner, btTitle, report), 304);
    }
    auto* band = addBand(&owner, btDetail, report);
    auto* label = new TRLLabel(&owner);
    label->SetParentControl(band);
    if (fromFile) {
        band->ParentFont = false;
        band->Font = reportFont(7);
        band->SetHeight(12);
        label->ParentFont = false;
        label->Font = reportFont(7);
    }
    label->SetAlign(faLeftTop);
    band->SetAutoSize(true);
    report->Realign();

    std::string text(132, ' ');
    int next = 0;
    report->OnNeedData = [&](TRLCustomSkipper*, bool& more) {
        if (next >= lines) return;
        ++next;
        if (fromFile) {
            const std::string& line = fileLines[size_t(next)];
            if (line.find('\f') != std::string::npos) {
                report->NewPage();
                label->SetCaption(line.substr(1));
            } else {
                label->SetCaption(line);
            }
        } else {
            for (int i = 0; i < 132; ++i)
                text[size_t(i)] = char('A' + (next - 1 + i) % 26);
            if (next % 60 == 1 && next > 1) report->NewPage();
            label->SetCaption(text);
        }
        more = true;
    };

    const double startMiB = bench::currentMiB();
    const auto start = bench::Clock::now();
    const double cpuStart = cpuSeconds();
    const bool ok = report->Prepare();
    const double seconds = bench::secondsSince(start);
    const double cpu = cpuSeconds() - cpuStart;
    const int pages = report->Storage().PageCount();

    std::printf("prepared:              %s, %d lines%s, %d pages\n", ok ? "yes" : "NO", lines,
                fromFile ? (" of " + source.toStdString()).c_str() : " (synthetic)", pages);
    std::printf("Prepare:               %.3f s (%.3f s of processor time)\n", seconds, cpu);
    std::printf("lines per second:      %.0f\n", lines / seconds);
    std::printf("lines per CPU second:  %.0f\n", lines / cpu);
    std::printf("pages per second:      %.0f\n", pages / seconds);
    std::printf("resident memory:       %.1f MiB before, %.1f MiB after\n", startMiB, bench::currentMiB());
    std::printf("peak resident memory:  %.1f MiB\n", bench::peakMiB());
    if (!dumpPath.isEmpty() && !dump(report->Storage(), dumpPath)) {
        std::fprintf(stderr, "report_bench: cannot dump the pages to %s\n", qPrintable(dumpPath));
        return 1;
    }
    return ok ? 0 : 1;
}
