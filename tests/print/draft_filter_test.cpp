// The dot-matrix filter's bytes: golden streams of a small hand-checked page in
// both printer families, and exact sequences for the cases that matter.

#include "pagestore/picture_data.h"
#include "platform/error.h"
#include "platform/messages.h"
#include "print/draft_device.h"
#include "print/draft_print.h"
#include "print/draft_test_support.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace rl {
namespace {

using test::addPage;
using test::addText;
using test::draftStore;
using test::runDraft;

// Reset, pitch 10 and 6 lines per inch: how every document begins.
const QByteArray kStart("\x1b@\x1bx0\x1bP\x12\x1b\x32", 10);

QByteArray blackPicture() {
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::black);
    return PictureData::fromImage(image);
}

// One page holding every kind of item: a bold accented title and a picture on
// the first row, two texts merged on one row, a rectangle whose right side
// crosses its top rule, a rule, and a row 1.5 lines further down.
void buildMixedPage(TRLGraphicStorage& store) {
    TRLGraphicSurface& page = addPage(store);
    addText(page, 24, 24, "Relat\xf3rio", fsBold);
    page.StretchDraw({104, 24, 112, 32}, blackPicture(), false);
    addText(page, 24, 56, "A");
    addText(page, 64, 56, "B");
    page.Rectangle(40, 80, 104, 112);
    auto& line = page.AddObject<TRLLineObject>();
    line.StartPoint = {24, 128};
    line.EndPoint = {72, 128};
    line.Bounds = {24, 128, 73, 129};
    line.Pen.Width = 1;
    addText(page, 24, 144, "A\xe7\xe3o \xe3");
}

class DraftGolden : public ::testing::TestWithParam<TRLDraftPrinterFamily> {};

TEST_P(DraftGolden, MixedPageMatchesItsGoldenStream) {
    QObject owner;
    TRLGraphicStorage* store = draftStore(owner);
    buildMixedPage(*store);
    TRLDraftFilter filter;
    filter.SetPrinterFamily(GetParam());
    filter.SetCPPSelection(csFixed12CPP);
    filter.SetEjectMethod(ejForceWithCode);
    const QByteArray bytes = runDraft(filter, *store);

    const QString golden =
        QStringLiteral(RL_TEST_DATA "/print/draft_mixed_%1.bin")
            .arg(GetParam() == fmESCP2 ? QStringLiteral("escp2") : QStringLiteral("epson"));
    if (qEnvironmentVariableIsSet("RL_UPDATE_GOLDENS")) test::writeFile(golden, bytes);
    const QByteArray expected = test::readFile(golden);
    EXPECT_EQ(bytes, expected) << test::firstDifference(expected, bytes);

    // What lands on paper, whatever the family's units.
    const test::DecodedPrint print = test::decodeDraft(bytes, GetParam() == fmESCP2 ? 60 : 12);
    const int line = GetParam() == fmESCP2 ? 60 : 12;
    EXPECT_EQ(print.line(2 * line, 10), "A    B");
    EXPECT_EQ(print.line(3 * line, 10), " |-------+");
    EXPECT_EQ(print.line(4 * line, 10), " |       |");
    EXPECT_EQ(print.line(5 * line, 10), "  --------");
    EXPECT_EQ(print.line(6 * line, 10), "------");
}

INSTANTIATE_TEST_SUITE_P(Families, DraftGolden, ::testing::Values(fmEpsonLike, fmESCP2),
                         [](const auto& info) { return info.param == fmESCP2 ? "ESCP2" : "EpsonLike"; });

struct ExactCase {
    const char* name;
    std::function<void(TRLDraftFilter&)> setup;
    std::function<void(TRLGraphicStorage&)> build;
    QByteArray expected;
};

void onePage(TRLGraphicStorage& store, int x, int y, const std::string& text) {
    addText(addPage(store), x, y, text);
}

QByteArray bytes(const char* data, int size) {
    return QByteArray(data, size);
}

const ExactCase kExactCases[] = {
    {"FirstPageAtTheOffsetsThenOneWholeForm",
     [](TRLDraftFilter& f) {
         f.SetCPPSelection(csFixed12CPP);
         f.SetEjectMethod(ejCompletePage);
     },
     [](TRLGraphicStorage& s) { onePage(s, 24, 24, "ABC"); },
     // The move to the form's left edge (left of the offset) adds a CR.
     kStart + "\x1bM\x12" + "ABC" + "\x1bP\x12\r" + QByteArray("\r\n").repeated(66) + "\r"},
    {"OverwrittenAccent", [](TRLDraftFilter& f) { f.SetAccentMethod(amOverwrite); },
     [](TRLGraphicStorage& s) { onePage(s, 24, 24, "\xe3"); },
     kStart + "~\x08"
              "a\x0c"},
    {"AccentTakenOut", [](TRLDraftFilter& f) { f.SetAccentMethod(amTakeOut); },
     [](TRLGraphicStorage& s) { onePage(s, 24, 24, "\xe3"); }, kStart + "a\x0c"},
    {"AccentSustained", [](TRLDraftFilter& f) { f.SetAccentMethod(amSustain); },
     [](TRLGraphicStorage& s) { onePage(s, 24, 24, "\xe3"); }, kStart + "\xe3\x0c"},
    {"RowOneAndAHalfLinesDown", [](TRLDraftFilter&) {},
     [](TRLGraphicStorage& s) {
         TRLGraphicSurface& page = addPage(s);
         addText(page, 24, 24, "X");
         addText(page, 24, 48, "Y");
     },
     kStart + "X\r\n" + bytes("\x1b\x41\x06", 3) + "\r\nY\x1b\x32\x0c"},
    {"TextAboveTheFirstRowPrintsOnIt", [](TRLDraftFilter&) {},
     [](TRLGraphicStorage& s) { onePage(s, 24, 0, "Q"); }, kStart + "Q\x0c"},
    {"PortraitOn132ColumnsIsWidened",
     [](TRLDraftFilter& f) {
         f.SetCPPSelection(csFixed12CPP);
         f.SetFormSelection(fs132Cols);
     },
     [](TRLGraphicStorage& s) { onePage(s, 120, 24, "Z"); },
     kStart + "\x1bM\x12" + QByteArray(19, ' ') + "Z\x1bP\x12\r\x0c"},
    {"PortraitOn80ColumnsIsNot",
     [](TRLDraftFilter& f) {
         f.SetCPPSelection(csFixed12CPP);
         f.SetFormSelection(fs80Cols);
     },
     [](TRLGraphicStorage& s) { onePage(s, 120, 24, "Z"); },
     kStart + "\x1bM\x12" + QByteArray(12, ' ') + "Z\x1bP\x12\r\x0c"},
    {"FormFeedEndsEveryPage", [](TRLDraftFilter&) {},
     [](TRLGraphicStorage& s) {
         onePage(s, 24, 24, "1");
         onePage(s, 24, 24, "2");
     },
     kStart + "1\x0c" + "\x1bP\x12\x1b\x32" + "2\x0c"},
    {"PictureAsOneStrip", [](TRLDraftFilter& f) { f.SetDitheringMethod(dmColorTable); },
     [](TRLGraphicStorage& s) {
         addPage(s).StretchDraw({24, 24, 32, 32}, blackPicture(), false);
     },
     kStart + bytes("\x1bL\x0a\x00", 4) + QByteArray(10, '\xfc') + "\x0c"},
    {"NoDitheringDropsPictures", [](TRLDraftFilter& f) { f.SetDitheringMethod(dmNone); },
     [](TRLGraphicStorage& s) {
         addPage(s).StretchDraw({24, 24, 32, 32}, blackPicture(), false);
     },
     kStart + "\x0c"},
};

class DraftExact : public ::testing::TestWithParam<ExactCase> {};

TEST_P(DraftExact, SendsExactly) {
    QObject owner;
    TRLGraphicStorage* store = draftStore(owner);
    GetParam().build(*store);
    TRLDraftFilter filter;
    filter.SetCPPSelection(csFixed10CPP);
    filter.SetEjectMethod(ejForceWithCode);
    GetParam().setup(filter);
    const QByteArray actual = runDraft(filter, *store);
    EXPECT_EQ(actual, GetParam().expected) << test::firstDifference(GetParam().expected, actual);
}

INSTANTIATE_TEST_SUITE_P(Cases, DraftExact, ::testing::ValuesIn(kExactCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Continuous A4 forms (841.9 row units each): every page starts on its own
// form exactly where the first did, to the nearest unit, however many pages.
TEST(DraftFilter, ContinuousFormsDoNotDrift) {
    QObject owner;
    TRLGraphicStorage* store = draftStore(owner, 210, 297);
    for (char c = 'a'; c < 'a' + 8; ++c)
        onePage(*store, 24, 24, std::string(1, c));
    TRLDraftFilter filter;
    filter.SetCPPSelection(csFixed10CPP);
    const test::DecodedPrint print = test::decodeDraft(runDraft(filter, *store));
    const double form = 6 * 12 * 297 / 25.4;
    for (int page = 0; page < 8; ++page)
        EXPECT_EQ(print.rowOf(char('a' + page)), std::llround(page * form)) << "page " << page + 1;
}

// The form chosen once stays chosen: the viewer's 132 columns are preselected
// in the next dialog, the orientation does not move it, "Padrão" prints unscaled.
TEST(DraftFilter, FormIndexPersistsBetweenDialogs) {
    const Messages::Language language = Messages::language();
    Messages::setLanguage(Messages::Language::Portuguese);
    TRLDraftFilter filter;
    EXPECT_EQ(filter.OptionList(), QStringList({"Padrão", "80 cols", "132 cols"}));
    Messages::setLanguage(language);
    EXPECT_EQ(filter.OptionIndex(), 0);
    filter.SetOrientation(1);
    EXPECT_EQ(filter.OptionIndex(), 2);
    filter.SetFormSelection(fs132Cols);
    filter.SetOrientation(0);
    EXPECT_EQ(filter.OptionIndex(), 2);
    EXPECT_DOUBLE_EQ(filter.HorizontalScale(), 1.65);
    filter.SetOptionIndex(0);
    EXPECT_DOUBLE_EQ(filter.HorizontalScale(), 1.0);
    filter.SetFormSelection(fsAccordingToOrientation);
    EXPECT_EQ(filter.OptionIndex(), 1);
}

TEST(DraftFilter, PrintDraftTakesPitchFromColumnCodeAndPutsTheDeviceBack) {
    EXPECT_EQ(CPPSelectionForColumnCode("132"), csFixed17CPP);
    EXPECT_EQ(CPPSelectionForColumnCode("255"), csFixed12CPP);
    EXPECT_EQ(CPPSelectionForColumnCode("40"), csAutomatic);

    QObject owner;
    TRLGraphicStorage* store = draftStore(owner);
    onePage(*store, 24, 24, "X");
    TRLDraftFilter filter;
    filter.SetShowProgress(false);
    filter.SetPrinter(std::make_unique<test::FixedDraftPrinter>());
    const QString path = test::sandboxDir() + "/entry.prn";
    PrintDraft(filter, *store, {1, -1, "80", 2, path});
    EXPECT_EQ(filter.CPPSelection(), csFixed12CPP);
    EXPECT_EQ(filter.OptionIndex(), 2);
    EXPECT_EQ(filter.DeviceKind(), dkPrinterPort);
    EXPECT_EQ(filter.DevicePath(), "prn");
    EXPECT_TRUE(test::readFile(path).startsWith(kStart + "\x1bM\x12X"));
}

// Where the bytes go. Ports are device URIs: only an existing file or device
// is written directly; a URI goes to the queue; nothing usable is an error.
TEST(DraftTarget, PortsAndPathsResolve) {
    const QString device = QStringLiteral("/dev/null");
    struct Case {
        TRLDraftDeviceKind kind;
        QString devicePath, port, queue;
        DraftTarget::Kind expectedKind;
        QString expectedPath; // empty: "Caminho inválido para a impressora"
    } cases[] = {
        {dkPrinterPort, "prn", "usb://Epson/LX-350", "lx", DraftTarget::Kind::Queue, "lx"},
        {dkPrinterPort, "prn", device, "lx", DraftTarget::Kind::File, device},
        {dkPrinterPort, "prn", "file:///tmp/x.prn", "lx", DraftTarget::Kind::File, "/tmp/x.prn"},
        {dkPrinterPort, "prn", "/dev/no-such-port", "", DraftTarget::Kind::File, ""},
        {dkPrinterPort, "prn", "", "", DraftTarget::Kind::File, ""},
        {dkFileName, "cups:matricial", "", "lx", DraftTarget::Kind::Queue, "matricial"},
        {dkFileName, "LPT1:", "", "lx", DraftTarget::Kind::Queue, "lx"},
        {dkFileName, "prn", "", "", DraftTarget::Kind::File, ""},
        {dkFileName, "out.prn", "", "", DraftTarget::Kind::File, "out.prn"},
        {dkFileName, "", "", "lx", DraftTarget::Kind::File, ""},
        {dkProgram, "lpr %f", "", "", DraftTarget::Kind::File, "/tmp/~mv1.tmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.devicePath + " | " + c.port).toStdString());
        const QString temporary = c.kind == dkProgram ? QStringLiteral("/tmp/~mv1.tmp") : QString();
        if (c.expectedPath.isEmpty()) {
            try {
                ResolveDraftTarget(c.kind, c.devicePath, c.port, c.queue, temporary);
                ADD_FAILURE() << "no error";
            } catch (const Error& e) {
                EXPECT_STREQ(e.what(), "Caminho inválido para a impressora");
            }
            continue;
        }
        const DraftTarget target = ResolveDraftTarget(c.kind, c.devicePath, c.port, c.queue, temporary);
        EXPECT_EQ(target.kind, c.expectedKind);
        EXPECT_EQ(target.path, c.expectedPath);
    }
}

// A run whose port names nothing usable writes nothing anywhere.
TEST(DraftFilter, UnusablePortLeavesNoStrayFile) {
    QObject owner;
    TRLGraphicStorage* store = draftStore(owner);
    onePage(*store, 24, 24, "X");
    TRLDraftFilter filter;
    filter.SetShowProgress(false);
    auto printer = std::make_unique<test::FixedDraftPrinter>();
    printer->port = "LPT1:";
    printer->name.clear();
    filter.SetPrinter(std::move(printer));
    EXPECT_THROW(filter.Run(store, 1, -1), Error);
    EXPECT_FALSE(QFile::exists("LPT1:"));
    EXPECT_FALSE(QFile::exists("prn"));
}

TEST(DraftFilter, ProgramGetsPrinterPortAndFile) {
    QObject owner;
    TRLGraphicStorage* store = draftStore(owner);
    onePage(*store, 24, 24, "X");
    TRLDraftFilter filter;
    filter.SetShowProgress(false);
    auto printer = std::make_unique<test::FixedDraftPrinter>();
    printer->port = "usb://Epson/LX";
    filter.SetPrinter(std::move(printer));
    filter.SetDeviceKind(dkProgram);
    filter.SetDevicePath("lpr -P %P %d %F");
    QString program;
    QStringList arguments;
    filter.SetProgramLauncher([&](const QString& p, const QStringList& a) {
        program = p;
        arguments = a;
    });
    filter.Run(store, 1, -1);
    EXPECT_EQ(program, "lpr");
    ASSERT_EQ(arguments.size(), 4);
    EXPECT_EQ(arguments.mid(0, 3), QStringList({"-P", "matricial", "usb://Epson/LX"}));
    EXPECT_TRUE(test::readFile(arguments[3]).startsWith(kStart));
}

TEST(DraftCommands, TokensExpand) {
    EXPECT_EQ(ExpandDraftCommand("27,'L',#l,#H", 300), QByteArray("\x1bL\x2c\x01"));
    EXPECT_EQ(ExpandDraftCommand("$1B,'x0', $ ,,99", 42), QByteArray("\x1bx042"));
    EXPECT_EQ(ExpandDraftCommand("27,','", 0), QByteArray("\x1b,"));
    EXPECT_THROW(ExpandDraftCommand("27,W", 0), Error);
    const DraftCommandTable table(DefaultDraftCommands(fmESCP2));
    EXPECT_EQ(table.bytes("microon", 30), QByteArray("\x1b+\x1e"));
    EXPECT_TRUE(table.bytes("Missing").isEmpty());
}

// The report font's pitch by size, as whole-pixel advances give it: the
// font of ten characters per inch at 12 points.
TEST(DraftItems, AutomaticPitchOfTheReportFont) {
    const std::pair<int, int> sizes[] = {{12, 10}, {10, 12}, {8, 17}, {7, 20}};
    for (const auto& [size, pitch] : sizes)
        EXPECT_EQ(AutomaticDraftPitch("Orator10 BT", size), pitch) << size << " points";
}

// An ESC/P2 printer prints 8-dot strips at 1/60 inch a dot row and counts rows
// in 1/360 inch: the strips of one picture follow one another 48 units apart,
// never overlapping, and the picture keeps its height.
TEST(DraftItems, Escp2StripsAreStackedInPrinterUnits) {
    QObject owner;
    TRLGraphicStorage* store = draftStore(owner);
    addPage(*store).StretchDraw({24, 24, 32, 48}, blackPicture(), false); // 24 units: 14 dot rows
    DraftLayout layout;
    layout.units = {1, 24, 24, 60};
    DraftItemBuilder builder(layout);
    const DraftItemList items = builder.build(*store->Pages(0));
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0]->top, 0);
    EXPECT_EQ(items[0]->bottom, 48);
    EXPECT_EQ(items[1]->top, 48);
    EXPECT_EQ(items[1]->bottom, 84); // a quarter inch is 90
}

} // namespace
} // namespace rl
