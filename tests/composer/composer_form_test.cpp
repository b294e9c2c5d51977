#include "composer_fixture.h"
#include "platform/error_log.h"

#include "report/custom_band.h"
#include "report/custom_label.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <clocale>

using namespace rl;
using rl::test::ComposerFixture;

namespace {

const char kCustomPaperMessage[] =
    "Ops, desculpe não foi possível utilizar o tamanho de papel customizado, o "
    "tamanho foi automaticamente mudado para A4";

// Lines of a report: the first one is the header line the viewer never prints.
QByteArray report(std::initializer_list<const char*> lines) {
    QByteArray bytes;
    for (const char* line : lines)
        bytes += QByteArray(line) + "\r\n";
    return bytes;
}

QByteArray manyLines(int count) {
    QByteArray bytes = "HEADER\r\n";
    for (int i = 1; i <= count; ++i)
        bytes += "line " + QByteArray::number(i) + "\r\n";
    return bytes;
}

// Puts the default locale (and the C library's numeric locale) back.
struct LocaleGuard {
    QLocale saved = QLocale();
    std::string savedNumeric = std::setlocale(LC_NUMERIC, nullptr);
    ~LocaleGuard() {
        QLocale::setDefault(saved);
        std::setlocale(LC_NUMERIC, savedNumeric.c_str());
    }
};

} // namespace

// ---- design

TEST(TForm2Design, ComponentsCarryTheirNamesTypesAndSettings) {
    ComposerFixture f;
    TForm2& form = *f.form;
    EXPECT_EQ(form.RLReport1->objectName(), "RLReport1");
    EXPECT_EQ(form.RLBand1->objectName(), "RLBand1");
    EXPECT_EQ(form.RLLabel1->objectName(), "RLLabel1");
    EXPECT_EQ(form.titleband->objectName(), "titleband");
    EXPECT_EQ(form.QRImage2->objectName(), "QRImage2");
    EXPECT_EQ(form.PageHeaderBand1->objectName(), "PageHeaderBand1");
    EXPECT_EQ(form.QRImage1->objectName(), "QRImage1");

    TRLReport& report = *form.RLReport1;
    EXPECT_EQ(report.PageSetup.PaperSize(), fpLetter);
    EXPECT_EQ(report.PageSetup.Orientation(), poPortrait);
    for (double side : {report.Margins.LeftMargin(), report.Margins.TopMargin(), report.Margins.RightMargin(),
                        report.Margins.BottomMargin()})
        EXPECT_EQ(side, 5.0);
    EXPECT_TRUE(report.AdjustableMargins);
    EXPECT_FALSE(report.ShowProgress);
    EXPECT_TRUE(report.ForcePrepare);
    EXPECT_EQ(report.Font.Name, "Orator10 BT");
    EXPECT_EQ(report.Font.Size, 8);
    EXPECT_EQ(report.Font.Height(), -11);
    EXPECT_EQ(report.Font.Charset, 0);

    EXPECT_EQ(form.RLBand1->BandType, btDetail);
    EXPECT_TRUE(form.RLBand1->AutoSize());
    EXPECT_EQ(form.RLBand1->EffectiveFont().Height(), -9);
    EXPECT_EQ(form.RLLabel1->ParentControl(), form.RLBand1);
    EXPECT_EQ(form.RLLabel1->Align(), faLeftTop);
    EXPECT_TRUE(form.RLLabel1->AutoSize());
    EXPECT_EQ(form.RLLabel1->EffectiveFont().Name, "Orator10 BT");
    EXPECT_EQ(form.RLLabel1->EffectiveFont().Size, 7);

    EXPECT_EQ(form.titleband->BandType, btTitle);
    EXPECT_EQ(form.titleband->Height(), 1);
    EXPECT_EQ(form.QRImage2->ParentControl(), form.titleband);
    EXPECT_TRUE(form.QRImage2->AutoSize());
    EXPECT_EQ(form.QRImage2->BoundsRect(), (PageRect{304, 0, 305, 1}));

    EXPECT_EQ(form.PageHeaderBand1->BandType, btHeader);
    EXPECT_EQ(form.PageHeaderBand1->Height(), 1);
    EXPECT_EQ(form.QRImage1->ParentControl(), form.PageHeaderBand1);
    EXPECT_TRUE(form.QRImage1->AutoSize());
    EXPECT_EQ(form.QRImage1->BoundsRect(), (PageRect{248, 0, 249, 1}));

    // US Letter less the fallback printer's quarter-inch margins.
    for (TRLBand* band : {form.RLBand1, form.titleband, form.PageHeaderBand1})
        EXPECT_EQ(band->Width(), 768) << band->Name().toStdString();
}

TEST(TForm2Design, PrinterMetricsComeFromThePrinterWrapper) {
    ComposerFixture f;
    ASSERT_TRUE(f.form->RLReport1->PrinterMetricsProvider);
    EXPECT_EQ(f.form->RLReport1->PrinterMetricsProvider(), TRLPrinterWrapper::instance().GetMetrics());
    EXPECT_EQ(f.form->RLReport1->PrinterMetricsProvider(), PrinterMetrics::fallback()); // no CUPS here
}

// ---- paper

TEST(TForm2Paper, NamedPapersAreComparedExactly) {
    ComposerFixture f;
    TRLPageSetup& setup = f.form->RLReport1->PageSetup;
    f.form->ApplyPaperSize("A4");
    EXPECT_EQ(setup.PaperSize(), fpA4);
    f.form->ApplyPaperSize("Carta");
    EXPECT_EQ(setup.PaperSize(), fpLetter);
    for (const char* other : {"a4", "CARTA", "", "Letter", " A4", "customizado"}) {
        f.form->ApplyPaperSize(other);
        EXPECT_EQ(setup.PaperSize(), fpLetter) << other;
    }
    EXPECT_TRUE(f.presenter.requests.empty());
}

class TForm2CustomPaper : public ::testing::TestWithParam<bool> {};

// The settings files write millimetres with a decimal comma whatever the
// machine's locale; a page must come out the same under either separator.
TEST_P(TForm2CustomPaper, DecimalCommaGivesTheSamePageUnderAnyLocale) {
    LocaleGuard guard;
    if (GetParam()) {
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        std::setlocale(LC_NUMERIC, "pt_BR.UTF-8"); // where installed; Qt's default is what counts
    } else {
        QLocale::setDefault(QLocale::c());
        std::setlocale(LC_NUMERIC, "C");
    }
    ComposerFixture f;
    f.programSettings().setHeight("297,0");
    f.programSettings().setWidth("210");
    f.form->ApplyPaperSize("Customizado");
    const TRLReport& report = *f.form->RLReport1;
    EXPECT_EQ(report.PageSetup.PaperSize(), fpCustom);
    EXPECT_DOUBLE_EQ(report.PageSetup.PaperWidth(), 210.0);
    EXPECT_DOUBLE_EQ(report.PageSetup.PaperHeight(), 297.0);
    EXPECT_EQ(report.Width(), 794);
    EXPECT_EQ(report.Height(), 1123);

    f.programSettings().setHeight("100,5");
    f.programSettings().setWidth("80.25"); // a full stop is what the comma becomes
    f.form->ApplyPaperSize("Customizado");
    EXPECT_DOUBLE_EQ(report.PageSetup.PaperHeight(), 100.5);
    EXPECT_DOUBLE_EQ(report.PageSetup.PaperWidth(), 80.25);
    EXPECT_TRUE(f.presenter.requests.empty());
}

INSTANTIATE_TEST_SUITE_P(Locales, TForm2CustomPaper, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "PortugueseBrazil" : "C"; });

TEST(TForm2Paper, CustomPaperDefaultsToLetterSizeWhenTheKeysAreMissing) {
    ComposerFixture f;
    f.form->ApplyPaperSize("Customizado");
    EXPECT_EQ(f.form->RLReport1->PageSetup.PaperSize(), fpCustom);
    EXPECT_DOUBLE_EQ(f.form->RLReport1->PageSetup.PaperWidth(), 215.9);
    EXPECT_DOUBLE_EQ(f.form->RLReport1->PageSetup.PaperHeight(), 279.4);
}

TEST(TForm2Paper, UnusableCustomSizeFallsBackToA4WithTheMessage) {
    // Not numbers, and numbers no paper can have (below 10 mm the margins fill
    // the sheet; the last would overflow page units).
    for (const char* bad : {"abc", "", "29,7,1", "0", "0,0001", "9,99", "-297", "nan", "inf", "1e9"}) {
        ComposerFixture f;
        f.programSettings().setHeight("297");
        f.programSettings().setWidth(bad);
        f.form->ApplyPaperSize("Customizado");
        const TRLPageSetup& setup = f.form->RLReport1->PageSetup;
        EXPECT_EQ(setup.PaperSize(), fpA4) << bad;
        EXPECT_DOUBLE_EQ(setup.PaperWidth(), 210.0) << bad;
        EXPECT_DOUBLE_EQ(setup.PaperHeight(), 297.0) << bad;
        ASSERT_EQ(f.presenter.requests.size(), 1u) << bad;
        EXPECT_EQ(f.presenter.requests[0].text, QString::fromUtf8(kCustomPaperMessage));
        EXPECT_EQ(f.presenter.requests[0].caption, "Erro...");
        EXPECT_EQ(f.presenter.requests[0].icon, MessageIcon::Error);
    }
}

// Key by key: the user's choice (system-folder file), else the calling
// program's (program-folder file).
TEST(TForm2Paper, CustomSizeIsTheUsersWhereTheyChoseItElseTheProgramFolders) {
    ComposerFixture f;
    f.programSettings().setHeight("100");
    f.programSettings().setWidth("100");
    ComposerFixture::systemSettings().setHeight("200,5");
    f.form->ApplyPaperSize("Customizado");
    EXPECT_DOUBLE_EQ(f.form->RLReport1->PageSetup.PaperHeight(), 200.5);
    EXPECT_DOUBLE_EQ(f.form->RLReport1->PageSetup.PaperWidth(), 100.0);
}

// ---- font size and orientation

struct ColumnCase {
    const char* code;
    int points;
};

class TForm2ColumnCode : public ::testing::TestWithParam<ColumnCase> {};

TEST_P(TForm2ColumnCode, ChoosesTheLabelFontSize) {
    EXPECT_EQ(TForm2::FontSizeForColumnCode(GetParam().code), GetParam().points);
}

INSTANTIATE_TEST_SUITE_P(Codes, TForm2ColumnCode,
                         ::testing::Values(ColumnCase{"132", 7}, ColumnCase{"255", 6}, ColumnCase{"80", 8},
                                           ColumnCase{"", 8}, ColumnCase{"100", 8}, ColumnCase{" 132", 8},
                                           ColumnCase{"255 ", 8}),
                         [](const auto& info) {
                             return "Code_" +
                                    QString::fromLatin1(info.param.code).replace(' ', '_').toStdString() +
                                    (std::string(info.param.code).empty() ? "Empty" : "");
                         });

TEST(TForm2Compose, ColumnCodeSetsTheSizeOfThePrintedText) {
    for (const ColumnCase c : {ColumnCase{"132", 7}, ColumnCase{"255", 6}, ColumnCase{"80", 8}}) {
        ComposerFixture f;
        f.setReport(report({"HEADER", "uma linha"}), c.code);
        f.form->ComposeReport();
        TRLGraphicSurface* page = f.store().Pages(0);
        ASSERT_NE(page, nullptr);
        bool found = false;
        for (const auto& object : page->Items()) {
            if (object->kind() != ObjectKind::Text) continue;
            const auto& text = static_cast<const TRLTextObject&>(*object);
            EXPECT_EQ(text.Text, "uma linha");
            EXPECT_EQ(text.Font.Size, c.points) << c.code;
            EXPECT_EQ(text.FontName(), "Orator10 BT");
            found = true;
        }
        EXPECT_TRUE(found) << c.code;
    }
}

// A line wider than the printable width would be cut off on every output:
// the text is made smaller, a point at a time, until the widest line fits;
// reports that fit keep their size; past the floor the lines run off and the
// error log says so once.
TEST(TForm2Compose, WideLinesShrinkTheTextUntilTheyFit) {
    struct WideCase {
        const char* code;
        const char* orientation;
        int columns;
        int expectedSize;
    };
    for (const WideCase c :
         {WideCase{"80", "", 80, 8}, WideCase{"132", "paisagem", 132, 7}, WideCase{"255", "paisagem", 255, 4},
          WideCase{"255", "", 170, 5}, WideCase{"255", "", 400, TForm2::kMinFittedFontSize}}) {
        ComposerFixture f;
        const std::string wideLine(size_t(c.columns), 'M');
        f.setReport(report({"HEADER", wideLine.c_str(), "curta"}), c.code, c.orientation);
        f.form->ComposeReport();
        const std::string label = std::string(c.code) + " " + c.orientation + " " + std::to_string(c.columns);
        EXPECT_EQ(f.form->FittedFontSize(), c.expectedSize) << label;
        EXPECT_EQ(f.form->RLLabel1->Font.Size, TForm2::FontSizeForColumnCode(c.code)) << label;
        const TRLGraphicSurface* page = f.store().Pages(0);
        ASSERT_NE(page, nullptr);
        const TRLTextObject* found = nullptr;
        for (const auto& object : page->Items())
            if (!found && object->kind() == ObjectKind::Text)
                found = static_cast<const TRLTextObject*>(object.get());
        ASSERT_NE(found, nullptr);
        const TRLTextObject& wide = *found;
        EXPECT_EQ(wide.Font.Size, c.expectedSize) << label;
        const int printableRight =
            f.form->RLBand1->ClientRect().right + f.form->RLReport1->Margins.LeftMargin() * 96 / 25.4;
        EXPECT_EQ(wide.Bounds.right <= printableRight + 1, c.columns != 400) << label;
        EXPECT_EQ(QFile::exists(ErrorLog::path()), c.columns == 400) << label;
        QFile::remove(ErrorLog::path());
    }
}

TEST(TForm2Compose, OrientationWordIsComparedWithoutRegardToCase) {
    for (const char* word : {"PAISAGEM", "paisagem", "Paisagem"}) {
        ComposerFixture f;
        f.setReport(report({"HEADER", "a"}), "132", word);
        f.form->ComposeReport();
        EXPECT_EQ(f.form->RLReport1->PageSetup.Orientation(), poLandscape) << word;
        ASSERT_EQ(f.pageCount(), 1);
        EXPECT_EQ(f.store().Pages(0)->Width, 1056);
        EXPECT_EQ(f.store().Pages(0)->Height, 816);
    }
    for (const char* word : {"retrato", "", "paisagem ", "landscape"}) {
        ComposerFixture f;
        f.setReport(report({"HEADER", "a"}), "132", word);
        f.form->ComposeReport();
        EXPECT_EQ(f.form->RLReport1->PageSetup.Orientation(), poPortrait) << word;
    }
}

// ---- lines fed to the report

TEST(TForm2Compose, FirstLineIsNeverPrinted) {
    ComposerFixture f;
    f.setReport(report({"HEADER", "um", "dois", "tr\xeas"}));
    f.form->ComposeReport();
    ASSERT_EQ(f.pageCount(), 1);
    EXPECT_EQ(f.texts(0), (std::vector<std::string>{"um", "dois", "tr\xeas"}));
    EXPECT_EQ(f.form->ReportLines.Count(), 4u);
    EXPECT_EQ(f.form->LoadedPageCount, 0); // counted before the first generation
}

TEST(TForm2Compose, OneLineFileGivesAPageWithoutDetailBands) {
    ComposerFixture f;
    f.setReport("ONLY THE HEADER LINE\r\n");
    f.form->ComposeReport();
    EXPECT_EQ(f.pageCount(), 1);
    EXPECT_TRUE(f.texts(0).empty());
}

TEST(TForm2Compose, MissingFileGivesAnEmptyReport) {
    ComposerFixture f;
    f.form->Values.ReportFilePath = f.dir.filePath("missing.txt");
    f.form->ReportLines = ReportText({"left over", "from before"});
    f.form->ComposeReport();
    EXPECT_TRUE(f.form->ReportLines.Empty());
    EXPECT_EQ(f.pageCount(), 1);
    EXPECT_TRUE(f.texts(0).empty());
    EXPECT_TRUE(f.presenter.requests.empty());
}

TEST(TForm2Compose, BlankAndControlCharactersReachTheLabel) {
    ComposerFixture f;
    f.setReport(QByteArray("HEADER\r\na\tb\r\nc\0d\r\n\r\n\r\n", 21));
    f.form->ComposeReport();
    EXPECT_EQ(f.texts(0), (std::vector<std::string>{"a\tb", "c d", "", ""}));
}

TEST(TForm2Compose, FormFeedAtTheStartOfALineStartsAPageAndIsNotPrinted) {
    ComposerFixture f;
    f.setReport(report({"HEADER", "a", "\fb", "c", "\fd"}));
    f.form->ComposeReport();
    ASSERT_EQ(f.pageCount(), 3);
    EXPECT_EQ(f.texts(0), std::vector<std::string>{"a"});
    EXPECT_EQ(f.texts(1), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(f.texts(2), std::vector<std::string>{"d"});
}

TEST(TForm2Compose, FormFeedOnTheFirstPrintedLineMakesNoEmptyPage) {
    ComposerFixture f;
    f.setReport(report({"\fHEADER", "\fa", "b"}));
    f.form->ComposeReport();
    ASSERT_EQ(f.pageCount(), 1);
    EXPECT_EQ(f.texts(0), (std::vector<std::string>{"a", "b"}));
}

TEST(TForm2Compose, FormFeedInTheMiddleStartsAPageAndTheLineLosesItsFirstCharacter) {
    ComposerFixture f;
    f.setReport(report({"HEADER", "a", "XY\fZ", "w"}));
    f.form->ComposeReport();
    ASSERT_EQ(f.pageCount(), 2);
    EXPECT_EQ(f.texts(0), std::vector<std::string>{"a"});
    EXPECT_EQ(f.texts(1), (std::vector<std::string>{"Y\fZ", "w"}));
}

TEST(TForm2Compose, LinesOfOnlyAFormFeedGiveAnEmptyLineOnEachPage) {
    ComposerFixture f;
    f.setReport(report({"\f", "\f", "\f", "\f"}));
    f.form->ComposeReport();
    ASSERT_EQ(f.pageCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(f.texts(i), std::vector<std::string>{""}) << i;
}

TEST(TForm2Compose, LinesAlreadyReadAreLaidOutWithoutReadingTheFileAgain) {
    ComposerFixture f;
    QFile::remove(f.setReport(report({"HEADER", "a"})));
    f.form->ComposeReport({"HEADER", "a", "\fb"});
    EXPECT_EQ(f.pageCount(), 2);
    EXPECT_EQ(f.texts(1), std::vector<std::string>{"b"});
}

TEST(TForm2Compose, EveryGenerationStartsAgainFromTheSecondLine) {
    ComposerFixture f;
    f.setReport(manyLines(150), "132");
    f.form->ComposeReport();
    const int pages = f.pageCount();
    ASSERT_GT(pages, 1);
    const std::vector<std::string> first = f.texts(0);
    EXPECT_EQ(first.front(), "line 1");

    f.form->LineCursor = 77; // wherever the last run left it
    EXPECT_TRUE(f.form->RegenerateAndShow());
    EXPECT_EQ(f.pageCount(), pages);
    EXPECT_EQ(f.texts(0), first);
    EXPECT_EQ(f.texts(pages - 1).back(), "line 150");
    EXPECT_EQ(f.form->LineCursor, 151);
}

// ---- the head picture

TEST(TForm2Picture, RightAlignedPictureOnTheTitleBand) {
    ComposerFixture f;
    f.form->Values.FigurePath = f.makePicture(100, 40);
    f.programSettings().setMostra(0);
    f.programSettings().setPosicao(2);
    f.setReport(manyLines(120));
    f.form->ComposeReport();
    ASSERT_GT(f.pageCount(), 1);
    // On the 768-wide band at left 668, placed inside the 24-pixel margin.
    ASSERT_EQ(f.imageBounds(0).size(), 1u);
    EXPECT_EQ(f.imageBounds(0)[0], (PageRect{24 + 668, 24, 24 + 768, 24 + 40}));
    // The title band is the picture's height plus 3; the lines follow it.
    EXPECT_EQ(f.firstTextTop(0), 24 + 43);
    // Printed once: later pages start at the margin, without picture.
    EXPECT_TRUE(f.imageBounds(1).empty());
    EXPECT_EQ(f.firstTextTop(1), 24);
    EXPECT_TRUE(f.presenter.requests.empty());
    // The sizes set while printing do not outlive the print.
    EXPECT_EQ(f.form->QRImage2->Left(), 304);
    EXPECT_EQ(f.form->titleband->Height(), 1);
}

TEST(TForm2Picture, PositionCentredLeftOrUnchanged) {
    struct Case {
        int posicao;
        int left;
    };
    for (const Case c :
         {Case{0, 768 / 2 - 101 / 2}, Case{1, 0}, Case{2, 768 - 101}, Case{3, 304}, Case{-1, 304}}) {
        ComposerFixture f;
        f.form->Values.FigurePath = f.makePicture(101, 20);
        f.programSettings().setPosicao(c.posicao);
        f.setReport(report({"HEADER", "a"}));
        f.form->ComposeReport();
        ASSERT_EQ(f.imageBounds(0).size(), 1u) << c.posicao;
        EXPECT_EQ(f.imageBounds(0)[0].left, 24 + c.left) << c.posicao;
        EXPECT_EQ(f.imageBounds(0)[0].width(), 101) << c.posicao;
    }
}

TEST(TForm2Picture, EveryPageWithMostraOneInTheSystemFile) {
    ComposerFixture f;
    f.form->Values.FigurePath = f.makePicture(50, 30);
    f.programSettings().setMostra(1); // the title band prints nothing then
    ComposerFixture::systemSettings().setMostra(1);
    ComposerFixture::systemSettings().setPosicao(1);
    f.setReport(manyLines(150));
    f.form->ComposeReport();
    ASSERT_GT(f.pageCount(), 1);
    for (int i = 0; i < f.pageCount(); ++i) {
        ASSERT_EQ(f.imageBounds(i).size(), 1u) << i;
        EXPECT_EQ(f.imageBounds(i)[0], (PageRect{24, 24, 24 + 50, 24 + 30})) << i;
        EXPECT_EQ(f.firstTextTop(i), 24 + 33) << i;
    }
}

TEST(TForm2Picture, NoPictureWithMostraOutsideZeroAndOne) {
    ComposerFixture f;
    f.form->Values.FigurePath = f.makePicture(50, 30);
    f.programSettings().setMostra(2);
    ComposerFixture::systemSettings().setMostra(2);
    f.setReport(report({"HEADER", "a"}));
    f.form->ComposeReport();
    EXPECT_TRUE(f.imageBounds(0).empty());
    EXPECT_EQ(f.firstTextTop(0), 24);
}

TEST(TForm2Picture, MissingPictureFileIsSilent) {
    ComposerFixture f;
    f.form->Values.FigurePath = f.dir.filePath("nowhere.bmp");
    f.setReport(report({"HEADER", "a"}));
    f.form->ComposeReport();
    EXPECT_TRUE(f.imageBounds(0).empty());
    EXPECT_EQ(f.firstTextTop(0), 24);
    EXPECT_TRUE(f.presenter.requests.empty());
}

TEST(TForm2Picture, UnreadablePictureShowsThePlainMessageOncePerBandPrint) {
    ComposerFixture f;
    const QString figure = f.dir.filePath("logo.jpg");
    test::writeFile(figure, "this is not a picture");
    f.form->Values.FigurePath = figure;
    f.programSettings().setMostra(1);
    ComposerFixture::systemSettings().setMostra(1);
    f.setReport(report({"HEADER", "a", "\fb", "\fc"}));
    f.form->ComposeReport();
    ASSERT_EQ(f.pageCount(), 3);
    ASSERT_EQ(f.presenter.requests.size(), 3u); // the page header prints on each page
    for (const MessageBoxRequest& request : f.presenter.requests) {
        EXPECT_EQ(request.text, "Tipo de Arquivo Inválido");
        EXPECT_EQ(request.caption, "Visualizando Relatório");
        EXPECT_EQ(request.icon, MessageIcon::None);
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(f.imageBounds(i).empty());
        EXPECT_EQ(f.firstTextTop(i), 24);
    }
}

TEST(TForm2Picture, PictureOfAnEarlierGenerationIsKeptWhenTheFileGoesBad) {
    ComposerFixture f;
    const QString figure = f.makePicture(60, 20);
    f.form->Values.FigurePath = figure;
    f.setReport(report({"HEADER", "a"}));
    f.form->ComposeReport();
    ASSERT_EQ(f.imageBounds(0).size(), 1u);

    test::writeFile(figure, "garbage");
    EXPECT_TRUE(f.form->RegenerateAndShow());
    ASSERT_EQ(f.presenter.requests.size(), 1u);
    EXPECT_EQ(f.presenter.requests[0].text, "Tipo de Arquivo Inválido");
    ASSERT_EQ(f.imageBounds(0).size(), 1u);
    EXPECT_EQ(f.imageBounds(0)[0].width(), 60);
    EXPECT_EQ(f.firstTextTop(0), 24 + 23);
}

TEST(TForm2Picture, APictureOnEveryPageIsReadOnceAndStoredOnce) {
    ComposerFixture f;
    f.form->Values.FigurePath = f.makePicture(700, 300, "wide.bmp");
    f.programSettings().setMostra(1);
    ComposerFixture::systemSettings().setMostra(1);
    f.setReport(manyLines(3000));
    f.form->ComposeReport();
    ASSERT_GT(f.pageCount(), 20);
    EXPECT_EQ(f.store().PictureCount(), 1);
    const qint64 picture = 700 * 300 * 3; // as stored, a 24-bit bitmap
    EXPECT_LT(QFileInfo(f.store().SpillFileName()).size(), picture)
        << "the spill file grows with the text, not with pages times the picture";
    EXPECT_EQ(f.imageBounds(f.pageCount() - 1).size(), 1u);
}

TEST(TForm2Picture, APictureTallerThanThePageIsMadeToFitWithOneLogLine) {
    ComposerFixture f;
    QFile::remove(ErrorLog::path());
    f.form->Values.FigurePath = f.makePicture(100, 3000, "tall.png");
    f.programSettings().setMostra(1);
    ComposerFixture::systemSettings().setMostra(1);
    f.setReport(report({"HEADER", "a", "b", "c", "\fd", "e", "\ff"}));
    f.form->ComposeReport();
    // At most half the printable height (its band adds 3): the lines keep the rest.
    EXPECT_EQ(f.pageCount(), 3) << "every line still on its page";
    ASSERT_EQ(f.imageBounds(0).size(), 1u);
    const PageRect bounds = f.imageBounds(0)[0];
    EXPECT_GT(bounds.height(), 400);
    EXPECT_EQ(bounds.height() + 3, (1056 - 48) / 2); // Letter portrait, 24 units of margin each side
    EXPECT_NEAR(bounds.width(), 100.0 * bounds.height() / 3000, 1.0) << "the aspect is kept";
    const QStringList log =
        QString::fromUtf8(test::readFile(ErrorLog::path())).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(log.size(), 1) << log.join('|').toStdString();
    EXPECT_TRUE(log[0].contains("tall.png")) << log[0].toStdString();
    QFile::remove(ErrorLog::path());
}

// ---- the main window through its interface

TEST(TForm2View, CompositionShowsTheWindowAfterGeneratingIntoItsPreview) {
    ComposerFixture f;
    f.useView();
    f.setReport(manyLines(150), "132", "paisagem");
    f.form->ComposeReport();
    ASSERT_NE(f.view, nullptr);
    EXPECT_EQ(f.form->View(), f.view);
    const int pages = f.pageCount();
    ASSERT_GT(pages, 1);
    EXPECT_EQ(f.view->calls,
              (std::vector<std::string>{"RebuildPageTree " + std::to_string(pages), "ShowWindow",
                                        "checapaginas", "habilitamenus", "ApplyPermissionFlags"}));
    EXPECT_EQ(f.view->preview->Storage(), &f.store());
}

TEST(TForm2View, PageTreeFollowsEveryRegeneration) {
    ComposerFixture f;
    f.useView();
    f.setReport(manyLines(200), "132");
    f.form->ComposeReport();
    const int portraitPages = f.pageCount();

    f.form->RLReport1->PageSetup.SetOrientation(poLandscape);
    EXPECT_TRUE(f.form->RegenerateAndShow());
    const int landscapePages = f.pageCount();
    EXPECT_GT(landscapePages, portraitPages);
    EXPECT_EQ(f.view->treePageCounts, (std::vector<int>{portraitPages, landscapePages}));
    EXPECT_EQ(f.view->preview->Storage(), &f.store());
    EXPECT_EQ(f.view->preview->CurrentPageNumber(), 1);
}

TEST(TForm2View, WithoutAViewTheReportIsPreparedHeadless) {
    ComposerFixture f;
    f.setReport(report({"HEADER", "a"}));
    f.form->ComposeReport();
    EXPECT_EQ(f.form->View(), nullptr);
    EXPECT_EQ(f.form->RLReport1->CurrentState(), TRLCustomReport::State::Ready);
    EXPECT_TRUE(f.form->RegenerateAndShow());
    EXPECT_EQ(f.pageCount(), 1);
}
