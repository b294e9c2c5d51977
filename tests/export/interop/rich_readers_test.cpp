#include "export/rich_filter.h"
#include "rich_html_readers.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace rl;
using namespace rl::test;

// LibreOffice opens the RTF of the sample report and lays every report line
// out, in order, on the page it stood on.
TEST(RichInterop, LibreOfficeShowsEveryLineOnItsPage) {
    if (!haveProgram("soffice") || !haveProgram("pdftotext"))
        GTEST_SKIP() << "LibreOffice or poppler missing";
    ComposerFixture f;
    composeLedger(f);
    ASSERT_GE(f.pageCount(), 2);
    const QString folder = QDir(sandboxDir()).filePath("rich-interop");
    QDir().mkpath(folder);
    TRLRichFilter filter;
    filter.SetFileName(folder + "/ledger.rtf");
    filter.SetShowProgress(false);
    filter.Run(&f.store(), 1, -1);

    runProgram("soffice", {"--headless", "-env:UserInstallation=file://" + folder + "/lo", "--convert-to",
                           "pdf", "--outdir", folder, folder + "/ledger.rtf"});
    const QString pdf = folder + "/ledger.pdf";
    ASSERT_TRUE(QFile::exists(pdf));
    for (int page = 0; page < f.pageCount(); ++page) {
        const QString n = QString::number(page + 1);
        const QByteArray text =
            runProgram("pdftotext", {"-layout", "-f", n, "-l", n, "-enc", "UTF-8", pdf, "-"});
        expectLinesInOrder(f.texts(page), QString::fromUtf8(text), "page " + n.toStdString());
    }
}
