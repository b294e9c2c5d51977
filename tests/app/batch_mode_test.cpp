#include "app/batch_mode.h"
#include "platform/error_log.h"

#include "mail/scripted_smtp_server.h"
#include "mail/smtp_sink_server.h"
#include "platform/settings.h"
#include "platform/startup_values.h"
#include "platform/version.h"
#include "print/printer_wrapper.h"
#include "support/test_support.h"
#include "table/shape_truth.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace rl;

namespace {

// Runs the batch mode in-process with its settings, output and error in a
// private folder and buffers.
struct BatchFixture {
    QTemporaryDir dir;
    QByteArray outBytes, errBytes;

    bool hadCupsServer = qEnvironmentVariableIsSet("CUPS_SERVER");
    QByteArray savedCupsServer = qgetenv("CUPS_SERVER");

    BatchFixture() {
        // No printer: pages follow the fallback sheet's margins whatever the machine has.
        qputenv("CUPS_SERVER", QFile::encodeName(dir.filePath("no-cups.sock")));
        TRLPrinterWrapper::resetInstance();
        QFile::remove(Settings::filePath(SettingsFile::System));
    }
    ~BatchFixture() {
        QFile::remove(Settings::filePath(SettingsFile::System));
        if (hadCupsServer)
            qputenv("CUPS_SERVER", savedCupsServer);
        else
            qunsetenv("CUPS_SERVER");
        TRLPrinterWrapper::resetInstance();
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    Settings programSettings() const { return Settings(path("program/preview.ini")); }

    QString writeReport(const QByteArray& bytes, const QString& name = "report.txt") {
        test::writeFile(path(name), bytes);
        return path(name);
    }

    int run(const QStringList& arguments) {
        outBytes.clear();
        errBytes.clear();
        QBuffer out(&outBytes), err(&errBytes);
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        BatchEnvironment environment;
        environment.programSettingsPath = path("program/preview.ini");
        environment.out = &out;
        environment.err = &err;
        return RunBatchMode(arguments, environment);
    }

    QString err() const { return QString::fromUtf8(errBytes); }
    QStringList files(const QString& folder) const {
        return QDir(path(folder)).entryList(QDir::Files, QDir::Name);
    }
};

// A report of three pages, the first line not printed.
QByteArray threePages() {
    return "RELATORIO\r\nprimeira p\xe1gina\r\n\fsegunda\r\n\fterceira\r\n";
}

bool isWhite(const QImage& image, int x, int y) {
    return image.pixel(x, y) == qRgb(255, 255, 255);
}

bool hasDarkPixel(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) return true;
    return false;
}

} // namespace

// ---- what is a batch command line

TEST(BatchMode, AnyDoubleDashArgumentMakesABatchInvocation) {
    EXPECT_FALSE(IsBatchInvocation({}));
    EXPECT_FALSE(IsBatchInvocation({"/tmp/r.txt", "132", "paisagem", "permissao=SSS"}));
    EXPECT_FALSE(IsBatchInvocation({"-h"}));
    EXPECT_TRUE(IsBatchInvocation({"/tmp/r.txt", "--png", "out"}));
    EXPECT_TRUE(IsBatchInvocation({"--help"}));
    EXPECT_TRUE(IsBatchInvocation({"--unknown"}));
    // The window takes --encoding too.
    EXPECT_FALSE(IsBatchInvocation({"/tmp/r.txt", "--encoding", "cp850", "132"}));
    EXPECT_FALSE(IsBatchInvocation({"/tmp/r.txt", "--encoding=utf-8"}));
    EXPECT_TRUE(IsBatchInvocation({"/tmp/r.txt", "--encoding", "cp850", "--png", "out"}));
    // The window's option, as the desktop's menu entry starts the viewer.
    EXPECT_FALSE(IsBatchInvocation({"--keep", "/tmp/r.txt"}));
    EXPECT_TRUE(IsBatchInvocation({"--keep", "/tmp/r.txt", "--export", "/tmp/r.pdf"}));
}

TEST(BatchMode, HelpAndVersion) {
    BatchFixture f;
    EXPECT_EQ(f.run({"--help"}), 0);
    EXPECT_TRUE(f.outBytes.startsWith(
        "Usage: relantomador FILE [COLUMNS [ORIENTATION]] [permissao=XYZ] [options]\n"));
    EXPECT_TRUE(f.outBytes.contains("--png DIR"));
    EXPECT_TRUE(f.errBytes.isEmpty());

    EXPECT_EQ(f.run({"--version"}), 0);
    EXPECT_EQ(f.outBytes, "Relantomador " + ExeVersionString().toUtf8() + "\n");
    EXPECT_TRUE(f.errBytes.isEmpty());

    // Help wins over everything else on the line, and needs no file.
    EXPECT_EQ(f.run({"report.txt", "--png", "x", "--help"}), 0);
    EXPECT_TRUE(f.outBytes.startsWith("Usage:"));
}

// ---- bad usage: exit 1, one line on standard error, nothing written

struct UsageCase {
    const char* name;
    QStringList arguments;
    const char* message;
};

class BatchUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(BatchUsage, IsRefusedWithOneLine) {
    BatchFixture f;
    const QString report = f.writeReport(threePages());
    QStringList arguments;
    for (const QString& argument : GetParam().arguments)
        arguments << (argument == "FILE"           ? report
                      : argument.startsWith("OUT") ? f.path("out") + argument.mid(3)
                                                   : argument);
    EXPECT_EQ(f.run(arguments), 1);
    EXPECT_TRUE(f.err().startsWith("relantomador: ")) << f.err().toStdString();
    EXPECT_TRUE(f.err().contains(QString::fromUtf8(GetParam().message))) << f.err().toStdString();
    EXPECT_TRUE(f.err().endsWith("(see relantomador --help)\n")) << f.err().toStdString();
    EXPECT_EQ(f.errBytes.count('\n'), 1);
    EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"report.txt"});
    EXPECT_TRUE(f.outBytes.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BatchUsage,
    ::testing::Values(
        UsageCase{"UnknownOption", {"FILE", "--frobnicate"}, "unknown option --frobnicate"},
        UsageCase{"NothingToDo", {"FILE", "--pages", "1-2"}, "nothing to do"},
        UsageCase{"NoFile", {"--png", "OUT"}, "no report file given"},
        UsageCase{"PngWithoutFolder", {"FILE", "--png"}, "--png needs a value"},
        UsageCase{"ValueLooksLikeAnOption", {"FILE", "--png", "--zoom", "50"}, "--png needs a value"},
        UsageCase{"ZoomWithoutPng",
                  {"FILE", "--export", "OUT.txt", "--zoom", "50"},
                  "--zoom applies to --png only"},
        UsageCase{"ZoomTooSmall", {"FILE", "--png", "OUT", "--zoom", "5"}, "--zoom wants a percentage"},
        UsageCase{"ZoomNotANumber", {"FILE", "--png", "OUT", "--zoom", "big"}, "--zoom wants a percentage"},
        UsageCase{"PagesBackwards", {"FILE", "--png", "OUT", "--pages", "3-2"}, "--pages wants A-B"},
        UsageCase{"PagesFromZero", {"FILE", "--png", "OUT", "--pages", "0-1"}, "--pages wants A-B"},
        UsageCase{"PagesOpenEnded", {"FILE", "--png", "OUT", "--pages", "2-"}, "--pages wants A-B"},
        UsageCase{"PagesBeyondTheReport",
                  {"FILE", "--export", "OUT.txt", "--png", "OUT", "--pages", "2-4"},
                  "the report has 3 pages"},
        UsageCase{"OptionTwice", {"FILE", "--png", "OUT", "--png", "OUT"}, "--png is given twice"},
        UsageCase{"FlagWithValue", {"FILE", "--version=2"}, "--version takes no value"},
        UsageCase{"UnknownFormat", {"FILE", "--export", "OUT.doc"}, "--export: no format saves"},
        UsageCase{"NoExtension", {"FILE", "--export", "OUT"}, "has no extension"},
        UsageCase{"FolderWithADot", {"FILE", "--export", "rel.2024/OUT"}, "has no extension"},
        UsageCase{
            "FormWithoutDraft", {"FILE", "--png", "OUT", "--form", "80"}, "--form applies to --draft only"},
        UsageCase{"FormOfAnotherWidth", {"FILE", "--draft", "OUT", "--form", "96"}, "--form wants 80 or 132"},
        UsageCase{
            "MailWithoutSender", {"FILE", "--mail", "a@b.c"}, "--mail: Remetente obrigatório (give --from)"},
        UsageCase{"SenderWithoutAddress",
                  {"FILE", "--mail", "a@b.c", "--from", "Maria Silva"},
                  "O remetente precisa ser um endereço de e-mail"},
        UsageCase{"SubjectWithALineBreak",
                  {"FILE", "--mail", "a@b.c", "--from", "r@b.c", "--subject", "Oi\r\nBcc: todos@b.c"},
                  "O assunto não pode ter quebras de linha"},
        UsageCase{"MailTypeUnknown", {"FILE", "--mail", "a@b.c", "--type", "doc"}, "--type wants pdf"},
        UsageCase{"EncodingUnknown",
                  {"FILE", "--png", "OUT", "--encoding", "latin1"},
                  "--encoding wants cp1252, cp850, cp437, iso-8859-15, utf-8 or auto; got \"latin1\""},
        UsageCase{"CcWithoutMail", {"FILE", "--png", "OUT", "--cc", "a@b.c"}, "--cc applies to --mail only"},
        UsageCase{"FindWithAnotherOutput",
                  {"FILE", "--find", "x", "--png", "OUT"},
                  "--find cannot be combined with another output"},
        UsageCase{
            "CaseWithoutFind", {"FILE", "--png", "OUT", "--case"}, "--case and --word apply to --find only"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- --find

TEST(BatchMode, FindPrintsEachMatchingLineInUtf8AndSaysWhetherItFound) {
    BatchFixture f;
    const QString report =
        f.writeReport("RELATORIO\r\nSaldo anterior\r\nA\xc7\xc3O saldo\r\n\fsaldos \x80 10\r\n");
    EXPECT_EQ(f.run({report, "--find", "saldo"}), 0);
    EXPECT_EQ(QString::fromUtf8(f.outBytes),
              QStringLiteral("1:1:Saldo anterior\n1:2:AÇÃO saldo\n2:1:saldos € 10\n"));
    EXPECT_EQ(f.run({report, "--find=saldo", "--case", "--word"}), 0);
    EXPECT_EQ(f.outBytes, QByteArray("1:2:A\xc3\x87\xc3\x83O saldo\n"));
    EXPECT_EQ(f.run({report, "--find", "ação"}), 0);
    EXPECT_EQ(f.outBytes, QByteArray("1:2:A\xc3\x87\xc3\x83O saldo\n"));
    EXPECT_EQ(f.run({report, "--find", "inexistente"}), 1);
    EXPECT_TRUE(f.outBytes.isEmpty());
    EXPECT_TRUE(f.errBytes.isEmpty());
}

// ---- input file problems: exit 2

TEST(BatchMode, MissingOrUnusableInputFileIsAFileError) {
    BatchFixture f;
    EXPECT_EQ(f.run({f.path("missing.txt"), "--png", f.path("out")}), 2);
    EXPECT_EQ(f.err(), "relantomador: cannot read the report: " + f.path("missing.txt") + ": no such file\n");
    EXPECT_FALSE(QFileInfo::exists(f.path("out")));

    EXPECT_EQ(f.run({f.dir.path(), "--export", f.path("out.txt")}), 2);
    EXPECT_TRUE(f.err().endsWith(": not a regular file\n"));
    EXPECT_FALSE(QFileInfo::exists(f.path("out.txt")));
}

// Every format goes through the save filter its extension selects; the range
// applies to pages, and the report's own file is never written over.
TEST(BatchMode, ExportWritesThroughTheSaveFilters) {
    BatchFixture f;
    const QString report = f.writeReport(threePages());
    const QByteArray original = test::readFile(report);
    EXPECT_EQ(f.run({report, "132", "--export", f.path("out.pdf"), "--pages", "2-3"}), 0)
        << f.err().toStdString();
    EXPECT_TRUE(test::readFile(f.path("out.pdf")).startsWith("%PDF-"));
    EXPECT_TRUE(test::readFile(f.path("out.pdf")).contains("/Count 2"));
    EXPECT_EQ(f.run({report, "132", "--export", f.path("OUT.XLS")}), 0) << f.err().toStdString();
    EXPECT_TRUE(test::readFile(f.path("OUT.XLS")).startsWith("\xD0\xCF\x11\xE0"));
    EXPECT_EQ(f.run({report, "132", "--export", f.path("out.rtf")}), 0) << f.err().toStdString();
    EXPECT_TRUE(test::readFile(f.path("out.rtf")).startsWith("{\\rtf1"));
    EXPECT_EQ(f.run({report, "132", "--export", f.path("out.html")}), 0) << f.err().toStdString();
    EXPECT_TRUE(test::readFile(f.path("out.html")).contains("<html"));
    EXPECT_EQ(f.run({report, "132", "--export", report + ".pdf", "permissao=SSN"}), 3);
    EXPECT_FALSE(QFileInfo::exists(report + ".pdf"));
    EXPECT_EQ(test::readFile(report), original);
}

// Text mode: the bytes go to the file named, at the pitch of the column code
// (17 characters per inch for 132 columns: SI, 0x0F); refused without the
// print permission; a file that cannot be written is a file problem.
TEST(BatchMode, DraftWritesPrinterBytes) {
    BatchFixture f;
    const QString report = f.writeReport(threePages());
    EXPECT_EQ(f.run({report, "132", "--draft", f.path("out.prn"), "--pages", "2", "--form", "132"}), 0)
        << f.err().toStdString();
    const QByteArray bytes = test::readFile(f.path("out.prn"));
    EXPECT_TRUE(bytes.contains('\x0f'));
    EXPECT_EQ(f.run({report, "132", "--draft", f.path("other.prn"), "permissao=NSS"}), 3);
    EXPECT_FALSE(QFileInfo::exists(f.path("other.prn")));
    EXPECT_EQ(f.run({report, "--draft", f.path("no/such/folder/x.prn")}), 2);
    // Page printing: refused without the permission, a failure on a queue that is not there.
    EXPECT_EQ(f.run({report, "permissao=NSS", "--print"}), 3);
    EXPECT_EQ(f.run({report, "--print", "relantomador-no-such-queue"}), 4);
    EXPECT_EQ(f.errBytes.count('\n'), 1) << f.err().toStdString();
}

TEST(BatchMode, UnwritableOutputIsAFileError) {
    BatchFixture f;
    const QString report = f.writeReport(threePages());
    EXPECT_EQ(f.run({report, "--export", f.path("no/such/folder/out.txt")}), 2);
    EXPECT_TRUE(f.err().startsWith("relantomador: Não foi possível gravar o arquivo \"" +
                                   f.path("no/such/folder/out.txt") + "\": No such file or directory"))
        << f.err().toStdString();
    EXPECT_EQ(f.errBytes.count('\n'), 1);

    test::writeFile(f.path("a-file"), "x");
    EXPECT_EQ(f.run({report, "--png", f.path("a-file/pages")}), 2);
    EXPECT_TRUE(f.err().startsWith("relantomador: cannot create the folder"));
}

// ---- --png

TEST(BatchMode, PngPaintsEveryPageAtPageSize) {
    BatchFixture f;
    const QString report = f.writeReport(threePages());
    EXPECT_EQ(f.run({report, "132", "PAISAGEM", "--png", f.path("pages")}), 0) << f.err().toStdString();
    EXPECT_TRUE(f.errBytes.isEmpty()) << f.err().toStdString();
    ASSERT_EQ(f.files("pages"), (QStringList{"page-0001.png", "page-0002.png", "page-0003.png"}));
    for (const QString& name : f.files("pages")) {
        const QImage image(f.path("pages/" + name));
        ASSERT_EQ(image.size(), QSize(1056, 816)) << name.toStdString();
        // No border or shadow: the corners are paper; the text is on it.
        EXPECT_TRUE(isWhite(image, 0, 0));
        EXPECT_TRUE(isWhite(image, 1055, 815));
        EXPECT_TRUE(hasDarkPixel(image)) << name.toStdString();
    }
    // The input file stays.
    EXPECT_TRUE(QFileInfo::exists(report));
}

TEST(BatchMode, ZoomScalesThePageImages) {
    BatchFixture f;
    const QString report = f.writeReport(threePages());
    EXPECT_EQ(f.run({"--zoom", "50", "--png", f.path("half"), report, "132", "paisagem"}), 0);
    ASSERT_EQ(f.files("half").size(), 3);
    EXPECT_EQ(QImage(f.path("half/page-0001.png")).size(), QSize(528, 408));

    EXPECT_EQ(f.run({report, "--png=" + f.path("double"), "--zoom=200"}), 0);
    EXPECT_EQ(QImage(f.path("double/page-0002.png")).size(), QSize(1632, 2112)); // portrait
}

TEST(BatchMode, PagesSelectsTheImagesWrittenAndNamesThemByPage) {
    BatchFixture f;
    const QString report = f.writeReport(threePages());
    EXPECT_EQ(f.run({report, "--pages", "2-3", "--png", f.path("some")}), 0);
    EXPECT_EQ(f.files("some"), (QStringList{"page-0002.png", "page-0003.png"}));
    EXPECT_EQ(f.run({report, "--pages", "1", "--png", f.path("one")}), 0);
    EXPECT_EQ(f.files("one"), QStringList{"page-0001.png"});
}

TEST(BatchMode, PagesBeyondTheReportWriteNothing) {
    BatchFixture f;
    const QString report = f.writeReport(threePages());
    EXPECT_EQ(f.run({report, "--pages", "3-4", "--png", f.path("none")}), 1);
    EXPECT_EQ(f.err(), "relantomador: --pages 3-4: the report has 3 pages (see relantomador --help)\n");
    EXPECT_FALSE(QFileInfo::exists(f.path("none")));
}

TEST(BatchMode, ReportIsComposedWithTheProgramFolderSettings) {
    BatchFixture f;
    QImage logo(40, 30, QImage::Format_RGB32);
    logo.fill(Qt::red);
    ASSERT_TRUE(logo.save(f.path("logo.png")));
    f.programSettings().setFigura(f.path("logo.png"));
    f.programSettings().setPosicao(1);
    f.programSettings().setPapel("A4");
    const QString report = f.writeReport(threePages());
    EXPECT_EQ(f.run({report, "80", "--png", f.path("pages")}), 0) << f.err().toStdString();
    const QImage first(f.path("pages/page-0001.png"));
    ASSERT_EQ(first.size(), QSize(794, 1123));
    // The picture at the left of the title band, inside the 24-pixel margin.
    EXPECT_EQ(first.pixel(24 + 20, 24 + 15), qRgb(255, 0, 0));
    EXPECT_NE(QImage(f.path("pages/page-0002.png")).pixel(24 + 20, 24 + 15), qRgb(255, 0, 0));
}

// As a user runs it, from another folder: the settings beside the executable
// lay the report out as in the window (a copy of the program, with its own).
TEST(BatchMode, TheProgramFolderSettingsAreBesideTheExecutableWhereverItRuns) {
    BatchFixture f;
    ASSERT_TRUE(QDir().mkpath(f.path("bin")) && QDir().mkpath(f.path("elsewhere")));
    const QString program = f.path("bin/relantomador");
    ASSERT_TRUE(QFile::copy(QStringLiteral(RL_VIEWER_PROGRAM), program));
    test::writeFile(f.path("bin/preview.ini"), "[config]\r\npapel=A4\r\n");
    QProcess batch;
    batch.setWorkingDirectory(f.path("elsewhere"));
    batch.start(program, {f.writeReport(threePages()), "--png", f.path("pages"), "--pages", "1"});
    ASSERT_TRUE(batch.waitForFinished(60000));
    EXPECT_EQ(batch.exitCode(), 0) << batch.readAllStandardError().toStdString();
    EXPECT_EQ(QImage(f.path("pages/page-0001.png")).size(), QSize(794, 1123));
}

TEST(BatchMode, CompositionMessagesAreWrittenOnceAndDoNotFailTheRun) {
    BatchFixture f;
    test::writeFile(f.path("logo.jpg"), "not a picture");
    f.programSettings().setFigura(f.path("logo.jpg"));
    f.programSettings().setPapel("Customizado");
    f.programSettings().setHeight("não");
    Settings(SettingsFile::System).setMostra(1); // the page header tries on every page
    const QString report = f.writeReport(threePages());
    EXPECT_EQ(f.run({report, "--png", f.path("pages")}), 0);
    EXPECT_EQ(f.files("pages").size(), 3);
    EXPECT_EQ(f.err(),
              QString::fromUtf8("relantomador: Erro...: Ops, desculpe não foi possível utilizar o tamanho "
                                "de papel customizado, o tamanho foi automaticamente mudado para A4\n"
                                "relantomador: Visualizando Relatório: Tipo de Arquivo Inválido\n"));
    EXPECT_EQ(QImage(f.path("pages/page-0001.png")).size(), QSize(794, 1123));
}

// ---- --export .txt

TEST(BatchMode, TextExportWritesEveryLineWithCrLfAndTheBytesUnchanged) {
    BatchFixture f;
    static const char input[] = "CABE\xc7"
                                "ALHO\nl\xednha \x80 1\r\nX\fY\r\n\fp\xe1g 2\r\n\0z\r\r\n\r\n";
    const QString report = f.writeReport(QByteArray(input, sizeof input - 1));
    EXPECT_EQ(f.run({report, "132", "--export", f.path("out.txt"), "--pages", "2-2"}), 0)
        << f.err().toStdString();
    EXPECT_TRUE(f.errBytes.isEmpty());
    const QByteArray expected = QByteArray("CABE\xc7"
                                           "ALHO\r\nl\xednha \x80 1\r\nX\fY\r\n\fp\xe1g 2\r\n z\r\n\r\n");
    const QByteArray actual = test::readFile(f.path("out.txt"));
    EXPECT_EQ(actual, expected) << test::firstDifference(expected, actual);
    EXPECT_TRUE(QFileInfo::exists(report));
}

// The pages are printed from the decoded lines; the text lines keep the file's bytes.
TEST(BatchMode, TextExportKeepsTheBytesOfAReportInAnotherEncoding) {
    BatchFixture f;
    const QByteArray utf8 = "T\xC3\x8DTULO\r\n\xE2\x94\x8C\xE2\x94\x80\xE2\x94\x90 \xE2\x82\xAC\r\n";
    const QString report = f.writeReport(utf8);
    EXPECT_EQ(f.run({report, "--encoding", "utf-8", "--export", f.path("out.txt"), "--png", f.path("pages")}), 0)
        << f.err().toStdString();
    EXPECT_EQ(test::readFile(f.path("out.txt")), utf8);
    EXPECT_EQ(f.files("pages"), QStringList{"page-0001.png"});
}

TEST(BatchMode, TextExportOfAnEmptyFileIsEmpty) {
    BatchFixture f;
    const QString report = f.writeReport("");
    EXPECT_EQ(f.run({report, "--export", f.path("OUT.TXT")}), 0);
    EXPECT_TRUE(QFileInfo::exists(f.path("OUT.TXT")));
    EXPECT_EQ(test::readFile(f.path("OUT.TXT")), QByteArray());
}

TEST(BatchMode, PngAndExportTogether) {
    BatchFixture f;
    const QString report = f.writeReport(threePages());
    EXPECT_EQ(f.run({report, "--export", f.path("out.txt"), "--png", f.path("pages")}), 0);
    EXPECT_EQ(test::readFile(f.path("out.txt")), threePages());
    EXPECT_EQ(f.files("pages").size(), 3);
}

// ---- permission flags

TEST(BatchMode, ExportIsRefusedWithoutTheExportPermission) {
    BatchFixture f;
    const QString report = f.writeReport(threePages());
    for (const char* flags : {"permissao=SSN", "PERMISSAO=nnn", "permissao=SS"}) {
        EXPECT_EQ(f.run({report, "132", "paisagem", flags, "--export", f.path("out.txt")}), 3) << flags;
        EXPECT_EQ(f.err(), "relantomador: exporting is not permitted: the third permissao flag is not S\n");
        EXPECT_FALSE(QFileInfo::exists(f.path("out.txt")));
    }
    // Painting pages is viewing, not exporting.
    EXPECT_EQ(f.run({report, "permissao=NNN", "--png", f.path("pages")}), 0);
    EXPECT_EQ(f.files("pages").size(), 3);
    // Allowed, or flags left unchanged by blanks.
    EXPECT_EQ(f.run({report, "132", "paisagem", "permissao=nns", "--export", f.path("a.txt")}), 0);
    EXPECT_EQ(f.run({report, "permissao=   ", "--export", f.path("b.txt")}), 0);
}

TEST(BatchMode, PermissionIsSoughtInThePlainArgumentsOnly) {
    BatchFixture f;
    const QString report = f.writeReport(threePages());
    QDir().mkpath(f.path("permissao=NNN"));
    EXPECT_EQ(f.run({report, "--export", f.path("permissao=NNN/out.txt")}), 0) << f.err().toStdString();
    EXPECT_TRUE(QFileInfo::exists(f.path("permissao=NNN/out.txt")));
}

// ---- argument forms

TEST(BatchMode, DoubleDashEndsTheOptions) {
    BatchFixture f;
    // Relative to the working folder, the test's private one.
    test::writeFile("--odd.txt", threePages());
    EXPECT_EQ(f.run({"--export", f.path("out.txt"), "--", "--odd.txt"}), 0) << f.err().toStdString();
    EXPECT_EQ(test::readFile(f.path("out.txt")), threePages());
    QFile::remove("--odd.txt");
}

// ---- --mail

TEST(BatchMode, MailIsRefusedWithoutTheSendPermission) {
    BatchFixture f;
    const QString report = f.writeReport(threePages());
    // Were it not refused, it would fail fast: nothing listens there.
    const Settings system(SettingsFile::System);
    system.setServer("127.0.0.1");
    system.setPorta(QString::number(test::freePort()));
    EXPECT_EQ(f.run({report, "permissao=SNS", "--mail", "ana@example.com", "--from", "rel@example.com"}), 3);
    EXPECT_EQ(f.err(), "relantomador: sending is not permitted: the second permissao flag is not S\n");
    EXPECT_EQ(f.run({report, "--mail", "ana@example.com", "--from", "rel@example.com", "--type", "txt"}), 4);
    EXPECT_TRUE(f.err().startsWith("relantomador: --mail: sending through 127.0.0.1:"))
        << f.err().toStdString();
    EXPECT_EQ(f.errBytes.count('\n'), 1);
    EXPECT_EQ(QDir(QDir::tempPath()).entryList({"relantomador-email-*"}, QDir::AllEntries), QStringList());

    // A password with no account name would log in as nobody: refused before anything is done.
    qputenv("RELANTOMADOR_SMTP_PASSWORD", "segredo");
    EXPECT_EQ(f.run({report, "--mail", "ana@example.com", "--from", "rel@example.com"}), 1);
    qunsetenv("RELANTOMADOR_SMTP_PASSWORD");
    EXPECT_TRUE(f.err().startsWith("relantomador: --mail: RELANTOMADOR_SMTP_PASSWORD is set but no account"))
        << f.err().toStdString();
}

// The report's text lines reach a real SMTP server as one attachment, read
// back by Python's email package.
TEST(BatchModeInterop, MailDeliversTheReport) {
    BatchFixture f;
    const QString report = f.writeReport(threePages());
    test::SinkServer server(
        {"-m", "aiosmtpd", "-n", "-l", "127.0.0.1:{port}", "-c", "smtp_sink.SaveToFolder", "{folder}"});
    ASSERT_TRUE(server.waitUntilListening()) << server.errors().toStdString();
    const Settings system(SettingsFile::System);
    system.setServer("127.0.0.1");
    system.setPorta(QString::number(server.port()));
    system.setDe("Relatórios <rel@example.com>");

    ASSERT_EQ(f.run({report, "permissao=NSN", "--mail", "ana@example.com, bia@example.com", "--cc",
                     "chefe@example.com", "--subject", "Relatório de março", "--message", "Segue.\n.\nFim",
                     "--type", "txt", "--name", "../vendas de março"}),
              0)
        << f.err().toStdString();

    const QString received = server.waitForMessage();
    ASSERT_FALSE(received.isEmpty()) << server.errors().toStdString();
    const QJsonObject parsed = test::parseWithPython(received, false);
    ASSERT_FALSE(parsed.contains("error")) << parsed["error"].toString().toStdString();
    EXPECT_EQ(parsed["subject"].toString(), "Relatório de março");
    EXPECT_EQ(parsed["from"].toArray(), QJsonArray({"Relatórios|rel@example.com"}));
    EXPECT_EQ(parsed["to"].toArray(), QJsonArray({"|ana@example.com", "|bia@example.com"}));
    EXPECT_EQ(parsed["cc"].toArray(), QJsonArray({"|chefe@example.com"}));
    EXPECT_EQ(parsed["text"].toString(), "Segue.\n.\nFim\n");
    EXPECT_EQ(parsed["defects"].toArray(), QJsonArray());
    const QJsonArray attachments = parsed["attachments"].toArray();
    ASSERT_EQ(attachments.size(), 1);
    EXPECT_EQ(attachments[0]["filename"].toString(), "..vendas de março.txt");
    EXPECT_EQ(attachments[0]["content_type"].toString(), "text/plain");
    EXPECT_EQ(QByteArray::fromBase64(attachments[0]["base64"].toString().toLatin1()), threePages());
    // Nothing remembered, nothing left behind.
    EXPECT_FALSE(test::readFile(Settings::filePath(SettingsFile::System)).contains("para="));
    EXPECT_EQ(QDir(QDir::tempPath()).entryList({"relantomador-email-*"}, QDir::AllEntries), QStringList());

    // Every other format arrives as the file --export writes for it (the
    // PDF's creation date aside).
    const QRegularExpression creationDate(QStringLiteral("/CreationDate ?\\(D:[0-9]+\\)"));
    int sent = 1;
    for (const char* type : {"pdf", "rtf", "xls", "html"}) {
        ASSERT_EQ(f.run({report, "132", "--mail", "ana@example.com", "--type", type, "--name", "r"}), 0)
            << type << ": " << f.err().toStdString();
        const QString message = server.waitForMessage(++sent);
        ASSERT_FALSE(message.isEmpty()) << type;
        const QJsonArray files = test::parseWithPython(message, false)["attachments"].toArray();
        ASSERT_EQ(files.size(), 1) << type;
        const QString name = files[0]["filename"].toString();
        ASSERT_EQ(f.run({report, "132", "--export", f.path(name)}), 0)
            << type << ": " << f.err().toStdString();
        QString mailed =
            QString::fromLatin1(QByteArray::fromBase64(files[0]["base64"].toString().toLatin1()));
        QString exported = QString::fromLatin1(test::readFile(f.path(name)));
        EXPECT_EQ(mailed.remove(creationDate), exported.remove(creationDate)) << type;
    }
}

// The data exports: the table of the whole report whatever --pages says; a
// report without one is a file problem and nothing is written; the export
// permission applies; --mail's types include them.
TEST(BatchMode, TableExportsWriteTheReportsData) {
    BatchFixture f;
    const QString shape = f.writeReport(test::readFile(test::shapePath("plain_dates", ".txt")));
    EXPECT_EQ(f.run({shape, "--export", f.path("out.csv"), "--pages", "2"}), 0) << f.err().toStdString();
    EXPECT_EQ(test::readFile(f.path("out.csv")),
              test::readFile(RL_TEST_DATA "/table/golden/plain_dates.csv"));
    EXPECT_EQ(f.run({shape, "--export", f.path("out.xlsx")}), 0) << f.err().toStdString();
    EXPECT_TRUE(test::readFile(f.path("out.xlsx")).startsWith("PK\x03\x04"));
    EXPECT_EQ(f.run({shape, "permissao=SSN", "--export", f.path("refused.csv")}), 3);

    const QString prose = f.writeReport(threePages(), "prose.txt");
    EXPECT_EQ(f.run({prose, "--export", f.path("none.xlsx")}), 2);
    EXPECT_TRUE(f.err().contains("Nenhuma tabela foi encontrada")) << f.err().toStdString();
    EXPECT_EQ(f.run({prose, "--mail", "ana@example.com", "--from", "eu@example.com", "--type", "csv"}), 2);
    EXPECT_TRUE(f.err().contains("Nenhuma tabela foi encontrada")) << f.err().toStdString();
    EXPECT_EQ(f.files(""), QStringList({"out.csv", "out.xlsx", "prose.txt", "report.txt"}));
}

// ---- one rule for every output

TEST(BatchMode, NoOutputWritesOverTheReportHoweverItIsNamed) {
    BatchFixture f;
    ASSERT_TRUE(QDir().mkpath(f.path("pages")));
    const QString report = f.writeReport(threePages(), "pages/page-0002.png");
    ASSERT_TRUE(QFile::link(report, f.path("link.prn")));
    ASSERT_EQ(link(QFile::encodeName(report).constData(), QFile::encodeName(f.path("hard.pdf")).constData()),
              0);
    const QStringList outputs[] = {{"--draft", report},
                                   {"--draft", f.path("link.prn")},
                                   {"--export", f.path("hard.pdf")},
                                   {"--export", f.path("pages/../hard.pdf")},
                                   {"--png", f.path("pages")}};
    for (const QStringList& output : outputs) {
        EXPECT_EQ(f.run(QStringList{report} + output), 2) << output.join(' ').toStdString();
        EXPECT_TRUE(f.err().contains("é o próprio relatório")) << f.err().toStdString();
        EXPECT_EQ(test::readFile(report), threePages());
    }
    EXPECT_EQ(f.files("pages"), QStringList{"page-0002.png"}) << "no part of the page set";
}

TEST(BatchMode, ADeviceIsWrittenByTheDraftOnlyAndNeverReplaced) {
    BatchFixture f;
    const QString report = f.writeReport(threePages());
    ASSERT_TRUE(QFile::link("/dev/null", f.path("x.pdf")));
    ASSERT_TRUE(QDir().mkpath(f.path("pages")));
    ASSERT_TRUE(QFile::link("/dev/null", f.path("pages/page-0003.png")));
    EXPECT_EQ(f.run({report, "--export", f.path("x.pdf")}), 2);
    EXPECT_TRUE(f.err().contains("não é um arquivo comum")) << f.err().toStdString();
    EXPECT_EQ(f.run({report, "--png", f.path("pages")}), 2);
    EXPECT_EQ(f.files("pages"), QStringList{"page-0003.png"});
    // A printer's device is what the text mode is for.
    EXPECT_EQ(f.run({report, "--draft", f.path("x.pdf")}), 0) << f.err().toStdString();
    EXPECT_TRUE(QFileInfo(f.path("x.pdf")).isSymLink());
    struct stat info;
    ASSERT_EQ(stat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
}

TEST(BatchMode, DraftToAFileAppearsWholeAndAloneUnderItsName) {
    BatchFixture f;
    const QString report = f.writeReport(threePages());
    ASSERT_TRUE(QDir().mkpath(f.path("out")));
    test::writeFile(f.path("out/report.prn"), "old bytes");
    EXPECT_EQ(f.run({report, "--draft", f.path("out/report.prn")}), 0) << f.err().toStdString();
    EXPECT_TRUE(test::readFile(f.path("out/report.prn")).startsWith("\x1b@"))
        << "a whole document, from its reset";
    EXPECT_EQ(QDir(f.path("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"report.prn"});
}

TEST(BatchMode, ServerTextReachesTheTerminalWithItsControlCharactersWrittenOut) {
    BatchFixture f;
    const QString report = f.writeReport(threePages());
    test::ScriptedSmtpServer::Script script;
    const char greeting[] = "554 \x1b[2J\x1b]0;owned\x07go\x00 away\r\n";
    script.greeting = QByteArray(greeting, sizeof greeting - 1);
    test::ScriptedSmtpServer server(script);
    const Settings system(SettingsFile::System);
    system.setServer("127.0.0.1");
    system.setPorta(QString::number(server.port()));
    EXPECT_EQ(f.run({report, "--mail", "ana@example.com", "--from", "rel@example.com", "--type", "txt"}), 4);
    server.finish();
    EXPECT_FALSE(f.errBytes.contains('\x1b') || f.errBytes.contains('\x07') || f.errBytes.contains('\0'));
    EXPECT_TRUE(f.err().contains("\\x1B[2J")) << f.err().toStdString();
    EXPECT_EQ(f.errBytes.count('\n'), 1);
}

// --pages stops the generation after its last page, unless a page of the
// range prints the page total. A line on the last page too wide for any size
// tells whether that page was made: its making writes a line in the error log.
TEST(BatchMode, PagesStopTheGenerationAfterTheRangeUnlessItShowsTheTotal) {
    struct Case {
        const char* firstLine;
        QStringList options;
        bool lastPageMade;
    };
    const Case cases[] = {
        {"page one", {"--pages", "1", "--png", "@png"}, false},
        {"page one", {"--pages", "2-3", "--export", "@out.pdf"}, false},
        {"page one", {"--png", "@all"}, true},
        {"page one of {LastPageNumber}", {"--pages", "1", "--png", "@total"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        BatchFixture f;
        QByteArray report = QByteArray("HEADER\r\n") + c.firstLine + "\r\n";
        for (int page = 2; page <= 40; ++page)
            report += "\fpage " + QByteArray::number(page) + "\r\n";
        report += QByteArray(2000, 'W') + "\r\n";
        QFile::remove(ErrorLog::path());
        QStringList arguments{f.writeReport(report), "132", "paisagem"};
        for (const QString& option : c.options) // @NAME: a path in the test's folder
            arguments << (option.startsWith('@') ? f.path(option.mid(1)) : option);
        EXPECT_EQ(f.run(arguments), 0) << f.err().toStdString();
        EXPECT_EQ(QFileInfo::exists(ErrorLog::path()), c.lastPageMade);
    }
    QFile::remove(ErrorLog::path());
}
