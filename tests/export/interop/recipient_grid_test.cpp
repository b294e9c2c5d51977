// Exported files opened where the report font was never installed: every
// reader must keep the report's words on its character grid, the PDF must
// carry its font and cut no ink, and an HTML file must carry its picture.

#include "export/html_filter.h"
#include "export/pdf_filter.h"
#include "export/rich_filter.h"
#include "export/rich_html_pages.h"
#include "export/xls_filter.h"
#include "recipient_machine.h"

#include <QDir>
#include <QJsonArray>
#include <QRegularExpression>
#include <QUrl>

#include <gtest/gtest.h>

using namespace rl;
using namespace rl::test;

namespace {

// A folder of its own for one test's files.
QString freshFolder(const QString& name) {
    const QString folder = QDir(sandboxDir()).filePath(name);
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    return folder;
}

void runFilter(TRLCustomSaveFilter& filter, TRLGraphicStorage& store, const QString& path) {
    filter.SetFileName(path);
    filter.SetShowProgress(false);
    filter.Run(&store, 1, -1);
}

// The sample report composed and exported as FILE into a fresh folder; the folder.
QString exportLedger(ComposerFixture& f, TRLCustomSaveFilter& filter, const QString& file) {
    composeLedger(f);
    const QString folder = freshFolder("recipient-" + QFileInfo(file).suffix());
    runFilter(filter, f.store(), folder + "/" + file);
    return folder;
}

QString libreOfficePdf(const QString& folder, const QString& file) {
    runAsRecipient("soffice", {"--headless", "-env:UserInstallation=file://" + folder + "/lo", "--convert-to",
                               "pdf", "--outdir", folder, folder + "/" + file});
    return folder + "/" + QFileInfo(file).completeBaseName() + ".pdf";
}

QString chromiumPdf(const QString& folder, const QString& file) {
    const QString pdf = folder + "/" + QFileInfo(file).completeBaseName() + ".pdf";
    runAsRecipient("chromium",
                   {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                    "--disable-background-networking", "--disable-component-update", "--disable-sync",
                    "--user-data-dir=" + folder + "/profile", "--no-pdf-header-footer",
                    "--print-to-pdf=" + pdf, QUrl::fromLocalFile(folder + "/" + file).toString()});
    return pdf;
}

void expectOnGrid(const QString& pdf, ComposerFixture& f) {
    ASSERT_TRUE(QFile::exists(pdf)) << pdf.toStdString();
    const QJsonObject grid = gridShare(pdf, composedPages(f));
    EXPECT_GE(grid["share"].toDouble(), 0.99) << QJsonDocument(grid).toJson().toStdString();
}

} // namespace

// The PDF names its font as an embedded subset, keeps every word on the grid
// and loses no ink to its clipping: rendered as written and with every clip
// made inert, the two renderings show the same text.
TEST(RecipientGrid, PdfCarriesItsFontKeepsTheGridAndClipsNoInk) {
    if (!haveProgram("pdftoppm") || !haveProgram("qpdf")) GTEST_SKIP() << "poppler or qpdf missing";
    ComposerFixture f;
    TRLPDFFilter filter;
    const QString folder = exportLedger(f, filter, "ledger.pdf");
    const QString pdf = folder + "/ledger.pdf";

    const QString fonts = QString::fromUtf8(runAsRecipient("pdffonts", {pdf}));
    // name, type, encoding, emb, sub, uni: "ABCDEF+Orator10BT TrueType WinAnsi yes yes yes".
    EXPECT_TRUE(QRegularExpression("^[A-Z]{6}\\+Orator10BT +TrueType +WinAnsi +yes +yes +yes",
                                   QRegularExpression::MultilineOption)
                    .match(fonts)
                    .hasMatch())
        << fonts.toStdString();
    expectOnGrid(pdf, f);

    // Same-length replacement in the uncompressed streams keeps every offset.
    const QString plain = folder + "/plain.pdf", inert = folder + "/inert.pdf";
    runProgram("qpdf", {"--stream-data=uncompress", pdf, plain});
    QByteArray bytes = readFile(plain);
    ASSERT_GT(bytes.count("W n"), 100);
    writeFile(inert, bytes.replace("W n", "  n"));
    const QJsonObject ink = gridCheck({"ink", plain, inert});
    EXPECT_GT(ink["ink"].toInt(), 10000);
    EXPECT_EQ(ink["cut"].toInt(), 0) << "of " << ink["ink"].toInt() << " dark pixels";
}

TEST(RecipientGrid, HtmlInChromiumKeepsTheGrid) {
    if (!haveProgram("chromium") || !haveProgram("pdftotext")) GTEST_SKIP() << "Chromium or poppler missing";
    ComposerFixture f;
    TRLHTMLFilter filter;
    const QString folder = exportLedger(f, filter, "ledger.htm");
    expectOnGrid(chromiumPdf(folder, "ledger.htm"), f);

    // A reader that ignores the embedded face keeps the grid with the fallbacks.
    QString html = QString::fromLatin1(readFile(folder + "/ledger.htm"));
    html.remove(QRegularExpression("@font-face[^\\n]*\\n"));
    writeFile(folder + "/fallback.htm", html.toLatin1());
    expectOnGrid(chromiumPdf(folder, "fallback.htm"), f);
}

TEST(RecipientGrid, RtfInLibreOfficeKeepsTheGrid) {
    if (!haveProgram("soffice") || !haveProgram("pdftotext"))
        GTEST_SKIP() << "LibreOffice or poppler missing";
    ComposerFixture f;
    TRLRichFilter filter;
    const QString folder = exportLedger(f, filter, "ledger.rtf");
    expectOnGrid(libreOfficePdf(folder, "ledger.rtf"), f);
}

// Also: the workbook prints on the report's paper, landscape, every line whole
// (one PDF page per worksheet, the last column's words on the grid too).
TEST(RecipientGrid, XlsInLibreOfficeKeepsTheGridOnTheReportsPaper) {
    if (!haveProgram("soffice") || !haveProgram("pdftotext"))
        GTEST_SKIP() << "LibreOffice or poppler missing";
    ComposerFixture f;
    TRLXLSFilter filter;
    const QString folder = exportLedger(f, filter, "ledger.xls");
    const QString pdf = libreOfficePdf(folder, "ledger.xls");
    expectOnGrid(pdf, f);
    const QString info = QString::fromUtf8(runProgram("pdfinfo", {pdf}));
    EXPECT_TRUE(info.contains(QRegularExpression("Pages: +" + QString::number(f.pageCount()) + "\\n")))
        << info.toStdString();
    EXPECT_TRUE(info.contains("792 x 612 pts")) << info.toStdString();
}

// Copied alone into an empty folder, the HTML file still shows its picture.
TEST(RecipientGrid, HtmlAloneInAnEmptyFolderShowsItsPicture) {
    if (!haveProgram("chromium") || !haveProgram("pdfimages")) GTEST_SKIP() << "Chromium or poppler missing";
    PageStoreFixture store;
    addTinyPage(store);
    const QString written = freshFolder("recipient-picture-written");
    TRLHTMLFilter filter;
    runFilter(filter, *store.store, written + "/page.htm");
    const QString alone = freshFolder("recipient-picture-alone");
    ASSERT_TRUE(QFile::copy(written + "/page.htm", alone + "/page.htm"));
    const QString pdf = chromiumPdf(alone, "page.htm");
    const QStringList images =
        QString::fromUtf8(runProgram("pdfimages", {"-list", pdf})).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(images.size(), 3) << images.join('\n').toStdString(); // the heading, its rule, the picture
}
