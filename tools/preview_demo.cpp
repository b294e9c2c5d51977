// Shows the preview control on a few pages that look like a 132-column report
// (Orator10 BT 7 pt on Letter landscape), in a 1280 x 900 window.
//
// Usage: preview_demo [OUTDIR]
// With OUTDIR, saves screenshots of the window (preview-100.png at 100 %,
// preview-three.png in three-page mode, preview-200.png at 200 % scrolled into
// the page) there and quits.
#include "pagestore/graphic_storage.h"
#include "platform/report_font.h"
#include "preview/preview.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <string>
#include <vector>

using namespace rl;

namespace {

constexpr int kPageWidth = 1056, kPageHeight = 816; // Letter landscape at 96 dpi
constexpr int kMargin = 19;                         // about 5 mm
constexpr int kLineHeight = 11;
constexpr int kColumns = 132;

std::string padRight(std::string s, size_t width) {
    s.resize(width, ' ');
    return s;
}

std::string padLeft(const std::string& s, size_t width) {
    return s.size() >= width ? s.substr(0, width) : std::string(width - s.size(), ' ') + s;
}

std::string money(long cents) {
    std::string digits = std::to_string(cents / 100);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += '.';
        grouped += digits[i];
    }
    const long c = cents % 100;
    return grouped + "," + (c < 10 ? "0" : "") + std::to_string(c);
}

// The text lines of one page of a payroll-like listing, 132 columns wide
// (Windows-1252 bytes, as the report file holds them).
std::vector<std::string> pageLines(int pageNumber, int pageCount) {
    const std::string rule(kColumns, '-');
    std::vector<std::string> lines;
    lines.push_back(padRight("EMPRESA DEMONSTRA\xC7\xC3O LTDA", 100) +
                    padLeft("P\xE1g.: " + std::to_string(pageNumber) + "/" + std::to_string(pageCount), 32));
    lines.push_back(padRight("RELA\xC7\xC3O DE PAGAMENTOS POR FUNCION\xC1RIO", 100) +
                    padLeft("Emiss\xE3o: 08/12/2025", 32));
    lines.push_back(rule);
    lines.push_back(padRight("C\xD3"
                             "DIGO",
                             8) +
                    padRight("NOME DO FUNCION\xC1RIO", 36) + padRight("CARGO", 24) +
                    padRight("ADMISS\xC3O", 12) + padLeft("SAL\xC1RIO BASE", 16) + padLeft("DESCONTOS", 16) +
                    padLeft("L\xCDQUIDO", 20));
    lines.push_back(rule);
    static const char* names[] = {"ANA MARIA DE SOUZA",     "BENEDITO CARLOS PEREIRA",
                                  "CL\xC1UDIA REGINA LIMA", "DORIVAL JO\xC3O SANTOS",
                                  "EDNA APARECIDA ROCHA",   "FRANCISCO DE ASSIS MOURA",
                                  "GERALDO MAGELA ALVES",   "HELENA CRISTINA DIAS"};
    static const char* roles[] = {"AUXILIAR ADMINISTRATIVO",
                                  "ANALISTA FINANCEIRO",
                                  "GERENTE DE VENDAS",
                                  "MOTORISTA",
                                  "RECEPCIONISTA",
                                  "T\xC9"
                                  "CNICO DE SUPORTE"};
    long total = 0;
    const int rows = 56;
    for (int row = 0; row < rows; ++row) {
        const int n = (pageNumber - 1) * rows + row + 1;
        const long salary = 150000 + (n * 7919L) % 900000;
        const long deductions = salary * (8 + n % 7) / 100;
        total += salary - deductions;
        char code[16];
        std::snprintf(code, sizeof code, "%06d", n);
        char admission[16];
        std::snprintf(admission, sizeof admission, "%02d/%02d/%04d", 1 + n % 28, 1 + n % 12, 1990 + n % 34);
        lines.push_back(padRight(code, 8) + padRight(names[n % 8], 36) + padRight(roles[n % 6], 24) +
                        padRight(admission, 12) + padLeft(money(salary), 16) +
                        padLeft(money(deductions), 16) + padLeft(money(salary - deductions), 20));
    }
    lines.push_back(rule);
    lines.push_back(padRight("TOTAL DA P\xC1GINA", 112) + padLeft(money(total), 20));
    lines.push_back(rule);
    return lines;
}

// As the report engine draws a detail band: frame clip, then the label's text.
std::unique_ptr<TRLGraphicSurface> makePage(int pageNumber, int pageCount) {
    auto page = std::make_unique<TRLGraphicSurface>();
    page->Width = kPageWidth;
    page->Height = kPageHeight;
    page->SetOrientation(2);
    page->SetPaperWidth(215.9);
    page->SetPaperHeight(279.4);
    page->DrawFont.Name = "Orator10 BT";
    page->DrawFont.Size = 7;
    page->DrawBrush.Style = std::uint8_t(BrushStyle::Clear);
    int top = kMargin;
    for (const std::string& line : pageLines(pageNumber, pageCount)) {
        const PageRect band{kMargin, top, kPageWidth - kMargin, top + kLineHeight};
        page->SetClipRect(band);
        page->TextRect(band, kMargin, top, line, haLeft, vaTop, 5);
        page->ResetClipRect();
        top += kLineHeight;
    }
    return page;
}

bool save(QWidget& window, const QString& path) {
    // Let the repaint reach the display before reading it back.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    // The screen's own pixels when there is a real display (Xvfb); else the widgets painted.
    QPixmap shot;
    if (QScreen* screen = window.screen(); screen && QGuiApplication::platformName() == "xcb")
        shot = screen->grabWindow(window.winId());
    if (shot.isNull()) shot = window.grab();
    const bool ok = shot.save(path);
    std::printf("%s %s (%dx%d)\n", ok ? "saved" : "could not save", qPrintable(path), shot.width(),
                shot.height());
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    registerReportFont();

    const int pageCount = 4;
    QObject owner;
    auto* store = new TRLGraphicStorage(&owner);
    for (int i = 1; i <= pageCount; ++i)
        store->Add(makePage(i, pageCount));
    store->SetFirstPageNumber(1);
    store->SetLastPageNumber(pageCount);
    store->SetOrientation(2);
    store->SetPaperWidth(215.9);
    store->SetPaperHeight(279.4);

    QWidget window;
    window.setWindowTitle("Visualizando Relat\u00f3rio");
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* preview = new TRLPreview(&window);
    preview->setObjectName("RLPreview1");
    layout->addWidget(preview);
    window.resize(1280, 900);
    window.show();
    preview->AttachStorage(store);

    if (argc < 2) return app.exec();

    const QString outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outDir);
    int failures = 0;
    // Give the window manager-less display a moment to map and expose the window.
    QTimer::singleShot(500, &app, [&] {
        failures += !save(window, outDir + "/preview-100.png");
        preview->ShowMultiplePages();
        failures += !save(window, outDir + "/preview-three.png");
        preview->FitWholePage();
        preview->SetZoomFactor(100);
        preview->SetZoomFactor(200);
        preview->SetHorzScrollPosition(600);
        preview->SetVertScrollPosition(300);
        failures += !save(window, outDir + "/preview-200.png");
        app.exit(failures == 0 ? 0 : 1);
    });
    return app.exec();
}
