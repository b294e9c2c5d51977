#pragma once

#include "pagestore/graphic_storage.h"
#include "pagestore/graphic_surface.h"
#include "print/draft_filter.h"

#include "support/test_support.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <memory>
#include <string>

namespace rl::test {

// A printer of a Letter sheet at 300 dpi with quarter-inch margins, so that a
// Letter page's offsets L and T are both 24 page units.
class FixedDraftPrinter : public DraftPrinter {
public:
    PrinterMetrics SetupPaperAndMetrics(bool, double, double) override { return PrinterMetrics::fallback(); }
    QString PortPath() override { return port; }
    QString CurrentPrinterName() override { return name; }
    QString port;
    QString name = QStringLiteral("matricial");
};

// A store of Letter pages (portrait unless told), owned by owner.
inline TRLGraphicStorage* draftStore(QObject& owner, double widthMm = 215.9, double heightMm = 279.4) {
    auto* store = new TRLGraphicStorage(&owner);
    store->SetPaperWidth(widthMm);
    store->SetPaperHeight(heightMm);
    store->SetOrientation(1);
    return store;
}

inline TRLGraphicSurface& addPage(TRLGraphicStorage& store) {
    auto page = std::make_unique<TRLGraphicSurface>();
    page->Width = 816;
    page->Height = 1056;
    TRLGraphicSurface& ref = *page;
    store.Add(std::move(page));
    return ref;
}

// A left-aligned unclipped text whose origin is at (x, y).
inline TRLTextObject& addText(TRLGraphicSurface& page, int x, int y, const std::string& text,
                              std::uint8_t style = 0) {
    page.DrawFont.Style = style;
    return page.TextRect({x, y, x + 400, y + 16}, x, y, text, haLeft, vaTop, toUnclipped);
}

// What a 9-pin printer would put on paper: each printed character at its
// vertical position (1/72 or 1/360 inch, whatever the stream moves in) and
// column (1/120 inch). Escape sequences are followed as the default commands
// send them; graphics are skipped.
struct DecodedPrint {
    std::map<long long, std::map<int, char>> cells;
    long long rowOf(char c) const; // first row holding c; -1 when none
    // The row's characters left to right, characters width units wide, blanks
    // between them kept, from column origin (a letter printed over its accent shows as the letter).
    std::string line(long long row, int width, int origin = 0) const;
};

inline long long DecodedPrint::rowOf(char c) const {
    for (const auto& [row, line] : cells)
        for (const auto& [column, ch] : line)
            if (ch == c) return row;
    return -1;
}

inline std::string DecodedPrint::line(long long row, int width, int origin) const {
    const auto found = cells.find(row);
    if (found == cells.end()) return {};
    std::string text;
    for (const auto& [column, ch] : found->second) {
        const int at = (column - origin) / width;
        if (at < 0) continue;
        if (text.size() < size_t(at) + 1) text.resize(size_t(at) + 1, ' ');
        text[size_t(at)] = ch;
    }
    return text;
}

// V: row units in one line at 6 lines per inch (12, or 60 for ESC/P2).
inline DecodedPrint decodeDraft(const QByteArray& bytes, int V = 12) {
    DecodedPrint print;
    long long y = 0;
    int x = 0, pitch = 10, spacing = V;
    bool condensed = false, expanded = false;
    auto width = [&] {
        const int p = condensed ? (pitch == 10 ? 17 : 20) : pitch;
        return (expanded ? 2 : 1) * (120 / p);
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == 0x1B && i + 1 < bytes.size()) {
            const char command = bytes[++i];
            auto argument = [&] { return i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[++i]) : 0; };
            switch (command) {
            case 'P':
                pitch = 10;
                break;
            case 'M':
                pitch = 12;
                break;
            case 'x':
            case 'W':
            case 'G':
            case 'H':
            case '4':
            case '5':
            case '-':
                if (command == 'W')
                    expanded = argument() == 1;
                else if (command == 'x' || command == '-')
                    argument();
                break;
            case '2':
                spacing = V;
                break;
            case 'A':
            case '+':
                spacing = argument();
                break;
            case 'L': {
                const int n = argument() | argument() << 8;
                i += n;
                break;
            }
            default:
                break;
            }
            continue;
        }
        switch (c) {
        case 0x12:
            condensed = false;
            break;
        case 0x0F:
            condensed = true;
            break;
        case '\r':
            x = 0;
            break;
        case '\n':
            y += spacing;
            break;
        case 0x08:
            x -= width();
            break;
        case 0x0C:
            break;
        default:
            print.cells[y][x] = char(c);
            x += width();
        }
    }
    return print;
}

// Runs the filter over the store into a file and returns the bytes.
inline QByteArray runDraft(TRLDraftFilter& filter, TRLGraphicStorage& store, int fromPage = 1,
                           int toPage = -1) {
    filter.SetShowProgress(false);
    filter.SetPrinter(std::make_unique<FixedDraftPrinter>());
    filter.SetDeviceKind(dkFileName);
    const QString path = sandboxDir() + "/draft.prn";
    filter.SetDevicePath(path);
    filter.Run(&store, fromPage, toPage);
    return readFile(path);
}

} // namespace rl::test
