#pragma once

#include "composer/composer_view.h"
#include "platform/line_decoder.h"
#include "platform/report_text.h"
#include "platform/settings.h"
#include "platform/startup_values.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace rl {

class TRLReport;
class TRLBand;
class TRLLabel;
class TRLImage;
class TRLDraftFilter;
class TRLHTMLFilter;
class TRLPDFFilter;
class TRLRichFilter;
class TRLXLSFilter;

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

    // Components, with their design settings applied by the constructor. The
    // report takes its printer metrics from TRLPrinterWrapper::instance().
    TRLReport* RLReport1 = nullptr;
    TRLBand* RLBand1 = nullptr;
    TRLLabel* RLLabel1 = nullptr;
    TRLBand* titleband = nullptr;
    TRLImage* QRImage2 = nullptr;
    TRLBand* PageHeaderBand1 = nullptr;
    TRLImage* QRImage1 = nullptr;
    // The output filters, registered in this order as they are created (the
    // save dialog lists them so, and the first of an extension wins).
    TRLDraftFilter* RLDraftFilter1 = nullptr;
    TRLRichFilter* RLRichFilter1 = nullptr;
    TRLPDFFilter* RLPDFFilter1 = nullptr;
    TRLXLSFilter* RLXLSFilter1 = nullptr;
    TRLHTMLFilter* RLHTMLFilter1 = nullptr;

    // The start-up values this composer works from (the report session's copy):
    // the file, the column code, the orientation word, the head picture.
    StartupValues Values;

    // Process-wide composer state.
    // The file's lines as its bytes are (the text exports write them so),
    // read from the file as generation asks for them; index 0 is never
    // printed. The engine receives them through PrintedLine.
    ReportText ReportLines;
    int LineCursor = 0;
    int LoadedPageCount = 0;

    // Whether the composition generates in steps (StartGeneration: the first
    // page, the rest left to ContinueGeneration) rather than whole.
    bool GenerateInSteps = false;

    // Creates the main window; unset in batch mode.
    std::function<std::unique_ptr<ComposerView>(TForm2&)> ViewFactory;
    ComposerView* View() const { return view_.get(); }

    // Where the program-folder settings file is read from. Empty, the default,
    // means Settings::filePath(SettingsFile::Program), beside the executable.
    // Tests and the batch mode's tests point it into a private folder so that
    // nothing is ever written beside a test binary.
    QString ProgramSettingsPath;
    // The program-folder settings file, honouring ProgramSettingsPath.
    Settings ProgramSettings() const;
    // The layout settings the report follows: the user's choice in the
    // system-folder file, else the program-folder file (LayoutSettings). Both
    // picture bands and the custom paper size read them.
    LayoutSettings Layout() const;

    // Custom paper sides outside [kMinCustomPaperMm, kMaxCustomPaperMm]
    // millimetres are refused like a text that is not a number: below, the
    // margins alone fill the sheet and pages come out empty or of no size;
    // beyond, the page's pixel size would no longer fit the engine's 32-bit
    // coordinates.
    static constexpr double kMinCustomPaperMm = 10;
    static constexpr double kMaxCustomPaperMm = 10000;
    // Whether a settings text (decimal comma) is a custom paper side the report
    // can use, as ApplyPaperSize reads it.
    static bool IsCustomPaperMillimetres(const QString& text);

    // "A4", "Carta" or "Customizado" (custom size from Layout()); any other
    // name leaves the paper as it is. Names are compared exactly.
    void ApplyPaperSize(const QString& paperName);

    // The composition at start-up, from Values: reads
    // ReportFilePath, sets the label's font size from ColumnCode and landscape
    // from OrientationWord, creates the main window (when a factory is set),
    // generates the pages into its preview, then calls the view's ShowWindow,
    // checapaginas, habilitamenus and ApplyPermissionFlags, in that order.
    // The page tree is rebuilt by every generation (RebuildPageTree).
    void ComposeReport();
    // The same with the lines already read (the batch mode reads the file once,
    // to check it, and lays out that very reading).
    void ComposeReport(std::vector<std::string> lines);
    void ComposeReport(ReportText text);

    // Generates the pages again from the first line and, with a view, attaches
    // them to its preview. Returns whether the report was prepared.
    //
    // A line too wide for the page's printable width would be cut off on every
    // output, so the detail label's font is made smaller, a point at a time,
    // until the widest line fits, but never below kMinFittedFontSize (below
    // that the lines run off and the error log says so). Lines are only read
    // as the pages are made, so the first line too wide found starts the
    // generation again at the size it fits. The size asked for
    // (RLLabel1->Font.Size) is kept; FittedFontSize() tells the one the pages
    // were made with. Reports that fit are untouched.
    bool RegenerateAndShow();

    // ---- generation in steps, for a window that shows the first page at once
    // Generates again from the first line until the first page is stored (or
    // the report ends), then attaches the pages to the view's preview. Returns
    // whether pages remain to be generated (ContinueGeneration).
    bool StartGeneration();
    // Generates until enough() says so (checked before each line; empty: to
    // the end); returns whether pages remain. A failure (shown) ends it.
    bool ContinueGeneration(const std::function<bool()>& enough = {});
    // Generates until the store holds pageCount pages or the report ends.
    void GenerateUntilPage(int pageCount);
    // Generates the rest; returns whether the report was prepared.
    bool FinishGeneration();
    // Ends a generation in progress at once, its pages discarded.
    void StopGeneration();
    // LoadedPageCount := the page count, now or, while pages are still being
    // made, once they all are.
    void CountLoadedPages();
    // Between StartGeneration (or the start of RegenerateAndShow) and its end.
    bool Generating() const;
    // Whether the last generation ended complete (the report was prepared).
    bool Prepared() const { return prepared_; }

    // The smallest size a wide report is shrunk to: 4 points is still legible
    // on paper (5 pixels at 96 dpi on screen, where the zoom helps).
    static constexpr int kMinFittedFontSize = 4;
    // The detail font's size the last generation used.
    int FittedFontSize() const { return fittedFontSize_; }

    // Opens ReportLines on a file (a missing or unreadable one: no lines) and
    // decides the encoding they are printed in: the one asked for, or with
    // Auto the one the bytes show (ReportEncodingDetector: first over the
    // file's first megabyte, then over every line read; should the lines read
    // later change the decision, generation starts again in the new encoding).
    // Throws rl::Error when the system cannot decode that encoding.
    void LoadReportLines(const QString& path, ReportEncoding asked);
    // The same with lines already read, or a text already opened.
    void SetReportLines(std::vector<std::string> lines, ReportEncoding asked);
    void SetReportText(ReportText text, ReportEncoding asked);
    // The encoding ReportLines are printed in (never Auto; Windows-1252 until
    // a file is loaded).
    ReportEncoding LinesEncoding() const { return decoder_.Encoding(); }
    // Line index of ReportLines as the engine receives it: Windows-1252, one
    // byte per character; empty past the end. The reference is to buffer or
    // to a scratch line of the composer, valid until the next call.
    const std::string& PrintedLine(size_t index, std::string& buffer) const;

    // Reads a text report: lines end at LF or CR LF, a lone CR is dropped,
    // Ctrl-Z ends the file, NUL becomes a blank, no length limit. A missing or
    // unreadable file (or a folder) gives no lines.
    static std::vector<std::string> ReadReportLines(const QString& path);
    // The same, telling why nothing could be read: returns false, leaves lines
    // empty and sets *error (the path, ": " and the reason) when the path is
    // missing, not a regular file (folders, devices and pipes are never
    // opened, so nothing can block or run forever) or cannot be read.
    // The file is read in fixed-size chunks and each line is held at its own
    // length, so memory is the text plus a fixed cost per line (that of an
    // empty std::string).
    static bool ReadReportLinesInto(const QString& path, std::vector<std::string>& lines,
                                    QString* error = nullptr);

    // The label's font size for a column code: 7 points for "132", 6 for "255", 8 otherwise.
    static int FontSizeForColumnCode(const QString& columnCode);

private:
    // Report events: the line feed and the page tree.
    void ReportBeforePrint();
    void ReportNeedData(bool& moreData);
    void ReportAfterPrint();
    // Title band (mostra 0) and page-header band (mostra 1) before they print:
    // the head picture and the band's height. Both read the same settings, so
    // the picture prints once per page whichever is chosen.
    void PrintHeadPicture(TRLBand* band, TRLImage* image, int wantedMostra);
    // The head picture of the file, read once per generation (a failure too:
    // rl::Error again at each call), made to fit the printable height.
    QByteArray HeadPicture(const QString& path);
    // The picture, scaled down (aspect kept, one error-log line) when its band
    // would take more than half the printable height.
    QByteArray FittedHeadPicture(const QByteArray& picture);

    // Starts a run at fittedFontSize_ (restart) or at the label's own size.
    bool BeginGeneration(bool restart);
    // After a run's end: the label's own size back, the view told.
    void GenerationEnded();
    // A line wider than the page at the current size: the size it fits at
    // (kMinFittedFontSize at least) for a restart, unless the size is the
    // smallest already.
    void CheckLineFits(const std::string& caption);
    // The encoding the lines are printed in, from the detector when Auto.
    void ResolveLinesEncoding();
    // Tells the view how many pages there are while generation goes on.
    void NotifyProgress();

    std::unique_ptr<ComposerView> view_;
    int fittedFontSize_ = 0;
    int askedFontSize_ = 0;
    int fitWidth_ = 0;   // printable width for a detail line, this run
    int refitSize_ = 0;  // a restart at this size is due
    bool restartForEncoding_ = false;
    bool prepared_ = false;
    bool runOpen_ = false; // a run began and its end has not been dealt with
    bool countLoadedPages_ = false;
    bool sliced_ = false;   // made by StartGeneration: the view follows it
    bool attached_ = false; // this generation's store is on the preview
    int notifiedPages_ = -1;
    LineDecoder decoder_;
    bool autoEncoding_ = false;
    mutable std::string rawLine_;
    struct HeadPictureCache {
        QString path;
        QByteArray data;
        std::string error;
    };
    std::optional<HeadPictureCache> headPicture_;
};

} // namespace rl
