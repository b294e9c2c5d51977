#include "print/printer_wrapper.h"

#include "report/paper_table.h"
#include "support/cups_scheduler.h"
#include "support/test_support.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

#include <gtest/gtest.h>

#include <cctype>
#include <memory>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using rl::PrinterMetrics;
using rl::TRLPrinterWrapper;
using rl::test::CupsScheduler;

namespace {

// Sets CUPS_SERVER for the life of the object and makes the wrapper and
// libcups start afresh with it, both on the way in and on the way out.
class ScopedCupsServer {
public:
    explicit ScopedCupsServer(const QByteArray& server)
        : m_had(qEnvironmentVariableIsSet("CUPS_SERVER")), m_saved(qgetenv("CUPS_SERVER")) {
        qputenv("CUPS_SERVER", server);
        TRLPrinterWrapper::resetInstance();
    }
    ~ScopedCupsServer() {
        if (m_had)
            qputenv("CUPS_SERVER", m_saved);
        else
            qunsetenv("CUPS_SERVER");
        TRLPrinterWrapper::resetInstance();
    }

private:
    bool m_had;
    QByteArray m_saved;
};

// A TCP port on 127.0.0.1 that completes connections and then never says a
// word: the kernel accepts into the backlog, nobody reads.
class SilentServer {
public:
    SilentServer() {
        m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (m_fd >= 0 && bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
            listen(m_fd, 16) == 0 && getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }
    ~SilentServer() {
        if (m_fd >= 0) close(m_fd);
    }
    int port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};

void expectFallback(const PrinterMetrics& m) {
    EXPECT_EQ(m.HorizontalResolution, 300);
    EXPECT_EQ(m.VerticalResolution, 300);
    EXPECT_EQ(m.PhysicalWidth, 2550);
    EXPECT_EQ(m.PhysicalHeight, 3300);
    EXPECT_EQ(m.LeftMargin, 75);
    EXPECT_EQ(m.TopMargin, 75);
    EXPECT_EQ(m.RightMargin, 75);
    EXPECT_EQ(m.BottomMargin, 75);
    EXPECT_EQ(m.PrintableWidth, 2400);
    EXPECT_EQ(m.PrintableHeight, 3150);
}

// Sheet and margins in inches at the metrics' own resolution, to a pixel.
void expectSheet(const PrinterMetrics& m, double width, double height, double left, double top, double right,
                 double bottom) {
    const double dpi = m.HorizontalResolution;
    ASSERT_GT(dpi, 0);
    EXPECT_EQ(m.VerticalResolution, m.HorizontalResolution);
    EXPECT_NEAR(m.PhysicalWidth, width * dpi, 1.0);
    EXPECT_NEAR(m.PhysicalHeight, height * dpi, 1.0);
    EXPECT_NEAR(m.LeftMargin, left * dpi, 1.0);
    EXPECT_NEAR(m.TopMargin, top * dpi, 1.0);
    EXPECT_NEAR(m.RightMargin, right * dpi, 1.0);
    EXPECT_NEAR(m.BottomMargin, bottom * dpi, 1.0);
    // The printable area lies inside the sheet, and the four margins close it.
    EXPECT_EQ(m.LeftMargin + m.PrintableWidth + m.RightMargin, m.PhysicalWidth);
    EXPECT_EQ(m.TopMargin + m.PrintableHeight + m.BottomMargin, m.PhysicalHeight);
}

} // namespace

TEST(PrinterEntry, SplitsAtTheFirstBar) {
    auto entry = TRLPrinterWrapper::splitPrinterEntry("Laser|ipp://host/printers/laser");
    EXPECT_EQ(entry.name, "Laser");
    EXPECT_EQ(entry.port, "ipp://host/printers/laser");

    entry = TRLPrinterWrapper::splitPrinterEntry("Epson|serial:/dev/ttyS0?baud=9600|bits=8");
    EXPECT_EQ(entry.name, "Epson");
    EXPECT_EQ(entry.port, "serial:/dev/ttyS0?baud=9600|bits=8");

    entry = TRLPrinterWrapper::splitPrinterEntry("Sem porta");
    EXPECT_EQ(entry.name, "Sem porta");
    EXPECT_TRUE(entry.port.isEmpty());

    entry = TRLPrinterWrapper::splitPrinterEntry("Classe|");
    EXPECT_EQ(entry.name, "Classe");
    EXPECT_TRUE(entry.port.isEmpty());

    entry = TRLPrinterWrapper::splitPrinterEntry("|/dev/lp0");
    EXPECT_TRUE(entry.name.isEmpty());
    EXPECT_EQ(entry.port, "/dev/lp0");
}

// Every row of the paper table goes to the printer as its own sheet, named
// when Qt knows the code by that size, else in millimetres (Folio, code 14,
// is Custom to Qt and printed on the printer's current paper before).
class PaperRow : public ::testing::TestWithParam<int> {};

TEST_P(PaperRow, GoesToThePrinterAtItsSize) {
    const rl::TRLPaperInfo& row = rl::PaperInfo(rl::TRLPaperSize(GetParam()));
    if (row.PaperCode == rl::PrinterPaperSettings::UserDefined) GTEST_SKIP() << "the custom size";
    const QPageSize size = TRLPrinterWrapper::PageSizeFor(rl::PaperSettingsFor(row.Width, row.Height),
                                                          row.Width, row.Height, QPageSize(QPageSize::A4));
    const QSizeF mm = size.size(QPageSize::Millimeter);
    EXPECT_NEAR(mm.width(), row.Width, 0.5) << row.Description;
    EXPECT_NEAR(mm.height(), row.Height, 0.5) << row.Description;
}

INSTANTIATE_TEST_SUITE_P(PrinterWrapper, PaperRow, ::testing::Range(0, rl::kPaperSizeCount),
                         [](const ::testing::TestParamInfo<int>& info) {
                             QByteArray name = rl::PaperInfo(rl::TRLPaperSize(info.param)).Description;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return std::to_string(info.param) + '_' + name.toStdString();
                         });

// No scheduler behind CUPS_SERVER: a socket path that does not exist.
TEST(PrinterWrapperWithoutServer, NoQueuesAndFallbackMetrics) {
    ScopedCupsServer server(QFile::encodeName(rl::test::sandboxDir() + "/no-cups/cups.sock"));
    TRLPrinterWrapper& wrapper = TRLPrinterWrapper::instance();

    EXPECT_TRUE(wrapper.Printers().isEmpty());
    EXPECT_FALSE(wrapper.EnsurePrinter());
    EXPECT_EQ(wrapper.PrinterIndex(), -1);
    EXPECT_TRUE(wrapper.CurrentPrinterName().isEmpty());
    EXPECT_TRUE(wrapper.PrinterName(0).isEmpty());
    EXPECT_TRUE(wrapper.PrinterPort(0).isEmpty());
    wrapper.SelectPrinter(0);
    EXPECT_EQ(wrapper.PrinterIndex(), -1);
    EXPECT_EQ(wrapper.printer(), nullptr);

    EXPECT_FALSE(TRLPrinterWrapper::PrinterMissing());
    expectFallback(wrapper.GetMetrics());
    EXPECT_TRUE(TRLPrinterWrapper::PrinterMissing());
    // The flag stays; so do the fallback metrics.
    expectFallback(wrapper.GetMetrics());
    EXPECT_TRUE(TRLPrinterWrapper::PrinterMissing());

    wrapper.RefreshPrinters();
    EXPECT_TRUE(wrapper.Printers().isEmpty());
    EXPECT_EQ(wrapper.PrinterIndex(), -1);
}

// A server that takes the connection and never answers must not hang the
// program: the list comes back empty once the reply timeout has passed.
TEST(PrinterWrapperWithoutServer, ServerThatNeverAnswersGivesNoQueues) {
    SilentServer silent;
    ASSERT_NE(silent.port(), 0);
    ScopedCupsServer server("127.0.0.1:" + QByteArray::number(silent.port()));

    TRLPrinterWrapper& wrapper = TRLPrinterWrapper::instance();
    EXPECT_TRUE(wrapper.Printers().isEmpty());
    expectFallback(wrapper.GetMetrics());
    EXPECT_TRUE(TRLPrinterWrapper::PrinterMissing());
}

// Two queues on a private scheduler: a raw one first in name order, and the
// PDF one, which is the default.
class PrinterWrapperWithScheduler : public ::testing::Test {
protected:
    static constexpr const char* kRaw = "Almoxarifado_Matricial";
    static constexpr const char* kPdf = "Escritorio_PDF";

    static void SetUpTestSuite() {
        if (!CupsScheduler::unavailableReason().isEmpty()) return;
        s_scheduler = std::make_unique<CupsScheduler>();
        if (!s_scheduler->start() || !s_scheduler->addRawQueue(kRaw) || !s_scheduler->addPdfQueue(kPdf) ||
            !s_scheduler->setDefault(kPdf))
            s_failure = s_scheduler->error().toStdString();
    }
    static void TearDownTestSuite() {
        TRLPrinterWrapper::resetInstance();
        s_scheduler.reset();
    }
    void SetUp() override {
        const QString reason = CupsScheduler::unavailableReason();
        if (!reason.isEmpty()) GTEST_SKIP() << "No private CUPS scheduler: " << reason.toStdString();
        ASSERT_TRUE(s_failure.empty()) << s_failure;
        // Whatever asked libcups before now, the wrapper starts on the private server.
        TRLPrinterWrapper::resetInstance();
    }
    void TearDown() override { TRLPrinterWrapper::resetInstance(); }

    static std::unique_ptr<CupsScheduler> s_scheduler;
    static std::string s_failure;
};

std::unique_ptr<CupsScheduler> PrinterWrapperWithScheduler::s_scheduler;
std::string PrinterWrapperWithScheduler::s_failure;

TEST_F(PrinterWrapperWithScheduler, ListsQueuesAsNameAndDeviceUri) {
    TRLPrinterWrapper& wrapper = TRLPrinterWrapper::instance();
    const QString rawUri = s_scheduler->deviceUri(kRaw);
    const QString pdfUri = s_scheduler->deviceUri(kPdf);
    ASSERT_FALSE(rawUri.isEmpty());
    ASSERT_FALSE(pdfUri.isEmpty());

    EXPECT_EQ(wrapper.Printers(), QStringList({QString(kRaw) + "|" + rawUri, QString(kPdf) + "|" + pdfUri}));
    EXPECT_EQ(wrapper.PrinterName(0), kRaw);
    EXPECT_EQ(wrapper.PrinterPort(0), rawUri);
    EXPECT_EQ(wrapper.PrinterName(1), kPdf);
    EXPECT_EQ(wrapper.PrinterPort(1), pdfUri);
    EXPECT_TRUE(wrapper.PrinterName(2).isEmpty());
    EXPECT_TRUE(wrapper.PrinterPort(-1).isEmpty());
    // Listing selects nothing.
    EXPECT_TRUE(wrapper.CurrentPrinterName().isEmpty());
}

TEST_F(PrinterWrapperWithScheduler, EnsurePrinterSelectsTheDefaultQueue) {
    TRLPrinterWrapper& wrapper = TRLPrinterWrapper::instance();
    EXPECT_TRUE(wrapper.EnsurePrinter());
    EXPECT_EQ(wrapper.PrinterIndex(), 1);
    EXPECT_EQ(wrapper.CurrentPrinterName(), kPdf);
    ASSERT_NE(wrapper.printer(), nullptr);
    EXPECT_EQ(wrapper.printer()->printerName(), kPdf);
    EXPECT_EQ(wrapper.printer()->outputFormat(), QPrinter::NativeFormat);
}

TEST_F(PrinterWrapperWithScheduler, SelectPrinterIgnoresIndexesOutsideTheList) {
    TRLPrinterWrapper& wrapper = TRLPrinterWrapper::instance();
    wrapper.SelectPrinter(0);
    EXPECT_EQ(wrapper.PrinterIndex(), 0);
    EXPECT_EQ(wrapper.CurrentPrinterName(), kRaw);
    ASSERT_NE(wrapper.printer(), nullptr);
    EXPECT_EQ(wrapper.printer()->printerName(), kRaw);

    QPrinter* const before = wrapper.printer();
    wrapper.SelectPrinter(2);
    wrapper.SelectPrinter(-1);
    EXPECT_EQ(wrapper.PrinterIndex(), 0);
    EXPECT_EQ(wrapper.CurrentPrinterName(), kRaw);
    EXPECT_EQ(wrapper.printer(), before);

    wrapper.SelectPrinter(1);
    EXPECT_EQ(wrapper.PrinterIndex(), 1);
    EXPECT_EQ(wrapper.CurrentPrinterName(), kPdf);
}

TEST_F(PrinterWrapperWithScheduler, MetricsOfTheQueuesLetterSheet) {
    TRLPrinterWrapper& wrapper = TRLPrinterWrapper::instance();
    wrapper.SelectPrinter(1);
    const PrinterMetrics m = wrapper.GetMetrics();
    // Letter, 0.25 in unprintable on the left and top, 0.375 in on the right and bottom.
    expectSheet(m, 8.5, 11.0, 0.25, 0.25, 0.375, 0.375);
    EXPECT_FALSE(TRLPrinterWrapper::PrinterMissing());
}

TEST_F(PrinterWrapperWithScheduler, MetricsFollowThePaperAndOrientationOfThePrinterObject) {
    TRLPrinterWrapper& wrapper = TRLPrinterWrapper::instance();
    wrapper.SelectPrinter(1);
    ASSERT_NE(wrapper.printer(), nullptr);

    wrapper.printer()->setPageSize(QPageSize(QPageSize::A4));
    // The queue's A4 has unprintable strips of its own: 0.5 in left and bottom, 0.25 in top and right.
    PrinterMetrics m = wrapper.GetMetrics();
    expectSheet(m, 595 / 72.0, 842 / 72.0, 0.5, 0.25, 0.25, 0.5);

    wrapper.printer()->setPageOrientation(QPageLayout::Landscape);
    m = wrapper.GetMetrics();
    const double dpi = m.HorizontalResolution;
    EXPECT_NEAR(m.PhysicalWidth, 842 / 72.0 * dpi, 1.0);
    EXPECT_NEAR(m.PhysicalHeight, 595 / 72.0 * dpi, 1.0);
    // However the strips are turned with the sheet, each pair across it adds up to 0.75 in.
    EXPECT_NEAR(m.LeftMargin + m.RightMargin, 0.75 * dpi, 2.0);
    EXPECT_NEAR(m.TopMargin + m.BottomMargin, 0.75 * dpi, 2.0);
    EXPECT_GT(m.PrintableWidth, m.PrintableHeight);
    EXPECT_EQ(m.LeftMargin + m.PrintableWidth + m.RightMargin, m.PhysicalWidth);
    EXPECT_EQ(m.TopMargin + m.PrintableHeight + m.BottomMargin, m.PhysicalHeight);
    EXPECT_FALSE(TRLPrinterWrapper::PrinterMissing());
}

TEST_F(PrinterWrapperWithScheduler, SelectingAQueueAgainReloadsItsDefaults) {
    TRLPrinterWrapper& wrapper = TRLPrinterWrapper::instance();
    wrapper.SelectPrinter(1);
    ASSERT_NE(wrapper.printer(), nullptr);
    wrapper.printer()->setPageSize(QPageSize(QPageSize::A4));
    wrapper.printer()->setPageOrientation(QPageLayout::Landscape);

    wrapper.SelectPrinter(1);
    ASSERT_NE(wrapper.printer(), nullptr);
    EXPECT_EQ(wrapper.printer()->pageLayout().orientation(), QPageLayout::Portrait);
    expectSheet(wrapper.GetMetrics(), 8.5, 11.0, 0.25, 0.25, 0.375, 0.375);
}

TEST_F(PrinterWrapperWithScheduler, RefreshKeepsTheSelectedQueueByName) {
    TRLPrinterWrapper& wrapper = TRLPrinterWrapper::instance();
    wrapper.SelectPrinter(1);
    ASSERT_EQ(wrapper.CurrentPrinterName(), kPdf);

    // A new queue sorts between the two and shifts the selected one down.
    ASSERT_TRUE(s_scheduler->addRawQueue("Balcao")) << s_scheduler->error().toStdString();
    EXPECT_EQ(wrapper.Printers().size(), 2); // still the cached list
    wrapper.RefreshPrinters();
    EXPECT_EQ(wrapper.Printers().size(), 3);
    EXPECT_EQ(wrapper.PrinterName(1), "Balcao");
    EXPECT_EQ(wrapper.PrinterIndex(), 2);
    EXPECT_EQ(wrapper.CurrentPrinterName(), kPdf);
    ASSERT_NE(wrapper.printer(), nullptr);
    EXPECT_EQ(wrapper.printer()->printerName(), kPdf);

    // The selected queue goes away: its old index, limited to the list, is selected.
    wrapper.SelectPrinter(1);
    ASSERT_TRUE(s_scheduler->removeQueue("Balcao")) << s_scheduler->error().toStdString();
    wrapper.RefreshPrinters();
    EXPECT_EQ(wrapper.Printers().size(), 2);
    EXPECT_EQ(wrapper.PrinterIndex(), 1);
    EXPECT_EQ(wrapper.CurrentPrinterName(), kPdf);
}

TEST_F(PrinterWrapperWithScheduler, WithoutADefaultTheFirstQueueIsSelected) {
    CupsScheduler other; // its own server, without a default queue
    ASSERT_TRUE(other.start()) << other.error().toStdString();
    ASSERT_TRUE(other.addPdfQueue("Zeta")) << other.error().toStdString();
    ASSERT_TRUE(other.addPdfQueue("Alfa")) << other.error().toStdString();
    TRLPrinterWrapper::resetInstance();

    TRLPrinterWrapper& wrapper = TRLPrinterWrapper::instance();
    ASSERT_EQ(wrapper.Printers().size(), 2);
    EXPECT_EQ(wrapper.PrinterIndex(), 0);
    EXPECT_EQ(wrapper.CurrentPrinterName(), "Alfa");
}

TEST_F(PrinterWrapperWithScheduler, ServerGoneAfterListingGivesTheFallback) {
    auto other = std::make_unique<CupsScheduler>();
    ASSERT_TRUE(other->start()) << other->error().toStdString();
    ASSERT_TRUE(other->addPdfQueue("Sumira")) << other->error().toStdString();
    TRLPrinterWrapper::resetInstance();
    TRLPrinterWrapper& wrapper = TRLPrinterWrapper::instance();
    ASSERT_EQ(wrapper.Printers().size(), 1);

    // The list stays cached; opening the queue now finds nobody.
    other.reset();
    EXPECT_TRUE(wrapper.EnsurePrinter());
    EXPECT_EQ(wrapper.CurrentPrinterName(), "Sumira");
    EXPECT_EQ(wrapper.printer(), nullptr);
    expectFallback(wrapper.GetMetrics());
    EXPECT_TRUE(TRLPrinterWrapper::PrinterMissing());
}

TEST_F(PrinterWrapperWithScheduler, SetupPaperSetsTheCodedPaperOrAnExactCustomSize) {
    TRLPrinterWrapper& wrapper = TRLPrinterWrapper::instance();
    wrapper.SelectPrinter(1);
    wrapper.SetupPaper(true, 210, 297);
    ASSERT_NE(wrapper.printer(), nullptr);
    EXPECT_EQ(wrapper.printer()->pageLayout().pageSize().id(), QPageSize::A4);
    EXPECT_EQ(wrapper.printer()->pageLayout().orientation(), QPageLayout::Landscape);
    const PrinterMetrics m = wrapper.GetMetrics();
    EXPECT_NEAR(m.PhysicalWidth, 842 / 72.0 * m.HorizontalResolution, 1.0);

    wrapper.SetupPaper(false, 211, 297);
    EXPECT_EQ(wrapper.LastPaperSettings(), (rl::PrinterPaperSettings{256, 2110, 2970}));
    const QSizeF size = wrapper.printer()->pageLayout().pageSize().size(QPageSize::Millimeter);
    EXPECT_NEAR(size.width(), 211, 0.05);
    EXPECT_NEAR(size.height(), 297, 0.05);
    EXPECT_EQ(wrapper.printer()->pageLayout().orientation(), QPageLayout::Portrait);
    EXPECT_EQ(wrapper.PortPath(), s_scheduler->deviceUri(kPdf));
}
