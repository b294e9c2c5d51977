// A report in each encoding, exported to PDF and read back by poppler on a
// machine without the report font: its lines, frames folded to - = | + and
// accents intact.

#include "composer/composer_fixture.h"
#include "export/pdf_test_pages.h"
#include "platform/windows1252.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace rl::test {
namespace {

// pdftotext as a recipient runs it: its own fontconfig set-up with the
// system's fonts but not the report font, and a home of its own.
QString pdfToText(const QString& pdf, const QTemporaryDir& home) {
    const QString config = home.filePath(QStringLiteral("fonts.conf"));
    writeFile(config, "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
                      "<dir>/usr/share/fonts</dir>\n<cachedir>" +
                          QFile::encodeName(home.filePath(QStringLiteral("cache"))) +
                          "</cachedir>\n</fontconfig>\n");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FONTCONFIG_FILE"), config);
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("pdftotext did not finish");
    }
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The non-blank lines of a text, blanks run together: pdftotext's layout
// keeps the words and their order, not every blank between them.
std::string textLines(const QString& text) {
    QStringList lines;
    for (const QString& line : text.split(u'\n'))
        if (!line.simplified().isEmpty()) lines << line.simplified();
    return lines.join(u'\n').toStdString();
}

class EncodedReportPdf : public ::testing::TestWithParam<std::pair<const char*, ReportEncoding>> {};

TEST_P(EncodedReportPdf, GivesBackItsLinesThroughPdftotext) {
    const auto [name, encoding] = GetParam();
    ComposerFixture f;
    f.setReport(readFile(QStringLiteral(RL_TEST_DATA "/encodings/%1.txt").arg(QLatin1String(name))), "80");
    f.form->Values.Encoding = encoding;
    f.form->ComposeReport();
    const QString pdf = f.dir.filePath(QStringLiteral("report.pdf"));
    exportPdf(f.store(), pdf);

    const QByteArray cells = readFile(QStringLiteral(RL_TEST_DATA "/encodings/%1-cells.txt").arg(name));
    ASSERT_FALSE(cells.isEmpty());
    QTemporaryDir home;
    EXPECT_EQ(textLines(pdfToText(pdf, home)), textLines(fromWindows1252(cells)));
}

INSTANTIATE_TEST_SUITE_P(Files, EncodedReportPdf,
                         ::testing::Values(std::pair{"cp850", ReportEncoding::Cp850},
                                           std::pair{"cp437", ReportEncoding::Cp437},
                                           std::pair{"iso-8859-15", ReportEncoding::Iso8859_15},
                                           std::pair{"utf-8", ReportEncoding::Utf8}),
                         [](const auto& info) {
                             std::string name = info.param.first;
                             std::erase(name, '-');
                             return name;
                         });

} // namespace
} // namespace rl::test
