#include "export/html_filter.h"
#include "export/rich_html_pages.h"
#include "rich_html_readers.h"

#include <QDir>
#include <QUrl>

#include <gtest/gtest.h>

using namespace rl;
using namespace rl::test;

namespace {

// The document as headless Chromium builds it, serialised back to markup.
QString chromiumDom(const QString& htmlFile, const QString& profile) {
    return QString::fromUtf8(runProgram(
        "chromium", {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--user-data-dir=" + profile, "--dump-dom", QUrl::fromLocalFile(htmlFile).toString()}));
}

// The text of serialised markup: tags dropped, the entities a serialiser writes decoded.
QString domText(QString dom) {
    dom.remove(QRegularExpression("<[^>]*>"));
    return dom.replace("&nbsp;", QString(QChar(0xA0)))
        .replace("&lt;", "<")
        .replace("&gt;", ">")
        .replace("&amp;", "&");
}

} // namespace

// Chromium renders the HTML of the sample report with every line, in order.
TEST(HtmlInterop, ChromiumShowsEveryLineInOrder) {
    if (!haveProgram("chromium")) GTEST_SKIP() << "Chromium missing";
    ComposerFixture f;
    composeLedger(f);
    const QString folder = QDir(sandboxDir()).filePath("html-interop");
    QDir().mkpath(folder);
    TRLHTMLFilter filter;
    filter.SetFileName(folder + "/ledger.htm");
    filter.SetShowProgress(false);
    filter.Run(&f.store(), 1, -1);

    std::vector<std::string> lines;
    for (int page = 0; page < f.pageCount(); ++page)
        for (const std::string& line : f.texts(page))
            lines.push_back(line);
    ASSERT_GT(lines.size(), 60u);
    expectLinesInOrder(lines, domText(chromiumDom(folder + "/ledger.htm", folder + "/profile")), "DOM");
}

// Every byte above 127 reaches the browser as the Windows-1252 character it
// stands for: 128..159 as raw bytes of the declared code page, 160..255
// through their entity names.
TEST(HtmlInterop, ChromiumReadsEveryUpperByteAsWindows1252) {
    if (!haveProgram("chromium")) GTEST_SKIP() << "Chromium missing";
    std::string upper;
    for (int b = 128; b < 256; ++b)
        if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) upper += char(b);
    PageStoreFixture f;
    auto p = f.page();
    addText(*p, {10, 10, 700, 22}, "[" + upper + "]");
    f.add(std::move(p));
    const QString folder = QDir(sandboxDir()).filePath("html-bytes");
    QDir().mkpath(folder);
    TRLHTMLFilter filter;
    runToFile(filter, *f.store, "html-bytes/bytes.htm");
    const QString text = domText(chromiumDom(folder + "/bytes.htm", folder + "/profile"));
    EXPECT_TRUE(text.contains("[" + fromWindows1252(upper) + "]")) << text.toStdString();
}
