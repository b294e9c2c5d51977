#include "print/draft_filter.h"

#include "pagestore/graphic_storage.h"
#include "pagestore/graphic_surface.h"
#include "platform/error.h"
#include "platform/messages.h"
#include "platform/temp_files.h"
#include "platform/windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cmath>

namespace rl {

namespace {

// Accented letters, the mark printed over each and its base letter, position by position.
const QByteArray& accentLetters() {
    static const QByteArray letters =
        toWindows1252(QStringLiteral(u"áàãâäÁÀÃÂÄéèêëÉÈÊËíìîïÍÌÎÏóòõôöÓÒÕÔÖúùûüÚÙÛÜçÇºª"));
    return letters;
}
constexpr char kAccentMarks[] =
    "'`~^\xA8'`~^\xA8'`^\xA8'`^\xA8'`^\xA8'`^\xA8'`~^\xA8'`~^\xA8'`^\xA8'`^\xA8,,__";
constexpr char kAccentBases[] = "aaaaaAAAAAeeeeEEEEiiiiIIIIoooooOOOOOuuuuUUUUcCoa";
static_assert(sizeof(kAccentMarks) == 49 && sizeof(kAccentBases) == 49);

// Every "%p", "%d" and "%f" of a command line template, letter case aside.
QString expandProgramLine(QString line, const QString& printer, const QString& port, const QString& file) {
    line.replace(QLatin1String("%p"), printer, Qt::CaseInsensitive);
    line.replace(QLatin1String("%d"), port, Qt::CaseInsensitive);
    line.replace(QLatin1String("%f"), file, Qt::CaseInsensitive);
    return line;
}

} // namespace

TRLDraftFilter::TRLDraftFilter(QObject* owner)
    : TRLCustomPrintFilter(owner), commands_(DefaultDraftCommands(fmEpsonLike)) {
    SetClassOptions(kOwnCopies);
}

TRLDraftFilter::~TRLDraftFilter() = default;

void TRLDraftFilter::SetPrinterFamily(TRLDraftPrinterFamily family) {
    if (family == printerFamily_) return;
    printerFamily_ = family;
    commands_ = DefaultDraftCommands(family);
}

void TRLDraftFilter::SetFormSelection(TRLFormSelection selection) {
    formSelection_ = selection;
    switch (selection) {
    case fsAccordingToOrientation:
        formIndex_ = orientation_ == 0 ? 1 : 2;
        break;
    case fs80Cols:
        formIndex_ = 1;
        break;
    case fs132Cols:
        formIndex_ = 2;
        break;
    case fsNone:
        break;
    }
}

void TRLDraftFilter::SetTextDecoration(TRLTextDecoration decoration) {
    textDecoration_ = decoration;
    if (decoration == ddIncludeNone) textStyles_ = 0;
    if (decoration == ddIncludeAll) textStyles_ = kAllDraftTextStyles;
}

void TRLDraftFilter::SetTextStyles(int styles) {
    textStyles_ = styles & kAllDraftTextStyles;
    textDecoration_ = ddCustomized;
}

QString TRLDraftFilter::OptionsLabel() const {
    return Messages::text(Messages::Id::Form);
}

std::optional<QStringList> TRLDraftFilter::OptionList() const {
    if (!optionList_) {
        const QString cols = Messages::text(Messages::Id::Columns);
        optionList_ = QStringList{Messages::text(Messages::Id::Default), QStringLiteral("80 ") + cols,
                                  QStringLiteral("132 ") + cols};
    }
    return optionList_;
}

void TRLDraftFilter::SetOrientation(int orientation) {
    orientation_ = orientation;
    if (formSelection_ == fsAccordingToOrientation) formIndex_ = orientation == 0 ? 1 : 2;
}

double TRLDraftFilter::HorizontalScale() const {
    if (orientation_ == 0 && formIndex_ == 2) return 1.65;
    if (orientation_ == 1 && formIndex_ == 1) return 0.6060606060606061;
    return 1;
}

void TRLDraftFilter::SetPrinter(std::unique_ptr<DraftPrinter> printer) {
    printer_ = std::move(printer);
}

void TRLDraftFilter::SetProgramLauncher(std::function<void(const QString&, const QStringList&)> launcher) {
    launcher_ = std::move(launcher);
}

DraftLayout TRLDraftFilter::layout() const {
    DraftLayout layout;
    layout.units = units_;
    layout.cppSelection = cppSelection_;
    layout.stretchCharWidth = stretchCharWidth_;
    layout.ditheringMethod = ditheringMethod_;
    layout.lineDrawMethod = lineDrawMethod_;
    layout.fillArtMethod = fillArtMethod_;
    return layout;
}

void TRLDraftFilter::BeginDoc() {
    TRLGraphicStorage* store = Pages();
    if (!store) throw Error("Nenhum relatório para imprimir");
    if (!printer_) printer_ = SystemDraftPrinter();

    const bool landscape = store->Orientation() == 2;
    const PrinterMetrics m =
        printer_->SetupPaperAndMetrics(landscape, store->PaperWidth(), store->PaperHeight());
    paperWidthPixels_ = store->PaperWidthPixels();
    paperHeightPixels_ = store->PaperHeightPixels();
    auto offset = [](int pixels, int margin, int physical) {
        return physical > 0 ? roundEven(double(pixels) * margin / physical) : 0;
    };
    units_.left = offset(paperWidthPixels_, landscape ? m.BottomMargin : m.LeftMargin, m.PhysicalWidth);
    units_.top = offset(paperHeightPixels_, landscape ? m.LeftMargin : m.TopMargin, m.PhysicalHeight);
    units_.scale = HorizontalScale();
    firstPage_ = true;

    if (!driverName_.isEmpty() && QFileInfo(driverName_).isFile()) {
        QFile driver(driverName_);
        if (!driver.open(QIODevice::ReadOnly))
            throw Error(QStringLiteral("Não foi possível ler %1: %2")
                            .arg(driverName_, driver.errorString())
                            .toStdString());
        commands_.clear();
        for (QByteArray line : driver.readAll().split('\n')) {
            if (line.endsWith('\r')) line.chop(1);
            commands_.append(fromWindows1252(line));
        }
    }
    if (commands_.isEmpty() || (commands_.size() == 1 && commands_.front().isEmpty()))
        commands_ = DefaultDraftCommands(printerFamily_);
    table_ = DraftCommandTable(commands_);

    units_.V = printerFamily_ == fmESCP2 ? 60 : 12;
    pitch_ = 10;
    charWidth_ = 12;
    spacing_ = units_.V;
    bold_ = italic_ = underline_ = false;

    portPath_ = printer_->PortPath();
    printerName_ = printer_->CurrentPrinterName();
    outputFileName_.clear();
    if (deviceKind_ == dkProgram) {
        outputFileName_ = TempFiles::newTempFileName();
        TempFiles::add(outputFileName_);
    }
    const DraftTarget target =
        ResolveDraftTarget(deviceKind_, devicePath_, portPath_, printerName_, outputFileName_);
    buffer_.clear();
    output_ = std::make_unique<DraftOutput>(target);
    row_ = column_ = 0;

    // Continuous forms are fed by whole forms counted from the first form's top.
    formLength_ = 6.0 * units_.V * store->PaperHeight() / 25.4;
    formsFed_ = 0;
    unitsFed_ = 0;
    builder_ = std::make_unique<DraftItemBuilder>(layout());
}

void TRLDraftFilter::DrawPage(const TRLGraphicSurface& page) {
    DraftItemList items = builder_->build(page);
    if (firstPage_) {
        sendCommand("Reset");
        firstPage_ = false;
    }
    selectPitch(10, true);
    setLineSpacing(units_.V, true);
    setStyles(0);
    for (size_t i = 0; i < items.size(); ++i) {
        if (auto* text = dynamic_cast<TDraftText*>(items[i].get())) {
            // Texts side by side on one row go out as one line.
            while (i + 1 < items.size()) {
                const auto* next = dynamic_cast<const TDraftText*>(items[i + 1].get());
                if (!next || next->cpp != text->cpp || next->style != text->style || next->top != text->top)
                    break;
                const int w = DraftCharWidth(text->cpp);
                int at = next->left / w - text->left / w;
                std::string over = next->text;
                if (at < 0) {
                    over.erase(0, std::min(over.size(), size_t(-at)));
                    at = 0;
                }
                if (text->text.size() < size_t(at) + over.size())
                    text->text.resize(size_t(at) + over.size(), ' ');
                for (size_t k = 0; k < over.size(); ++k) {
                    char& cell = text->text[size_t(at) + k];
                    const char c = over[k];
                    // A rule crossing a side is drawn as a crossing.
                    cell = (c == '-' && cell == '|') || (c == '|' && cell == '-') ? '+' : c;
                }
                ++i;
            }
            printText(*text);
        } else {
            printStrip(static_cast<const TDraftRaw&>(*items[i]));
        }
    }
    selectPitch(10, false);
    setLineSpacing(units_.V, false);
    setStyles(0);
    flushOutput();
}

void TRLDraftFilter::NewPage() {
    ejectPage();
    flushOutput();
}

void TRLDraftFilter::EndDoc() {
    if (!output_) return;
    ejectPage();
    flushOutput();
    output_->close();
}

void TRLDraftFilter::CommitOutput() {
    if (!output_) return;
    const TRLGraphicStorage* store = Pages();
    const QString title =
        store && !store->Title().empty() ? fromWindows1252(store->Title()) : QStringLiteral("Relatório");
    output_->submit(title);
    output_.reset();
    if (deviceKind_ == dkProgram) launchProgram();
}

void TRLDraftFilter::DiscardOutput() noexcept {
    output_.reset();
    buffer_.clear();
}

void TRLDraftFilter::sendCommand(const char* name, int parameter) {
    buffer_.append(table_.bytes(QLatin1String(name), parameter));
}

void TRLDraftFilter::sendBytes(const QByteArray& bytes) {
    buffer_.append(bytes);
}

void TRLDraftFilter::flushOutput() {
    if (!output_ || buffer_.isEmpty()) return;
    output_->write(buffer_);
    buffer_.clear();
}

void TRLDraftFilter::selectPitch(int cpp, bool forced) {
    if (cpp == pitch_ && !forced) return;
    if (pitch_ == 5) sendCommand("ExpandOff");
    switch (cpp) {
    case 5:
        sendCommand("CPP10");
        sendCommand("ExpandOn");
        break;
    case 12:
        sendCommand("CPP12");
        break;
    case 17:
        sendCommand("CPP17");
        break;
    case 20:
        sendCommand("CPP20");
        break;
    default:
        sendCommand("CPP10");
        break;
    }
    pitch_ = cpp;
    charWidth_ = 120 / cpp;
    moveTo(row_, 0);
}

void TRLDraftFilter::setLineSpacing(int units, bool forced) {
    if (units == spacing_ && !forced) return;
    spacing_ = units;
    if (units == units_.V)
        sendCommand("MicroOff");
    else
        sendCommand("MicroOn", units);
}

void TRLDraftFilter::moveTo(int row, int column) {
    if (spacing_ < row - row_ && spacing_ < units_.V) setLineSpacing(units_.V, false);
    while (spacing_ < row - row_) {
        sendCommand("CR");
        sendCommand("LF");
        row_ += spacing_;
        column_ = 0;
    }
    if (row - row_ > 0) {
        setLineSpacing(row - row_, false);
        sendCommand("CR");
        sendCommand("LF");
        row_ = row;
        column_ = 0;
    }
    if (column < column_) {
        sendCommand("CR");
        column_ = 0;
    }
    while (column - column_ >= charWidth_) {
        sendCommand("Space");
        column_ += charWidth_;
    }
}

void TRLDraftFilter::setStyles(int style) {
    const bool bold = (style & fsBold) && (textStyles_ & tsBold);
    const bool italic = (style & fsItalic) && (textStyles_ & tsItalic);
    const bool underline = (style & fsUnderline) && (textStyles_ & tsUnderline);
    if (bold != bold_) sendCommand(bold ? "BoldOn" : "BoldOff");
    if (italic != italic_) sendCommand(italic ? "ItalicOn" : "ItalicOff");
    if (underline != underline_) sendCommand(underline ? "UnderlineOn" : "UnderlineOff");
    bold_ = bold;
    italic_ = italic;
    underline_ = underline;
}

QByteArray TRLDraftFilter::convertAccents(const std::string& text) const {
    if (accentMethod_ == amSustain) return QByteArray(text.data(), qsizetype(text.size()));
    const QByteArray& letters = accentLetters();
    const QByteArray backspace = table_.bytes(QStringLiteral("BS"));
    QByteArray out;
    out.reserve(qsizetype(text.size()));
    for (const char c : text) {
        const qsizetype at = static_cast<unsigned char>(c) < 0x80 ? -1 : letters.indexOf(c);
        if (at < 0) {
            out.append(c);
        } else if (accentMethod_ == amTakeOut) {
            out.append(kAccentBases[at]);
        } else {
            out.append(kAccentMarks[at]);
            out.append(backspace);
            out.append(kAccentBases[at]);
        }
    }
    return out;
}

void TRLDraftFilter::printText(TDraftText& text) {
    selectPitch(text.cpp, false);
    moveTo(std::max(text.top, row_), text.left);
    const QByteArray bytes = convertAccents(text.text);
    setStyles(text.style);
    sendBytes(bytes);
    // A letter printed over its mark still takes one column.
    column_ += int(text.text.size()) * charWidth_;
    setStyles(0);
}

void TRLDraftFilter::printStrip(const TDraftRaw& strip) {
    moveTo(std::max(strip.top, row_), strip.left);
    sendCommand("RAW", int(strip.columns.size()));
    sendBytes(
        QByteArray(reinterpret_cast<const char*>(strip.columns.data()), qsizetype(strip.columns.size())));
    column_ = strip.right;
}

void TRLDraftFilter::ejectPage() {
    switch (ejectMethod_) {
    case ejCompletePage:
        if (formLength_ > 0) {
            // To the same place on the next form: one whole form below where
            // this page began, rounding kept from drifting over many pages.
            ++formsFed_;
            const long long target = std::llround(formsFed_ * formLength_);
            moveTo(int(target - unitsFed_), units_.X(0));
            unitsFed_ += row_;
            break;
        }
        moveTo(row_ + units_.V, units_.X(0));
        break;
    case ejForceWithCode:
        sendCommand("FF");
        break;
    case ejLeavePage:
        moveTo(row_ + units_.V, units_.X(0));
        break;
    }
    row_ = 0;
    column_ = 0;
}

void TRLDraftFilter::launchProgram() {
    const QString line = expandProgramLine(devicePath_, printerName_, portPath_, outputFileName_).trimmed();
    const qsizetype blank = line.indexOf(QLatin1Char(' '));
    const QString program = blank < 0 ? line : line.left(blank);
    const QStringList arguments = blank < 0 ? QStringList() : QProcess::splitCommand(line.mid(blank + 1));
    if (program.isEmpty()) throw Error("Caminho inválido para a impressora");
    if (launcher_)
        launcher_(program, arguments);
    else if (!QProcess::startDetached(program, arguments))
        throw Error(QStringLiteral("Não foi possível executar %1").arg(program).toStdString());
}

} // namespace rl
