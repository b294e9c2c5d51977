// PDF files as real readers see them: qpdf checks the structure, poppler
// counts pages, measures them, extracts the text and lists the fonts.

#include "composer/composer_fixture.h"
#include "export/pdf_test_pages.h"
#include "platform/windows1252.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace rl {
namespace {

using test::sandboxDir;

struct ToolResult {
    int exitCode = -1;
    QString out, err;
};

ToolResult runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    ToolResult result;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        result.err = program + " did not finish";
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// qpdf finds neither errors nor warnings (exit status 0; 3 means warnings).
void expectQpdfClean(const QString& path) {
    const ToolResult r = runTool("qpdf", {"--check", path});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    EXPECT_FALSE(r.out.contains("WARNING", Qt::CaseInsensitive)) << r.out.toStdString();
}

QString pdfinfoField(const QString& path, const QString& field) {
    const ToolResult r = runTool("pdfinfo", {path});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QRegularExpression re("^" + field + ":\\s*(.*)$", QRegularExpression::MultilineOption);
    return re.match(r.out).captured(1).trimmed();
}

TEST(PdfReaders, TinyDocumentIsSoundWithItsPagesAndFonts) {
    auto store = test::tinyDocument();
    const QString path = sandboxDir() + "/tiny.pdf";
    test::exportPdf(*store, path);
    expectQpdfClean(path);
    EXPECT_EQ(pdfinfoField(path, "Pages"), "3");
    EXPECT_EQ(pdfinfoField(path, "Page size"), "170.25 x 84.75 pts");
    EXPECT_EQ(pdfinfoField(path, "Creator"), "MorvexReport v3.16");

    const ToolResult fonts = runTool("pdffonts", {path});
    ASSERT_EQ(fonts.exitCode, 0) << fonts.err.toStdString();
    const QStringList rows = fonts.out.split('\n', Qt::SkipEmptyParts).mid(2); // after the heading
    ASSERT_EQ(rows.size(), 2) << fonts.out.toStdString();
    // Subsets of one face, embedded, with Unicode maps: "ABCDEF+Orator10BT TrueType WinAnsi yes yes yes".
    EXPECT_TRUE(rows[0].contains(QRegularExpression("^[A-Z]{6}\\+Orator10BT "))) << rows[0].toStdString();
    EXPECT_TRUE(rows[1].contains(QRegularExpression("^[A-Z]{6}\\+Orator10BT,Bold ")))
        << rows[1].toStdString();
    for (const QString& row : rows)
        EXPECT_TRUE(row.contains(QRegularExpression("TrueType +WinAnsi +yes +yes +yes")))
            << row.toStdString();
}

// A composed 132-column landscape report of three pages (a form feed opens the
// third): every page's lines come back from pdftotext in order, accents included.
TEST(PdfReaders, ComposedReportGivesBackItsLinesPageByPage) {
    test::ComposerFixture f;
    QByteArray text = "CABECALHO\r\n";
    for (int i = 1; i <= 140; ++i) {
        QByteArray line = QByteArray("Relat\xf3rio linha ") + QByteArray::number(i).rightJustified(3, '0') +
                          "  (valor) " + QByteArray::number(i * 37.5, 'f', 2).rightJustified(12);
        text += line.leftJustified(132, '.') + "\r\n";
        if (i == 110) text += "\f";
    }
    f.setReport(text, "132", "paisagem");
    f.form->ComposeReport();
    const int pages = f.pageCount();
    ASSERT_GE(pages, 3);

    const QString path = sandboxDir() + "/composed.pdf";
    test::exportPdf(f.store(), path);
    expectQpdfClean(path);
    EXPECT_EQ(pdfinfoField(path, "Pages"), QString::number(pages));
    EXPECT_EQ(pdfinfoField(path, "Page size"), "792 x 612 pts (letter)");

    for (int page = 0; page < pages; ++page) {
        QStringList expected;
        for (const std::string& line : f.texts(page))
            expected << fromWindows1252(line).simplified();
        const QString number = QString::number(page + 1);
        const ToolResult r = runTool("pdftotext", {"-layout", "-f", number, "-l", number, path, "-"});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        QStringList actual;
        for (const QString& line : r.out.split('\n'))
            if (!line.simplified().isEmpty()) actual << line.simplified();
        EXPECT_EQ(actual, expected) << "page " << page + 1;
    }
}

} // namespace
} // namespace rl
