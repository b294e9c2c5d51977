#include "composer/report_session.h"

#include "composer/composer_form.h"
#include "pagestore/graphic_storage.h"
#include "pagestore/picture_data.h"
#include "platform/error.h"
#include "platform/settings.h"
#include "print/draft_filter.h"
#include "print/draft_print.h"
#include "report/custom_band.h"
#include "report/custom_label.h"
#include "report/custom_report.h"

#include <QFileInfo>
#include <QSaveFile>

namespace rl {

ReportSession::ReportSession(StartupValues values, QString programSettingsPath, QObject* parent)
    : QObject(parent), composer_(std::make_unique<TForm2>()) {
    composer_->Values = std::move(values);
    composer_->ProgramSettingsPath = std::move(programSettingsPath);
}

ReportSession::~ReportSession() {
    SetDotMatrixPreparer(nullptr);
}

StartupValues ReportSession::StartupValuesFor(const QStringList& arguments,
                                              const QString& programSettingsPath) {
    StartupValues values = StartupValues::fromArguments(arguments);
    values.readSettings(programSettingsPath.isEmpty() ? Settings(SettingsFile::Program)
                                                      : Settings(programSettingsPath));
    return values;
}

const StartupValues& ReportSession::Values() const {
    return composer_->Values;
}

bool ReportSession::Compose(const ViewFactory& viewFactory) {
    // No save filter may write over the report it saves.
    TRLCustomSaveFilter::SetProtectedInputFile(composer_->Values.ReportFilePath);
    composer_->ApplyPaperSize(composer_->Values.PaperName, SettingsFile::Program);
    if (viewFactory)
        composer_->ViewFactory = [this, viewFactory](TForm2&) { return viewFactory(*this); };
    else
        composer_->ViewFactory = nullptr;
    composer_->ComposeReport();
    emit PagesChanged();
    return Prepared();
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

const std::vector<std::string>& ReportSession::ReportLines() const {
    return composer_->ReportLines;
}

bool ReportSession::Regenerate() {
    const bool prepared = composer_->RegenerateAndShow();
    emit PagesChanged();
    return prepared;
}

void ReportSession::OpenReport(const QString& path) {
    composer_->ReportLines = TForm2::ReadReportLines(path);
    Regenerate();
    composer_->LoadedPageCount = PageCount();
}

void ReportSession::SetReportFont(const SurfaceFont& font) {
    composer_->RLReport1->Font = font;
    composer_->RLLabel1->ParentFont = false;
    composer_->RLLabel1->Font = font;
    const QString& columns = Values().ColumnCode;
    if (columns == u"132" || columns == u"255") composer_->RLBand1->SetHeight(12);
    Regenerate();
}

void ReportSession::SetOrientation(TRLPageOrientation orientation) {
    composer_->RLReport1->PageSetup.SetOrientation(orientation);
    Regenerate();
}

void ReportSession::SetPicture(const QString& path) {
    PictureData::fromFile(path);
    composer_->Values.FigurePath = path;
    Regenerate();
}

void ReportSession::RemovePicture() {
    composer_->Values.FigurePath.clear();
    composer_->QRImage1->SetPicture(QByteArray());
    composer_->QRImage2->SetPicture(QByteArray());
    Regenerate();
}

TRLCustomFilter::RunResult ReportSession::SaveAs(const QString& path, int fromPage, int toPage,
                                                 TRLCustomSaveFilter* filter) {
    if (!filter) filter = SaveFilterByFileName(path);
    if (!filter)
        throw Error(("Nenhum filtro salva arquivos \"" + FileNameExtension(path) +
                     "\": use .pdf, .rtf, .htm, "
                     ".html ou .xls.")
                        .toStdString());
    TRLGraphicStorage& pages = Pages();
    TRLCustomFilter::CheckPageRange(pages, fromPage, toPage);
    filter->SetFileName(path);
    return filter->Run(&pages, fromPage, toPage);
}

PrintOutcome ReportSession::Print(QWidget* parent, const QObject* sender) {
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
    const int orientation = composer_->RLReport1->PageSetup.Orientation() == poLandscape ? 1 : 0;
    return RunPrintCommand(Pages(), PageCount(), Values().ColumnCode, orientation, parent, sender);
}

PrintOutcome ReportSession::PrintOnQueue(const QString& queue, int fromPage, int toPage) {
    return PrintPagesOnQueue(Pages(), fromPage, toPage, queue);
}

TRLCustomFilter::RunResult ReportSession::PrintDraft(const QString& target, int fromPage, int toPage,
                                                     int formOption) {
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

void ReportSession::WriteReportLines(const std::vector<std::string>& lines, const QString& path,
                                     const QString& reportFilePath) {
    const auto fail = [&](const QString& why) {
        throw Error(("Não foi possível gravar " + path + ": " + why).toStdString());
    };
    if (!reportFilePath.isEmpty() &&
        QFileInfo(path).canonicalFilePath() == QFileInfo(reportFilePath).canonicalFilePath() &&
        QFileInfo::exists(path))
        fail(QStringLiteral("é o próprio arquivo do relatório"));
    // Written beside the target and put in place whole, so a full disk never
    // leaves a shortened copy that looks complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) fail(file.errorString());
    for (const std::string& line : lines) {
        if (file.write(line.data(), qint64(line.size())) != qint64(line.size()) || file.write("\r\n", 2) != 2)
            fail(file.errorString());
    }
    if (!file.commit()) fail(file.errorString());
}

void ReportSession::SetFigurePath(const QString& path) {
    composer_->Values.FigurePath = path;
}

void ReportSession::ApplyPaper(const QString& paperName) {
    composer_->ApplyPaperSize(paperName, SettingsFile::System);
}

bool ReportSession::HasPermissionFlags() const {
    return permissionFlags(Values().JoinedCommandLine).has_value();
}

bool ReportSession::Permits(const StartupValues& values, PermissionFlag flag) {
    const auto flags = permissionFlags(values.JoinedCommandLine);
    return !flags || (*flags)[size_t(flag)];
}

} // namespace rl
