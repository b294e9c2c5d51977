#pragma once

#include "platform/startup_values.h"
#include "print/custom_filter.h"
#include "print/print_command.h"
#include "report/paper_table.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rl {

class ComposerView;
class ReportText;
class Settings;
class TForm2;
class TRLGraphicStorage;
class TRLSaveParams;
struct SurfaceFont;

// One report, from its text file to its pages and everything made of them.
// It owns the composer and its own copy of the start-up values, and is the only
// way to compose a report and change its layout: the main window's commands and
// the command line's batch mode both drive it, so the two lay a report out
// alike by construction. The window only observes it (PagesChanged, and the
// composer's view interface for the preview and the page tree).
//
// Main thread only. Message boxes of the composition (the custom paper's
// fallback, a picture that cannot be read) go through the message presenter.
class ReportSession : public QObject {
    Q_OBJECT
public:
    using ViewFactory = std::function<std::unique_ptr<ComposerView>(ReportSession&)>;

    // programSettingsPath: where the program-folder settings file is read
    // (empty: beside the executable); tests point it into a private folder.
    explicit ReportSession(StartupValues values, QString programSettingsPath = {}, QObject* parent = nullptr);
    ~ReportSession() override;
    ReportSession(const ReportSession&) = delete;
    ReportSession& operator=(const ReportSession&) = delete;

    // The start-up values of a command line (arguments without the program's
    // name) with the head picture and paper name of the settings: the user's
    // choice in the system-folder file, else the program-folder file at
    // programSettingsPath (empty: beside the executable). Call it once the
    // application object exists, which tells where the executable is.
    static StartupValues StartupValuesFor(const QStringList& arguments,
                                          const QString& programSettingsPath = {});

    const StartupValues& Values() const;
    TForm2& Composer() { return *composer_; }
    const TForm2& Composer() const { return *composer_; }

    // The start-up composition: the paper named by the settings, then the
    // lines of the file, the font size of the column code, the orientation
    // word, the view (when a factory is given: the window) and the pages.
    // Returns whether the report was prepared.
    bool Compose(const ViewFactory& viewFactory = {});
    // The same from lines already read, or from the text the batch mode opened
    // (its one reading of the file). With untilPage > 0 only the pages up to
    // untilPage are generated, and the rest only when an output needs them
    // (the batch mode's --pages); the result then says whether generation
    // went well so far.
    bool Compose(std::vector<std::string> lines);
    bool Compose(ReportText text, int untilPage = 0);

    // ---- generation in the background
    // With it on (the window's way), every generation stores the first page,
    // shows it, and makes the rest in short steps between the window's
    // events. Off by default: each generation is whole before it returns.
    void SetBackgroundGeneration(bool on) { background_ = on; }
    // Whether pages remain to be generated.
    bool Generating() const;
    // Generates the rest at once; returns whether the report was prepared.
    // Every output that needs the whole report calls it first.
    bool CompleteGeneration();
    // Generates until the report has pageCount pages, or ends.
    void GenerateUntilPage(int pageCount);
    // Ends a generation in progress at once (closing the window).
    void StopGeneration();
    // Pages fromPage..toPage are generated, and so is the whole report when
    // toPage is -1 or when one of those pages shows the page total. Every
    // output calls it for its range.
    void EnsurePages(int fromPage, int toPage);

    // ---- the pages and the lines
    TRLGraphicStorage& Pages();
    int PageCount() const;
    bool Prepared() const;
    // Every line of the text file, the first (never printed) one included,
    // with the file's own bytes (the text exports write them unchanged).
    const ReportText& ReportLines() const;
    // Line index as the pages print it: Windows-1252, one byte per character.
    std::string PrintedLine(size_t index) const;

    // ---- runs: one output at a time
    // Whether an output (a print, a save, an export) is under way.
    // Its progress step lets the window's events through, so while it is, the
    // layout changes below do nothing and another output is refused: a print
    // must not change layout half way, nor a second run reuse its filter.
    bool Running() const { return running_; }
    // Asks the output under way to stop after the page being drawn; nothing
    // when none is.
    void CancelRun();

    // ---- layout changes; each generates the pages again and signals PagesChanged
    // (none while Running())
    // Reads another text file (lines of a missing file: none) in the encoding
    // given (Auto: the one its bytes show) and lays it out; the encoding
    // becomes the one asked for from then on (Values().Encoding).
    void OpenReport(const QString& path, ReportEncoding encoding = ReportEncoding::Auto);
    // The encoding the lines are printed from (never Auto).
    ReportEncoding LinesEncoding() const;
    // The report's and the detail lines' font; 132- and 255-column reports keep
    // their 12-pixel lines.
    void SetReportFont(const SurfaceFont& font);
    void SetOrientation(TRLPageOrientation orientation);
    // Reads the picture once to refuse a damaged or unreadable file (throws
    // rl::Error, nothing changed), then prints it at the head of the report.
    void SetPicture(const QString& path);
    void RemovePicture();
    // Generates the pages again with the current layout.
    bool Regenerate();

    // ---- outputs
    // Saves pages fromPage..toPage (toPage -1: the last) through a save filter:
    // the one given, or the one the file name's extension selects. The data
    // exports (.xlsx, .csv) save the table of the whole report's text lines
    // whatever the range, and throw NoTableError, writing nothing, when the
    // report has none. Throws
    // rl::Error when no filter saves that extension, when the range holds no
    // page of the report, or when the filter fails (then no file is left
    // behind). Says whether the run completed or was cancelled (a cancelled
    // run leaves no file either). The report's own text file is never written.
    TRLCustomFilter::RunResult SaveAs(const QString& path, int fromPage = 1, int toPage = -1,
                                      TRLCustomSaveFilter* filter = nullptr);
    // The print command: the print dialog over the pages, then the page
    // printer, or the dot-matrix filter chosen in the dialog at the pitch of
    // the column code. Failures are shown and logged, never thrown; the print
    // parameters are reset in every case. parent owns the dialog.
    PrintOutcome Print(QWidget* parent = nullptr, const QObject* sender = nullptr);
    // Prints pages fromPage..toPage (toPage -1: the last) on the named CUPS
    // queue, or the default one, without a dialog (the batch mode).
    PrintOutcome PrintOnQueue(const QString& queue, int fromPage = 1, int toPage = -1);
    // Prints pages fromPage..toPage on a dot-matrix printer in text mode, at the
    // pitch of the column code, with the form option (0 "Padrão", 1 "80 cols",
    // 2 "132 cols"), to a file or device path, "cups:QUEUE", or (empty) the
    // selected printer's port. Throws rl::Error.
    TRLCustomFilter::RunResult PrintDraft(const QString& target, int fromPage = 1, int toPage = -1,
                                          int formOption = 0);
    // Writes every line of the text file, the first one included, each ended by
    // CR LF, the bytes unchanged (the text editor's export). Throws rl::Error
    // when the file cannot be written or is the report's own text file.
    void SaveReportLines(const QString& path) const;
    static void WriteReportLines(const ReportText& lines, const QString& path,
                                 const QString& reportFilePath = {});

    // ---- the save dialog's answers
    enum class SaveOutcome { Saved, Cancelled, NoFilter };
    // Saves as the save dialog answered: through the parameters' filter when it
    // is a PDF, RTF, HTML or XLS filter (tested by class in that order) or a
    // data export, over
    // FromPage..ToPage into FileName, in the foreground whatever the dialog's
    // background choice. Without such a filter ("Padrão", or a name whose
    // extension no filter saves) nothing is written: NoFilter. Throws rl::Error
    // as SaveAs does; a cancelled run writes nothing.
    SaveOutcome SaveWithParams(const TRLSaveParams& params);

    // ---- the fixed files handed to other programs
    static const QString kRichTextHandOffName; // "Relatório.rtf"
    static const QString kHtmlHandOffName;     // "Relatorio.html"
    static const QString kTextHandOffName;     // "Relatório.txt"
    // Where the hand-off files go first; empty (the default) means
    // Folders::programFolder(). Tests point it into a private folder, so that
    // nothing is ever written beside a test binary.
    void SetProgramFolder(const QString& folder) { programFolder_ = folder; }
    QString ProgramFolder() const;
    // The folder the hand-off files are written to: the program folder when a
    // file can be created there, else the user's data folder
    // (Folders::userDataFolder(), created), else the program folder again, so
    // that the failure names the program's own place.
    QString HandOffFolder() const;
    // Each writes its file into HandOffFolder(), replacing the one of an earlier
    // run, and returns its path; empty when the user cancelled the run (nothing
    // written then). Throws rl::Error when the file cannot be written.
    // Every page through the RTF filter the name selects.
    QString WriteRichTextHandOff();
    // Every page through the composer's HTML filter, wrapped for fixed-pitch
    // display (WrapHtmlForFixedPitch).
    QString WriteHtmlHandOff();
    // Every text line, as SaveReportLines.
    QString WriteTextHandOff();
    // Puts the text of an HTML file between "<pre>" (after the first line that
    // is exactly "<body>", or at the very start when there is none) and
    // "</pre>" (before the first line that is exactly "</body>"), so that the
    // browser keeps its fixed-pitch layout. Throws rl::Error, leaving the file
    // as it was, when it has no line "</body>" or cannot be read or written.
    static void WrapHtmlForFixedPitch(const QString& path);

    // ---- page setup; these take effect at the next Regenerate()
    // The head picture's path, taken as it is: a file that cannot be read then
    // prints no picture, as one named by the settings at start-up.
    void SetFigurePath(const QString& path);
    // "A4", "Carta" or "Customizado" (any other name changes nothing), the
    // custom size read from the layout settings (TForm2::Layout); a custom size
    // that cannot be used gives A4 and says so.
    void ApplyPaper(const QString& paperName);

    // ---- the calling program's restrictions ("permissao" on the command line)
    // Whether the command line restricts anything at all.
    bool HasPermissionFlags() const;
    // Whether the action is allowed: true without "permissao".
    bool Permits(PermissionFlag flag) const { return Permits(Values(), flag); }
    // The same for start-up values, before any session exists.
    static bool Permits(const StartupValues& values, PermissionFlag flag);

signals:
    // The pages were generated again (layout change, another file); in the
    // background, once the first page is there.
    void PagesChanged();
    // A background generation has ended (complete, failed or stopped).
    void GenerationFinished();
    // An output began (true) or ended (false).
    void RunningChanged(bool running);

private:
    class RunScope;
    bool running_ = false;
    bool background_ = false;
    QTimer steps_;
    bool Compose(const ViewFactory& viewFactory, ReportText* text, int untilPage);
    // Starts the steps of a generation begun in the background.
    void ContinueInBackground();
    void GenerationStep();

    std::unique_ptr<TForm2> composer_;
    QString programFolder_;
};

} // namespace rl
