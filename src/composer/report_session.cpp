#include "composer/report_session.h"

#include "composer/composer_form.h"
#include "export/html_filter.h"
#include "export/pdf_filter.h"
#include "export/rich_filter.h"
#include "export/table_save_filter.h"
#include "export/xls_filter.h"
#include "pagestore/graphic_object.h"
#include "pagestore/graphic_storage.h"
#include "pagestore/graphic_surface.h"
#include "pagestore/picture_data.h"
#include "platform/error.h"
#include "platform/folders.h"
#include "platform/output_file.h"
#include "platform/report_text.h"
#include "platform/settings.h"
#include "print/draft_filter.h"
#include "print/draft_print.h"
#include "print/save_params.h"
#include "report/custom_band.h"
#include "report/custom_label.h"
#include "report/custom_report.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QTemporaryFile>

#include <optional>

namespace rl {

// Marks an output under way for its whole length; a second one is refused.
class ReportSession::RunScope {
public:
    explicit RunScope(ReportSession& session) : session_(session) {
        if (session.running_)
            throw Error("O relatório já está sendo impresso ou salvo: aguarde o fim ou cancele.");
        session.running_ = true;
        emit session.RunningChanged(true);
    }
    ~RunScope() {
        session_.running_ = false;
        emit session_.RunningChanged(false);
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

private:
    ReportSession& session_;
};

ReportSession::ReportSession(StartupValues values, QString programSettingsPath, QObject* parent)
    : QObject(parent), composer_(std::make_unique<TForm2>()) {
    composer_->Values = std::move(values);
    composer_->ProgramSettingsPath = std::move(programSettingsPath);
    // The data exports, after the composer's own filters in the save dialog's
    // list; they read the composer's lines, which live as long as it does.
    // A report in another encoding is decoded for them, as for the pages.
    const auto printedLines = [this](std::vector<std::string>& scratch) -> const std::vector<std::string>& {
        scratch = composer_->ReportLines.AllLines();
        if (composer_->LinesEncoding() == ReportEncoding::Windows1252) return scratch;
        const LineDecoder decoder(composer_->LinesEncoding());
        for (std::string& line : scratch)
            line = decoder.Decode(line);
        return scratch;
    };
    connect(&steps_, &QTimer::timeout, this, &ReportSession::GenerationStep);
    for (const auto format : {TableSaveFilter::Format::Xlsx, TableSaveFilter::Format::Csv})
        (new TableSaveFilter(format, composer_.get()))->SetLineReader(printedLines);
}

ReportSession::~ReportSession() {
    steps_.stop();
    composer_->StopGeneration();
    SetDotMatrixPreparer(nullptr);
}

StartupValues ReportSession::StartupValuesFor(const QStringList& arguments,
                                              const QString& programSettingsPath) {
    StartupValues values = StartupValues::fromArguments(arguments);
    values.readSettings(LayoutSettings(Settings(SettingsFile::System), Settings::programFile(programSettingsPath)));
    return values;
}

const StartupValues& ReportSession::Values() const {
    return composer_->Values;
}

bool ReportSession::Compose(const ViewFactory& viewFactory) {
    return Compose(viewFactory, nullptr, 0);
}

bool ReportSession::Compose(std::vector<std::string> lines) {
    ReportText text(std::move(lines));
    return Compose({}, &text, 0);
}

bool ReportSession::Compose(ReportText text, int untilPage) {
    return Compose({}, &text, untilPage);
}

bool ReportSession::Compose(const ViewFactory& viewFactory, ReportText* text, int untilPage) {
    // No output may write over the report it saves.
    TRLCustomSaveFilter::SetProtectedInputFile(composer_->Values.ReportFilePath);
    composer_->ApplyPaperSize(composer_->Values.PaperName);
    if (viewFactory)
        composer_->ViewFactory = [this, viewFactory](TForm2&) { return viewFactory(*this); };
    else
        composer_->ViewFactory = nullptr;
    composer_->GenerateInSteps = background_ || untilPage > 0;
    if (text)
        composer_->ComposeReport(std::move(*text));
    else
        composer_->ComposeReport();
    if (untilPage > 0) {
        GenerateUntilPage(untilPage);
        if (composer_->Generating()) {
            emit PagesChanged();
            return true;
        }
    }
    ContinueInBackground();
    emit PagesChanged();
    return Prepared() || Generating();
}

bool ReportSession::Generating() const {
    return composer_->Generating();
}

void ReportSession::ContinueInBackground() {
    if (!composer_->Generating()) return;
    if (!steps_.isActive()) steps_.start(0);
}

void ReportSession::GenerationStep() {
    // A slice short enough that the window answers the user in between.
    constexpr qint64 kStepNanoseconds = 25'000'000;
    QElapsedTimer clock;
    clock.start();
    int lines = 0;
    // The clock is read every few lines only: a line costs far less.
    const bool more = composer_->ContinueGeneration(
        [&] { return ++lines % 64 == 0 && clock.nsecsElapsed() >= kStepNanoseconds; });
    if (!more) {
        steps_.stop();
        emit GenerationFinished();
    }
}

bool ReportSession::CompleteGeneration() {
    if (!composer_->Generating()) return Prepared();
    steps_.stop();
    composer_->FinishGeneration();
    emit GenerationFinished();
    return Prepared();
}

void ReportSession::GenerateUntilPage(int pageCount) {
    if (!composer_->Generating()) return;
    composer_->GenerateUntilPage(pageCount);
    if (!composer_->Generating()) {
        steps_.stop();
        emit GenerationFinished();
    }
}

void ReportSession::StopGeneration() {
    if (!composer_->Generating()) return;
    steps_.stop();
    composer_->StopGeneration();
    emit GenerationFinished();
}

namespace {
// Whether a page prints the page total ({LastPageNumber}, in any case).
bool ShowsPageTotal(const TRLGraphicSurface& page) {
    static const QByteArray variable = QByteArrayLiteral("{lastpagenumber}");
    for (int i = 0; i < page.ObjectCount(); ++i) {
        const TRLGraphicObject* object = page.Objects(i);
        if (object->kind() != ObjectKind::Text) continue;
        const auto* text = static_cast<const TRLTextObject*>(object);
        if (QByteArray::fromStdString(text->Text).toLower().contains(variable)) return true;
    }
    return false;
}
} // namespace

void ReportSession::EnsurePages(int fromPage, int toPage) {
    if (!composer_->Generating()) return;
    if (toPage < 0) {
        CompleteGeneration();
        return;
    }
    GenerateUntilPage(toPage);
    TRLGraphicStorage& pages = Pages();
    for (int number = std::max(1, fromPage); number <= std::min(toPage, pages.PageCount()); ++number) {
        const TRLGraphicSurface* page = pages.Pages(number - 1);
        if (page && ShowsPageTotal(*page)) {
            CompleteGeneration();
            return;
        }
    }
}

TRLGraphicStorage& ReportSession::Pages() {
    return composer_->RLReport1->Storage();
}

int ReportSession::PageCount() const {
    return composer_->RLReport1->Storage().PageCount();
}

bool ReportSession::Prepared() const {
    return composer_->RLReport1->CurrentState() == TRLCustomReport::State::Ready;
}

const ReportText& ReportSession::ReportLines() const {
    return composer_->ReportLines;
}

void ReportSession::CancelRun() {
    if (!running_) return;
    // A filter holds its store only while it runs.
    for (TRLCustomFilter* filter : TRLCustomFilter::Registry())
        if (filter->Pages()) filter->Cancel();
}

bool ReportSession::Regenerate() {
    if (running_) return Prepared();
    if (background_) {
        steps_.stop();
        composer_->StartGeneration();
        ContinueInBackground();
        emit PagesChanged();
        return Prepared() || Generating();
    }
    const bool prepared = composer_->RegenerateAndShow();
    emit PagesChanged();
    return prepared;
}

std::string ReportSession::PrintedLine(size_t index) const {
    std::string buffer;
    return composer_->PrintedLine(index, buffer);
}

ReportEncoding ReportSession::LinesEncoding() const {
    return composer_->LinesEncoding();
}

void ReportSession::OpenReport(const QString& path, ReportEncoding encoding) {
    if (running_) return;
    StopGeneration(); // the layout changes under no half-made report
    composer_->Values.Encoding = encoding;
    composer_->LoadReportLines(path, encoding);
    Regenerate();
    composer_->CountLoadedPages();
}

void ReportSession::SetReportFont(const SurfaceFont& font) {
    if (running_) return;
    StopGeneration(); // the layout changes under no half-made report
    composer_->RLReport1->Font = font;
    composer_->RLLabel1->ParentFont = false;
    composer_->RLLabel1->Font = font;
    const QString& columns = Values().ColumnCode;
    if (columns == u"132" || columns == u"255") composer_->RLBand1->SetHeight(12);
    Regenerate();
}

void ReportSession::SetOrientation(TRLPageOrientation orientation) {
    if (running_) return;
    StopGeneration(); // the layout changes under no half-made report
    composer_->RLReport1->PageSetup.SetOrientation(orientation);
    Regenerate();
}

void ReportSession::SetPicture(const QString& path) {
    if (running_) return;
    PictureData::fromFile(path);
    StopGeneration(); // the layout changes under no half-made report
    composer_->Values.FigurePath = path;
    Regenerate();
}

void ReportSession::RemovePicture() {
    if (running_) return;
    StopGeneration(); // the layout changes under no half-made report
    composer_->Values.FigurePath.clear();
    composer_->QRImage1->SetPicture(QByteArray());
    composer_->QRImage2->SetPicture(QByteArray());
    Regenerate();
}

TRLCustomFilter::RunResult ReportSession::SaveAs(const QString& path, int fromPage, int toPage,
                                                 TRLCustomSaveFilter* filter) {
    const RunScope run(*this);
    if (!filter) filter = SaveFilterByFileName(path);
    if (!filter)
        throw Error(("Nenhum filtro salva arquivos \"" + FileNameExtension(path) +
                     "\": use .pdf, .rtf, .htm, "
                     ".html, .xls, .xlsx ou .csv.")
                        .toStdString());
    TRLGraphicStorage& pages = Pages();
    filter->SetFileName(path);
    // The table is read from the text lines, whatever the range: one page's
    // run, even of a report without pages, and no page is read for nothing.
    // Its lines are decoded as the whole report's pages were.
    EnsurePages(fromPage, qobject_cast<TableSaveFilter*>(filter) ? -1 : toPage);
    if (qobject_cast<TableSaveFilter*>(filter)) return filter->Run(&pages, 1, 1);
    TRLCustomFilter::CheckPageRange(pages, fromPage, toPage);
    return filter->Run(&pages, fromPage, toPage);
}

PrintOutcome ReportSession::Print(QWidget* parent, const QObject* sender) {
    if (running_) return {PrintOutcome::Failed, {}};
    const RunScope run(*this);
    CompleteGeneration(); // the dialog offers every page
    // A dot-matrix filter chosen in the dialog prints at the pitch of the
    // column code, on the form the dialog's option names.
    SetDotMatrixPreparer(
        [this](TRLCustomPrintFilter& filter, const QString& columnCode, const QString& optionText) {
            auto* draft = dynamic_cast<TRLDraftFilter*>(&filter);
            if (!draft) return false;
            composer_->RLDraftFilter1->SetCPPSelection(CPPSelectionForColumnCode(columnCode));
            if (optionText == u"80 cols")
                draft->SetFormSelection(fs80Cols);
            else if (optionText == u"132 cols")
                draft->SetFormSelection(fs132Cols);
            return true;
        });
    return RunPrintCommand(Pages(), PageCount(), Values().ColumnCode, parent, sender);
}

PrintOutcome ReportSession::PrintOnQueue(const QString& queue, int fromPage, int toPage) {
    if (running_) return {PrintOutcome::Failed, {}};
    const RunScope run(*this);
    EnsurePages(fromPage, toPage);
    return PrintPagesOnQueue(Pages(), fromPage, toPage, queue);
}

TRLCustomFilter::RunResult ReportSession::PrintDraft(const QString& target, int fromPage, int toPage,
                                                     int formOption) {
    const RunScope run(*this);
    EnsurePages(fromPage, toPage);
    TRLGraphicStorage& pages = Pages();
    TRLCustomFilter::CheckPageRange(pages, fromPage, toPage);
    DraftPrintRequest request;
    request.fromPage = fromPage;
    request.toPage = toPage;
    request.columnCode = Values().ColumnCode;
    request.formOption = formOption;
    request.target = target;
    return rl::PrintDraft(*composer_->RLDraftFilter1, pages, request);
}

void ReportSession::SaveReportLines(const QString& path) const {
    WriteReportLines(ReportLines(), path, Values().ReportFilePath);
}

void ReportSession::WriteReportLines(const ReportText& lines, const QString& path,
                                     const QString& reportFilePath) {
    if (OutputFile::SameFile(path, reportFilePath))
        throw OutputFileError(OutputFile::OwnReportText(path).toStdString());
    // Put in place whole, so a full disk never leaves a shortened copy that
    // looks complete.
    OutputFile file(path);
    lines.ForEach([&](const std::string& line) {
        file.device().write(line.data(), qint64(line.size()));
        file.device().write("\r\n", 2);
        return true;
    });
    file.commit();
}

ReportSession::SaveOutcome ReportSession::SaveWithParams(const TRLSaveParams& params) {
    TRLCustomSaveFilter* chosen = params.Filter;
    // Only the four kinds of file the viewer knows are saved; anything else
    // (no filter at all above all) writes nothing.
    TRLCustomSaveFilter* filter = nullptr;
    if (auto* pdf = qobject_cast<TRLPDFFilter*>(chosen))
        filter = pdf;
    else if (auto* rtf = qobject_cast<TRLRichFilter*>(chosen))
        filter = rtf;
    else if (auto* html = qobject_cast<TRLHTMLFilter*>(chosen))
        filter = html;
    else if (auto* xls = qobject_cast<TRLXLSFilter*>(chosen))
        filter = xls;
    else if (auto* table = qobject_cast<TableSaveFilter*>(chosen))
        filter = table;
    if (!filter) return SaveOutcome::NoFilter;
    const auto result = SaveAs(params.FileName, params.FromPage, params.ToPage, filter);
    return result == TRLCustomFilter::RunResult::Completed ? SaveOutcome::Saved : SaveOutcome::Cancelled;
}

const QString ReportSession::kRichTextHandOffName = QStringLiteral("Relatório.rtf");
const QString ReportSession::kHtmlHandOffName = QStringLiteral("Relatorio.html");
const QString ReportSession::kTextHandOffName = QStringLiteral("Relatório.txt");

QString ReportSession::ProgramFolder() const {
    return programFolder_.isEmpty() ? Folders::programFolder() : programFolder_;
}

namespace {
// Asking the folder's permissions is not enough: root may write anywhere, a
// read-only mount refuses everyone. Creating a file answers for certain.
bool canCreateFileIn(const QString& folder) {
    QTemporaryFile probe(folder + QStringLiteral("/.relantomador-XXXXXX"));
    return probe.open();
}
} // namespace

QString ReportSession::HandOffFolder() const {
    const QString program = ProgramFolder();
    if (!Folders::isInstalledProgramFolder(program) && canCreateFileIn(program)) return program;
    // Installed (/usr/bin, even for root) or where the user may not write: the user's own folder.
    const QString user = Folders::userDataFolder();
    if (QDir().mkpath(user) && canCreateFileIn(user)) return user;
    return program;
}

QString ReportSession::WriteRichTextHandOff() {
    const QString path = QDir(HandOffFolder()).filePath(kRichTextHandOffName);
    // Opened here, where the report face is installed: the file may name it.
    struct KeptFace {
        TRLRichFilter* filter;
        ~KeptFace() { filter->KeepReportFace = false; }
    } kept{composer_->RLRichFilter1};
    kept.filter->KeepReportFace = true;
    const auto result = SaveAs(path, 1, -1, kept.filter);
    return result == TRLCustomFilter::RunResult::Completed ? path : QString();
}

QString ReportSession::WriteHtmlHandOff() {
    const QString path = QDir(HandOffFolder()).filePath(kHtmlHandOffName);
    if (SaveAs(path, 1, -1, composer_->RLHTMLFilter1) != TRLCustomFilter::RunResult::Completed) return {};
    WrapHtmlForFixedPitch(path);
    return path;
}

QString ReportSession::WriteTextHandOff() {
    const QString path = QDir(HandOffFolder()).filePath(kTextHandOffName);
    SaveReportLines(path);
    return path;
}

void ReportSession::WrapHtmlForFixedPitch(const QString& path) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        throw Error(("Não foi possível ler " + path + ": " + in.errorString()).toStdString());
    const QByteArray bytes = in.readAll();
    in.close();

    // The lines with their own line ends, so that the rest of the file is
    // written back byte for byte.
    std::vector<QByteArray> lines;
    for (qsizetype start = 0; start < bytes.size();) {
        const qsizetype feed = bytes.indexOf('\n', start);
        const qsizetype end = feed < 0 ? bytes.size() : feed + 1;
        lines.push_back(bytes.mid(start, end - start));
        start = end;
    }
    const auto lineIs = [](QByteArray line, const char* text) {
        if (line.endsWith('\n')) line.chop(1);
        if (line.endsWith('\r')) line.chop(1);
        return line == text;
    };
    const auto find = [&](const char* text) {
        for (size_t i = 0; i < lines.size(); ++i)
            if (lineIs(lines[i], text)) return std::optional<size_t>(i);
        return std::optional<size_t>();
    };
    const std::optional<size_t> body = find("<body>");
    const std::optional<size_t> bodyEnd = find("</body>");
    if (!bodyEnd)
        throw Error(
            ("O arquivo " + path + " não tem a linha \"</body>\" e não pôde ser preparado para o navegador.")
                .toStdString());

    OutputFile out(path);
    const auto write = [&](const QByteArray& line) { out.device().write(line); };
    if (!body) write("<pre>\r\n");
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i == *bodyEnd) write("</pre>\r\n");
        write(lines[i]);
        if (body && i == *body) write(lines[i].endsWith('\n') ? "<pre>\r\n" : "\r\n<pre>\r\n");
    }
    out.commit();
}

void ReportSession::SetFigurePath(const QString& path) {
    if (running_ || path == composer_->Values.FigurePath) return;
    StopGeneration(); // the layout changes under no half-made report
    composer_->Values.FigurePath = path;
    // Another path: the picture of the old one must not print in its place
    // when the new one cannot be read (the bands keep what they last loaded).
    composer_->QRImage1->SetPicture(QByteArray());
    composer_->QRImage2->SetPicture(QByteArray());
}

void ReportSession::ApplyPaper(const QString& paperName) {
    if (running_) return;
    StopGeneration(); // the layout changes under no half-made report
    composer_->ApplyPaperSize(paperName);
}

bool ReportSession::HasPermissionFlags() const {
    return permissionFlags(Values().JoinedCommandLine).has_value();
}

bool ReportSession::Permits(const StartupValues& values, PermissionFlag flag) {
    const auto flags = permissionFlags(values.JoinedCommandLine);
    return !flags || (*flags)[size_t(flag)];
}

} // namespace rl
