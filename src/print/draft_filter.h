#pragma once

#include "print/custom_filter.h"
#include "print/draft_commands.h"
#include "print/draft_device.h"
#include "print/draft_items.h"
#include "print/draft_options.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace rl {

// Prints stored pages on a dot-matrix printer in its character mode: text
// placed by carriage returns, line feeds and blanks at a character pitch, the
// printer's own sequences for pitch, line spacing and type styles, lines and
// rectangles as characters, pictures as 8-dot graphics strips.
//
// The bytes go to the selected printer's port (a file or device it names, else
// one raw job to its CUPS queue), to a file, or to a temporary file handed to a
// program; see ResolveDraftTarget. A queue's job is sent, and the program
// started, only when the run completed: a failed or cancelled run sends
// nothing to a queue (a file keeps what was written). The filter makes its own
// copies (kOwnCopies): copies follow one another in one output.
//
// Not thread-safe; the GUI thread, like every filter.
class TRLDraftFilter : public TRLCustomPrintFilter {
    Q_OBJECT
public:
    explicit TRLDraftFilter(QObject* owner = nullptr);
    ~TRLDraftFilter() override;

    // ---- published properties
    // Lines "Name=value" of control sequences (see ExpandDraftCommand).
    QStringList Commands() const { return commands_; }
    void SetCommands(const QStringList& commands) { commands_ = commands; }
    // Worth keeping in a stored description only for a custom family.
    bool CommandsStored() const { return printerFamily_ == fmCustom; }

    // A file of command lines that replaces Commands when a document begins, if it exists.
    QString DriverName() const { return driverName_; }
    void SetDriverName(const QString& name) { driverName_ = name; }

    TRLDraftDeviceKind DeviceKind() const { return deviceKind_; }
    void SetDeviceKind(TRLDraftDeviceKind kind) { deviceKind_ = kind; }
    bool DeviceKindStored() const { return deviceKind_ != dkPrinterPort; }
    // A file name (dkFileName, "cups:QUEUE" for a queue) or a command line with
    // "%p" (printer name), "%d" (its port) and "%f" (the file written) for dkProgram.
    QString DevicePath() const { return devicePath_; }
    void SetDevicePath(const QString& path) { devicePath_ = path; }
    bool DevicePathStored() const {
        return devicePath_.compare(QLatin1String("prn"), Qt::CaseInsensitive) != 0;
    }

    TRLAccentMethod AccentMethod() const { return accentMethod_; }
    void SetAccentMethod(TRLAccentMethod method) { accentMethod_ = method; }
    TRLEjectMethod EjectMethod() const { return ejectMethod_; }
    void SetEjectMethod(TRLEjectMethod method) { ejectMethod_ = method; }
    // Another family refills Commands with its defaults (none for fmCustom).
    TRLDraftPrinterFamily PrinterFamily() const { return printerFamily_; }
    void SetPrinterFamily(TRLDraftPrinterFamily family);
    TRLDitheringMethod DitheringMethod() const { return ditheringMethod_; }
    void SetDitheringMethod(TRLDitheringMethod method) { ditheringMethod_ = method; }
    TRLLineDrawMethod LineDrawMethod() const { return lineDrawMethod_; }
    void SetLineDrawMethod(TRLLineDrawMethod method) { lineDrawMethod_ = method; }
    TRLFillArtMethod FillArtMethod() const { return fillArtMethod_; }
    void SetFillArtMethod(TRLFillArtMethod method) { fillArtMethod_ = method; }
    TRLFormSelection FormSelection() const { return formSelection_; }
    void SetFormSelection(TRLFormSelection selection);
    TRLStretchCharWidth StretchCharWidth() const { return stretchCharWidth_; }
    void SetStretchCharWidth(TRLStretchCharWidth stretch) { stretchCharWidth_ = stretch; }
    // ddIncludeNone empties TextStyles, ddIncludeAll fills them.
    TRLTextDecoration TextDecoration() const { return textDecoration_; }
    void SetTextDecoration(TRLTextDecoration decoration);
    // Flags of TRLDraftTextStyle; assigning them makes the decoration ddCustomized.
    int TextStyles() const { return textStyles_; }
    void SetTextStyles(int styles);
    bool TextStylesStored() const { return textDecoration_ == ddCustomized; }
    TRLCPPSelection CPPSelection() const { return cppSelection_; }
    void SetCPPSelection(TRLCPPSelection selection) { cppSelection_ = selection; }

    // ---- the print dialog's form option: "Padrão", "80 cols", "132 cols"
    QString OptionsLabel() const override;
    std::optional<QStringList> OptionList() const override;
    int OptionIndex() const override { return formIndex_; }
    void SetOptionIndex(int index) override { formIndex_ = index; }
    // Portrait 0, landscape 1; chooses the form when FormSelection follows the orientation.
    void SetOrientation(int orientation) override;

    // Horizontal scale of page positions: a portrait page on the 132-column
    // form is widened, a landscape page on the 80-column form narrowed.
    double HorizontalScale() const;

    // ---- seams (tests)
    // The printer asked for metrics, port and name; SystemDraftPrinter() unless replaced.
    void SetPrinter(std::unique_ptr<DraftPrinter> printer);
    // Starts dkProgram's program with its arguments; QProcess::startDetached unless replaced.
    void
    SetProgramLauncher(std::function<void(const QString& program, const QStringList& arguments)> launcher);

protected:
    void BeginDoc() override;
    void EndDoc() override;
    void NewPage() override;
    void DrawPage(const TRLGraphicSurface& page) override;

private:
    void CommitOutput() override;
    void DiscardOutput() noexcept override;

    // ---- what goes out
    void sendCommand(const char* name, int parameter = 0); // a control sequence by name
    void sendBytes(const QByteArray& bytes);
    void flushOutput();
    void selectPitch(int cpp, bool forced);      // CPPnn (ExpandOn/Off for 5 cpi)
    void setLineSpacing(int units, bool forced); // MicroOff at 6 lpi, else MicroOn n
    void moveTo(int row, int column);            // CR, LF and Space to a position
    void setStyles(int style);                   // BoldOn/Off, ItalicOn/Off, UnderlineOn/Off
    void printText(TDraftText& text);            // a text with its accents and styles
    void printStrip(const TDraftRaw& strip);     // RAW and the strip's dot columns
    void ejectPage();                            // the end of a page, by EjectMethod
    QByteArray convertAccents(const std::string& text) const;
    void launchProgram();

    DraftLayout layout() const;

    QStringList commands_;
    QString driverName_;
    TRLDraftDeviceKind deviceKind_ = dkPrinterPort;
    QString devicePath_ = QStringLiteral("prn");
    TRLAccentMethod accentMethod_ = amOverwrite;
    TRLEjectMethod ejectMethod_ = ejCompletePage;
    TRLDraftPrinterFamily printerFamily_ = fmEpsonLike;
    TRLDitheringMethod ditheringMethod_ = dmColorTable;
    TRLLineDrawMethod lineDrawMethod_ = ldMinusAndPipe;
    TRLFillArtMethod fillArtMethod_ = fmNone;
    TRLFormSelection formSelection_ = fsAccordingToOrientation;
    TRLStretchCharWidth stretchCharWidth_ = scShrinksOnly;
    TRLTextDecoration textDecoration_ = ddIncludeAll;
    int textStyles_ = kAllDraftTextStyles;
    TRLCPPSelection cppSelection_ = csAutomatic;

    int orientation_ = 0;
    int formIndex_ = 0;
    mutable std::optional<QStringList> optionList_;

    std::unique_ptr<DraftPrinter> printer_;
    std::function<void(const QString&, const QStringList&)> launcher_;

    // ---- printer state of the document under way
    DraftCommandTable table_;
    std::unique_ptr<DraftOutput> output_;
    std::unique_ptr<DraftItemBuilder> builder_;
    QByteArray buffer_;
    DraftUnits units_;
    int row_ = 0, column_ = 0;
    int pitch_ = 10, charWidth_ = 12, spacing_ = 12;
    bool bold_ = false, italic_ = false, underline_ = false;
    bool firstPage_ = true;
    int paperWidthPixels_ = 0, paperHeightPixels_ = 0;
    // One form length in row units, exact, and how far the forms have been fed
    // so far (whole units), so that rounding never accumulates from page to page.
    double formLength_ = 0;
    long long formsFed_ = 0;
    long long unitsFed_ = 0;
    QString portPath_, printerName_, outputFileName_;
};

} // namespace rl
