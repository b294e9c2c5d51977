// The dot-matrix filter's bytes: golden streams of a small hand-checked page in
// both printer families, and exact sequences for the cases that matter.

#include "pagestore/picture_data.h"
#include "platform/error.h"
#include "platform/messages.h"
#include "print/draft_device.h"
#include "print/draft_print.h"
#include "print/draft_test_support.h"
#include "support/test_support.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <thread>

#include <cups/cups.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

// A one-queue IPP printer on 127.0.0.1, served by libcups's own server side
// on a thread: it answers the lookups a raw job makes, takes Create-Job, and
// answers Send-Document with the status it is given.
class FakeIppPrinter {
public:
    explicit FakeIppPrinter(ipp_status_t documentStatus) : documentStatus_(documentStatus) {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
            listen(listener_, 4) == 0 &&
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~FakeIppPrinter() {
        finish();
        ::close(listener_);
    }
    int port() const { return port_; }
    // Ends the session the client left; then the records may be read.
    void finish() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    QByteArray document;
    QList<int> operations;

private:
    void serve() {
        const QDeadlineTimer limit(10000);
        while (!stop_ && !limit.hasExpired()) {
            pollfd waiting{listener_, POLLIN, 0};
            if (poll(&waiting, 1, 50) != 1) continue;
            http_t* http = httpAcceptConnection(listener_, 1);
            while (http && !stop_ && httpWait(http, 2000) && answer(http)) {
            }
            httpClose(http);
        }
    }

    // One request and its response; false when the connection is done.
    bool answer(http_t* http) {
        char resource[1024];
        if (httpReadRequest(http, resource, sizeof(resource)) != HTTP_STATE_POST) return false;
        http_status_t status;
        while ((status = httpUpdate(http)) == HTTP_STATUS_CONTINUE) {
        }
        if (status != HTTP_STATUS_OK) return false;
        if (httpGetExpect(http) == HTTP_STATUS_CONTINUE) httpWriteResponse(http, HTTP_STATUS_CONTINUE);
        ipp_t* request = ippNew();
        ipp_state_t state;
        while ((state = ippRead(http, request)) != IPP_STATE_DATA)
            if (state == IPP_STATE_ERROR) {
                ippDelete(request);
                return false;
            }
        const int operation = ippGetOperation(request);
        operations << operation;
        char buffer[8192];
        for (ssize_t n; (n = httpRead2(http, buffer, sizeof(buffer))) > 0;)
            if (operation == IPP_OP_SEND_DOCUMENT) document.append(buffer, n);
        ipp_t* response = ippNewResponse(request);
        ippDelete(request);
        const QByteArray uri = "ipp://127.0.0.1:" + QByteArray::number(port_) + "/printers/raw";
        if (operation == IPP_OP_GET_PRINTER_ATTRIBUTES) {
            ippAddString(response, IPP_TAG_PRINTER, IPP_TAG_NAME, "printer-name", nullptr, "raw");
            ippAddString(response, IPP_TAG_PRINTER, IPP_TAG_URI, "printer-uri-supported", nullptr, uri);
            ippAddInteger(response, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state", IPP_PSTATE_IDLE);
            ippAddBoolean(response, IPP_TAG_PRINTER, "printer-is-accepting-jobs", 1);
        } else if (operation == IPP_OP_CREATE_JOB) {
            ippAddInteger(response, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-id", 7);
            ippAddInteger(response, IPP_TAG_JOB, IPP_TAG_ENUM, "job-state", IPP_JSTATE_HELD);
        } else if (operation == IPP_OP_SEND_DOCUMENT) {
            ippSetStatusCode(response, documentStatus_);
        }
        httpClearFields(http);
        httpSetField(http, HTTP_FIELD_CONTENT_TYPE, "application/ipp");
        httpSetLength(http, ippLength(response));
        const bool written = httpWriteResponse(http, HTTP_STATUS_OK) == 0;
        while (written && (state = ippWrite(http, response)) != IPP_STATE_DATA && state != IPP_STATE_ERROR) {
        }
        ippDelete(response);
        return written;
    }

    ipp_status_t documentStatus_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A scheduler may take a raw job with some of its attributes changed: that is
// success, as for page printing; an error status is a failure and the job is cancelled.
TEST(RawJob, EveryStatusUpToConflictingIsSuccess) {
    const QByteArray bytes = QByteArray("\x1b@texto da impressora\r\n").repeated(3000);
    for (const ipp_status_t status :
         {IPP_STATUS_OK, IPP_STATUS_OK_IGNORED_OR_SUBSTITUTED, IPP_STATUS_OK_CONFLICTING,
          IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED}) {
        const bool accepted = status <= IPP_STATUS_OK_CONFLICTING;
        SCOPED_TRACE(ippErrorString(status));
        FakeIppPrinter printer(status);
        ASSERT_GT(printer.port(), 0);
        cupsSetServer(("127.0.0.1:" + std::to_string(printer.port())).c_str());
        if (accepted)
            EXPECT_NO_THROW(SubmitRawJob("raw", bytes, "Relatório"));
        else
            EXPECT_THROW(SubmitRawJob("raw", bytes, "Relatório"), Error);
        cupsSetServer(nullptr);
        printer.finish();
        EXPECT_EQ(printer.document, bytes);
        EXPECT_EQ(printer.operations.contains(IPP_OP_CANCEL_JOB), !accepted);
    }
}

} // namespace
} // namespace rl
