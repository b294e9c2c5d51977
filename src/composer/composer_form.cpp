#include "composer/composer_form.h"

#include "export/html_filter.h"
#include "export/pdf_filter.h"
#include "export/rich_filter.h"
#include "export/xls_filter.h"
#include "pagestore/graphic_storage.h"
#include "pagestore/picture_data.h"
#include "pagestore/text_measure.h"
#include "platform/error.h"
#include "platform/error_log.h"
#include "platform/message_presenter.h"
#include "platform/report_font.h"
#include "preview/preview.h"
#include "print/draft_filter.h"
#include "print/printer_wrapper.h"
#include "report/custom_band.h"
#include "report/custom_label.h"
#include "report/custom_report.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cmath>

namespace rl {

namespace {

// Windows's font heights at 96 dpi: 8 pt is 11 pixels, 7 pt 9, 6 pt 8.
SurfaceFont reportFont(int points) {
    SurfaceFont font;
    font.Name = kReportFontFamily;
    font.Size = points;
    font.Style = 0;
    font.Color = MetaColor{0, 0, 0};
    font.Charset = 0; // ANSI: the text is Windows-1252 bytes
    return font;
}

TRLBand* makeBand(QObject* owner, const char* name, TRLBandType type, TRLCustomControl* report) {
    auto* band = new TRLBand(owner);
    band->setObjectName(QString::fromLatin1(name));
    band->BandType = type;
    band->SetParentControl(report);
    return band;
}

TRLImage* makeHeadImage(QObject* owner, const char* name, TRLBand* band, int left) {
    auto* image = new TRLImage(owner);
    image->setObjectName(QString::fromLatin1(name));
    image->SetParentControl(band);
    image->SetBounds(left, 0, 1, 1);
    image->SetAutoSize(true);
    return image;
}

// A millimetre text of the settings files: decimal comma, whatever the user's
// locale says, so the same file means the same paper on every machine. A full
// stop is accepted too (it is what the comma becomes). Throws on anything else.
double parseMillimetres(const QString& text) {
    QString normalized = text.trimmed();
    const qsizetype comma = normalized.indexOf(u',');
    if (comma >= 0) normalized[comma] = u'.';
    bool ok = false;
    const double value = QLocale::c().toDouble(normalized, &ok);
    if (!ok || !std::isfinite(value) || value < TForm2::kMinCustomPaperMm ||
        value > TForm2::kMaxCustomPaperMm)
        throw Error("not a paper size in millimetres: " + text.toStdString());
    return value;
}

bool fileExists(const QString& path) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

} // namespace

TForm2::TForm2(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("Form2"));

    RLReport1 = new TRLReport(this);
    RLReport1->setObjectName(QStringLiteral("RLReport1"));
    // Margins widen to what the selected printer cannot print on; without a
    // printer the wrapper answers with its fallback sheet.
    RLReport1->PrinterMetricsProvider = [] { return TRLPrinterWrapper::instance().GetMetrics(); };
    RLReport1->PageSetup.SetPaperSize(fpLetter);
    RLReport1->Margins.SetAll(5.0);
    RLReport1->AdjustableMargins = true;
    RLReport1->Font = reportFont(8);
    RLReport1->ShowProgress = false;
    RLReport1->ForcePrepare = true;

    // Creation order matters only within a band type; each type has one band.
    PageHeaderBand1 = makeBand(this, "PageHeaderBand1", btHeader, RLReport1);
    PageHeaderBand1->SetHeight(1);
    QRImage1 = makeHeadImage(this, "QRImage1", PageHeaderBand1, 248);

    titleband = makeBand(this, "titleband", btTitle, RLReport1);
    titleband->SetHeight(1);
    QRImage2 = makeHeadImage(this, "QRImage2", titleband, 304);

    RLBand1 = makeBand(this, "RLBand1", btDetail, RLReport1);
    RLBand1->ParentFont = false;
    RLBand1->Font = reportFont(7);
    RLBand1->SetHeight(12);

    RLLabel1 = new TRLLabel(this);
    RLLabel1->setObjectName(QStringLiteral("RLLabel1"));
    RLLabel1->SetParentControl(RLBand1);
    RLLabel1->ParentFont = false;
    RLLabel1->Font = reportFont(7);
    RLLabel1->SetBounds(0, 0, RLLabel1->Width(), RLLabel1->Height());
    RLLabel1->SetAlign(faLeftTop);
    RLLabel1->SetAutoSize(true);
    RLBand1->SetAutoSize(true);

    RLReport1->BeforePrint = [this](TRLCustomControl*, bool&) { ReportBeforePrint(); };
    RLReport1->OnNeedData = [this](TRLCustomSkipper*, bool& moreData) { ReportNeedData(moreData); };
    RLReport1->AfterPrint = [this](TRLCustomControl*) { ReportAfterPrint(); };
    titleband->BeforePrint = [this](TRLCustomControl*, bool&) { PrintHeadPicture(titleband, QRImage2, 0); };
    PageHeaderBand1->BeforePrint = [this](TRLCustomControl*, bool&) {
        PrintHeadPicture(PageHeaderBand1, QRImage1, 1);
    };

    // Lays the bands out across the printable width (768 on US Letter).
    RLReport1->Realign();

    RLDraftFilter1 = new TRLDraftFilter(this);
    RLDraftFilter1->setObjectName(QStringLiteral("RLDraftFilter1"));
    RLDraftFilter1->SetDisplayName(QStringLiteral("Impressora Matricial"));

    RLRichFilter1 = new TRLRichFilter(this);
    RLRichFilter1->setObjectName(QStringLiteral("RLRichFilter1"));
    RLRichFilter1->SetDisplayName(QStringLiteral("Formato RichText"));

    RLPDFFilter1 = new TRLPDFFilter(this);
    RLPDFFilter1->setObjectName(QStringLiteral("RLPDFFilter1"));
    RLPDFFilter1->SetDisplayName(QStringLiteral("Documento PDF"));
    RLPDFFilter1->ViewerOptions = 0;
    RLPDFFilter1->FontEncoding = TRLPDFFilterFontEncoding::feNoEncoding;
    RLPDFFilter1->DocumentInfo.Creator = QStringLiteral("MorvexReport v3.16");

    RLXLSFilter1 = new TRLXLSFilter(this);
    RLXLSFilter1->setObjectName(QStringLiteral("RLXLSFilter1"));
    RLXLSFilter1->SetDisplayName(QStringLiteral("Planilha Excel"));

    RLHTMLFilter1 = new TRLHTMLFilter(this);
    RLHTMLFilter1->setObjectName(QStringLiteral("RLHTMLFilter1"));
    RLHTMLFilter1->SetDisplayName(QStringLiteral("Página da Web"));
    RLHTMLFilter1->SetDocumentStyle(dsCSS2);
}

TForm2::~TForm2() {
    // The window holds the preview, which is linked to the report's page store:
    // it goes first, while the report still exists.
    view_.reset();
}

Settings TForm2::ProgramSettings() const {
    return Settings::programFile(ProgramSettingsPath);
}

LayoutSettings TForm2::Layout() const {
    return LayoutSettings(Settings(SettingsFile::System), ProgramSettings());
}

bool TForm2::IsCustomPaperMillimetres(const QString& text) {
    try {
        parseMillimetres(text);
        return true;
    } catch (const Error&) {
        return false;
    }
}

void TForm2::ApplyPaperSize(const QString& paperName) {
    TRLPageSetup& setup = RLReport1->PageSetup;
    if (paperName == u"A4") {
        setup.SetPaperSize(fpA4);
    } else if (paperName == u"Carta") {
        setup.SetPaperSize(fpLetter);
    } else if (paperName == u"Customizado") {
        setup.SetPaperSize(fpCustom);
        try {
            const LayoutSettings settings = Layout();
            setup.SetPaperHeight(parseMillimetres(settings.height()));
            setup.SetPaperWidth(parseMillimetres(settings.width()));
        } catch (const std::exception&) {
            setup.SetPaperSize(fpA4);
            ShowErrorBox(QStringLiteral("Ops, desculpe não foi possível utilizar o tamanho de papel "
                                        "customizado, o tamanho foi automaticamente mudado para A4"));
        }
    }
    // Any other name, the empty one included, leaves the paper as it is.
}

void TForm2::ComposeReport() {
    ReportText text;
    ReportText::Open(Values.ReportFilePath, text); // a file that cannot be read has no lines
    ComposeReport(std::move(text));
}

void TForm2::ComposeReport(std::vector<std::string> lines) {
    ComposeReport(ReportText(std::move(lines)));
}

void TForm2::ComposeReport(ReportText text) {
    const StartupValues& values = Values;
    SetReportText(std::move(text), values.Encoding);

    RLBand1->SetHeight(12);
    RLLabel1->Font.Size = FontSizeForColumnCode(values.ColumnCode);

    LoadedPageCount = RLReport1->Storage().PageCount();

    if (values.OrientationWord.toLower() == u"paisagem") RLReport1->PageSetup.SetOrientation(poLandscape);

    if (ViewFactory) view_ = ViewFactory(*this);

    if (GenerateInSteps)
        StartGeneration();
    else
        RegenerateAndShow();

    if (view_) {
        view_->ShowWindow();
        view_->checapaginas();
        view_->habilitamenus();
        view_->ApplyPermissionFlags();
    }
}

bool TForm2::Generating() const {
    return RLReport1->Generating();
}

bool TForm2::BeginGeneration(bool restart) {
    if (!restart) {
        askedFontSize_ = RLLabel1->Font.Size;
        fittedFontSize_ = askedFontSize_;
    }
    refitSize_ = 0;
    restartForEncoding_ = false;
    prepared_ = false;
    notifiedPages_ = -1;
    ResolveLinesEncoding();
    RLLabel1->Font.Size = fittedFontSize_;
    runOpen_ = true;
    // The width the detail band will have for this paper, orientation and printer.
    RLReport1->RefreshPrinterMetrics();
    RLReport1->Realign();
    fitWidth_ = RLBand1->ClientRect().width() - RLLabel1->Left();
    if (RLReport1->BeginPrepare()) return true;
    GenerationEnded();
    return false;
}

bool TForm2::ContinueGeneration(const std::function<bool()>& enough) {
    while (RLReport1->Generating()) {
        if (RLReport1->ContinuePrepare(enough)) {
            NotifyProgress();
            return true;
        }
        if (!RLReport1->Generating()) break; // failed, and said so
        if (refitSize_ > 0 || restartForEncoding_) {
            // Laid out again from the first line, as if the new size or
            // encoding had been known from the start.
            if (refitSize_ > 0) fittedFontSize_ = refitSize_;
            RLReport1->Clear();
            if (!BeginGeneration(true)) return false;
            continue;
        }
        prepared_ = RLReport1->EndPrepare();
        break;
    }
    GenerationEnded();
    return false;
}

void TForm2::CountLoadedPages() {
    countLoadedPages_ = Generating();
    if (!countLoadedPages_) LoadedPageCount = RLReport1->Storage().PageCount();
}

void TForm2::GenerationEnded() {
    runOpen_ = false;
    RLLabel1->Font.Size = askedFontSize_;
    if (countLoadedPages_ && prepared_) {
        countLoadedPages_ = false;
        LoadedPageCount = RLReport1->Storage().PageCount();
    }
    NotifyProgress();
}

void TForm2::NotifyProgress() {
    if (!view_ || !sliced_) return;
    const int pages = RLReport1->Storage().PageCount();
    const bool finished = !RLReport1->Generating();
    if (!attached_ && (pages > 0 || (finished && prepared_))) {
        // The first page is there: the window shows it while the rest is made.
        attached_ = true;
        if (TRLPreview* preview = view_->Preview()) preview->AttachStorage(&RLReport1->Storage());
    }
    if (attached_ && (pages != notifiedPages_ || finished)) {
        notifiedPages_ = pages;
        view_->GenerationProgress(pages, finished);
    }
}

bool TForm2::StartGeneration() {
    StopGeneration();
    attached_ = false;
    sliced_ = true;
    if (!BeginGeneration(false)) return false;
    GenerateUntilPage(1);
    return Generating();
}

void TForm2::GenerateUntilPage(int pageCount) {
    const TRLGraphicStorage& store = RLReport1->Storage();
    if (Generating()) ContinueGeneration([&] { return store.PageCount() >= pageCount; });
}

bool TForm2::FinishGeneration() {
    if (Generating()) ContinueGeneration();
    return prepared_;
}

void TForm2::StopGeneration() {
    // The report may have ended the run itself (its paper changed under it):
    // the label still gets its own size back.
    if (!runOpen_) return;
    runOpen_ = false;
    if (Generating()) RLReport1->Clear();
    prepared_ = false;
    RLLabel1->Font.Size = askedFontSize_;
}

bool TForm2::RegenerateAndShow() {
    StopGeneration();
    // Shown once whole, as a report made at once always was.
    sliced_ = false;
    if (BeginGeneration(false)) ContinueGeneration();
    if (prepared_ && view_)
        if (TRLPreview* preview = view_->Preview()) preview->AttachStorage(&RLReport1->Storage());
    return prepared_;
}

void TForm2::CheckLineFits(const std::string& caption) {
    if (fittedFontSize_ <= kMinFittedFontSize || refitSize_ > 0) return;
    SurfaceFont font = RLLabel1->Font;
    const auto fitsAt = [&](int size) {
        font.Size = size;
        return measureText(font, caption).width() <= fitWidth_;
    };
    if (fitsAt(fittedFontSize_)) return;
    int size = fittedFontSize_ - 1;
    while (size > kMinFittedFontSize && !fitsAt(size))
        --size;
    if (size == kMinFittedFontSize && !fitsAt(size))
        ErrorLog::append(
            QStringLiteral("As linhas mais largas do relatório não cabem na página nem com fonte de %1 "
                           "pontos; o que passa da margem não é impresso.")
                .arg(kMinFittedFontSize),
            objectName());
    refitSize_ = size;
    RLReport1->Cancel(); // the run ends after this line; ContinueGeneration starts the next
}

int TForm2::FontSizeForColumnCode(const QString& columnCode) {
    if (columnCode == u"132") return 7;
    if (columnCode == u"255") return 6;
    return 8;
}

void TForm2::LoadReportLines(const QString& path, ReportEncoding asked) {
    ReportText text;
    ReportText::Open(path, text);
    SetReportText(std::move(text), asked);
}

void TForm2::SetReportLines(std::vector<std::string> lines, ReportEncoding asked) {
    SetReportText(ReportText(std::move(lines)), asked);
}

void TForm2::SetReportText(ReportText text, ReportEncoding asked) {
    StopGeneration();
    ReportLines = std::move(text);
    // Should the decoder fail, the lines print as the bytes they are, not
    // through the previous file's decoder.
    decoder_ = LineDecoder();
    autoEncoding_ = asked == ReportEncoding::Auto;
    if (autoEncoding_)
        ResolveLinesEncoding();
    else
        decoder_ = LineDecoder(asked);
}

void TForm2::ResolveLinesEncoding() {
    if (!autoEncoding_) return;
    // A megabyte tells most files' encoding; a later line that changes the
    // decision restarts the generation (ReportNeedData).
    constexpr std::uint64_t kDetectionBytes = 1024 * 1024;
    ReportLines.ScanAhead(kDetectionBytes);
    const ReportEncoding detected = ReportLines.DetectedEncoding();
    if (detected != decoder_.Encoding()) decoder_ = LineDecoder(detected);
}

const std::string& TForm2::PrintedLine(size_t index, std::string& buffer) const {
    ReportLines.Line(index, rawLine_);
    return decoder_.Decode(rawLine_, buffer);
}

std::vector<std::string> TForm2::ReadReportLines(const QString& path) {
    std::vector<std::string> lines;
    ReadReportLinesInto(path, lines);
    return lines;
}

bool TForm2::ReadReportLinesInto(const QString& path, std::vector<std::string>& lines, QString* error) {
    lines.clear();
    ReportText text;
    if (!ReportText::Open(path, text, error)) return false;
    lines = text.AllLines();
    return true;
}

void TForm2::ReportBeforePrint() {
    LineCursor = 0;
    headPicture_.reset(); // read again by each generation: the file may have changed
}

void TForm2::ReportNeedData(bool& moreData) {
    if (LineCursor == 0) LineCursor = 1; // the first line of the file is never printed
    if (!ReportLines.Has(size_t(LineCursor))) return;
    std::string buffer;
    const std::string& line = PrintedLine(size_t(LineCursor), buffer);
    if (autoEncoding_ && ReportLines.DetectedEncoding() != decoder_.Encoding()) {
        // The lines read so far tell another encoding: laid out again in it.
        restartForEncoding_ = true;
        RLReport1->Cancel();
    }
    if (line.find('\f') != std::string::npos) {
        RLReport1->NewPage();
        // The form feed is expected first on the line; wherever it is, the first
        // character is the one dropped.
        RLLabel1->SetCaption(line.substr(1));
    } else {
        RLLabel1->SetCaption(line);
    }
    // The label measured itself (its caption and a blank): only a line that
    // may be too wide is measured again.
    if (RLLabel1->Width() > fitWidth_) CheckLineFits(RLLabel1->Caption());
    moreData = true;
    ++LineCursor;
}

void TForm2::ReportAfterPrint() {
    if (view_) view_->RebuildPageTree(RLReport1->Storage().PageCount());
}

void TForm2::PrintHeadPicture(TRLBand* band, TRLImage* image, int wantedMostra) {
    const LayoutSettings settings = Layout();
    band->SetHeight(0);
    image->SetHeight(0);
    if (settings.mostra() != wantedMostra) return;

    const QString& figure = Values.FigurePath;
    if (fileExists(figure)) {
        try {
            image->SetPicture(HeadPicture(figure));
            // Both bands span the printable width; the title band's is the measure.
            const int bandWidth = titleband->Width();
            switch (settings.posicao()) {
            case 0:
                image->SetLeft(bandWidth / 2 - image->Width() / 2);
                break;
            case 1:
                image->SetLeft(0);
                break;
            case 2:
                image->SetLeft(bandWidth - image->Width());
                break;
            default:
                break; // the design position stays
            }
        } catch (const std::exception&) {
            ShowPlainMessage(QStringLiteral("Tipo de Arquivo Inválido"));
        }
    }
    // A picture loaded by an earlier generation counts too.
    // (One that does not fit was made smaller when read, see HeadPicture.)
    const int pictureHeight = PictureData::size(image->Picture()).height();
    if (pictureHeight > 0) band->SetHeight(pictureHeight + 3);
}

QByteArray TForm2::HeadPicture(const QString& path) {
    // Read and decoded once per generation, not once per page: every page
    // then shares one picture, which the page store keeps once.
    if (!headPicture_ || headPicture_->path != path) {
        headPicture_.reset();
        HeadPictureCache loaded{path, {}, {}};
        try {
            loaded.data = FittedHeadPicture(PictureData::fromFile(path));
        } catch (const std::exception& error) {
            loaded.error = error.what();
        }
        headPicture_ = std::move(loaded);
    }
    if (!headPicture_->error.empty()) throw Error(headPicture_->error);
    return headPicture_->data;
}

QByteArray TForm2::FittedHeadPicture(const QByteArray& picture) {
    // A picture as tall as the printable height would leave one line per page
    // (or none): with the picture on every page, at most half of each page
    // goes to it, the rest stays the report's.
    const PageRect site = RLReport1->SiteClientRect();
    const int available = (site.bottom - site.top) / 2 - 3;
    const QSize size = PictureData::size(picture);
    if (available < 1 || size.height() <= available) return picture;
    const QImage image = PictureData::toImage(picture);
    if (image.isNull()) return picture;
    const QImage fitted = image.scaledToHeight(available, Qt::SmoothTransformation);
    ErrorLog::append(QStringLiteral("A figura %1 tem %2 pixels de altura, mais que metade da área de "
                                    "impressão; foi reduzida para %3 x %4 pixels.")
                         .arg(Values.FigurePath)
                         .arg(size.height())
                         .arg(fitted.width())
                         .arg(fitted.height()),
                     objectName());
    return PictureData::fromImage(fitted);
}

} // namespace rl
