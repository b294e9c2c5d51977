#pragma once

#include "composer/composer_view.h"
#include "platform/settings.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rl {

class TRLReport;
class TRLBand;
class TRLLabel;
class TRLImage;

// The text report composer: turns the lines of a plain-text report into a band
// report (one detail band with one label per line, a form feed starting a new
// page, a head picture once or on every page) and owns that report. Never shown.
//
// Lifetime: created at start-up, lives until the process ends; owns the report,
// its bands and controls, and the main window (through the view).
class TForm2 : public QObject {
    Q_OBJECT
public:
    explicit TForm2(QObject* parent = nullptr);
    ~TForm2() override;

    // Components, with their design settings applied by the constructor.
    TRLReport* RLReport1 = nullptr;
    TRLBand* RLBand1 = nullptr;
    TRLLabel* RLLabel1 = nullptr;
    TRLBand* titleband = nullptr;
    TRLImage* QRImage2 = nullptr;
    TRLBand* PageHeaderBand1 = nullptr;
    TRLImage* QRImage1 = nullptr;

    // Process-wide composer state.
    std::vector<std::string> ReportLines; // Windows-1252 bytes; index 0 is never printed
    int LineCursor = 0;
    int LoadedPageCount = 0;

    // Creates the main window; unset in batch mode.
    std::function<std::unique_ptr<ComposerView>(TForm2&)> ViewFactory;
    ComposerView* View() const { return view_.get(); }

    // "A4", "Carta" or "Customizado" (custom size from the given settings file);
    // any other name leaves the paper as it is. Names are compared exactly.
    void ApplyPaperSize(const QString& paperName, SettingsFile customSizeSource = SettingsFile::Program);

    // The composition at start-up: reads ReportFilePath, sets font size and
    // orientation, creates and shows the main window (when a factory is set) and
    // generates the pages.
    void ComposeReport();

    // Generates the pages again from the first line and, with a view, attaches
    // them to its preview. Returns whether the report was prepared.
    bool RegenerateAndShow();

    // Reads a text report: lines end at LF or CR LF, a lone CR is dropped,
    // Ctrl-Z ends the file, NUL becomes a blank, no length limit. A missing or
    // unreadable file (or a folder) gives no lines.
    static std::vector<std::string> ReadReportLines(const QString& path);

    // The label's font size for a column code: 7 points for "132", 6 for "255", 8 otherwise.
    static int FontSizeForColumnCode(const QString& columnCode);

private:
    std::unique_ptr<ComposerView> view_;
};

} // namespace rl
