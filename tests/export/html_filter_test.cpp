#include "export/html_filter.h"
#include "export/picture_checksum.h"
#include "rich_html_pages.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace rl;
using namespace rl::test;

namespace {

QString sandboxPath(const QString& name) {
    return QDir(sandboxDir()).filePath(name);
}

QStringList filesStartingWith(const QString& prefix) {
    return QDir(sandboxDir()).entryList({prefix + "*"}, QDir::Files, QDir::Name);
}

} // namespace

TEST(HtmlFilter, TinyPageMatchesGolden) {
    PageStoreFixture f;
    addTinyPage(f);
    TRLHTMLFilter filter;
    EXPECT_EQ(filter.DisplayName(), "Página da Web");
    EXPECT_EQ(filter.DefaultExt(), ".htm");
    expectGolden(runToFile(filter, *f.store, "tiny.htm"), "html_tiny_page.htm");
    EXPECT_EQ(filesStartingWith("tiny"), QStringList({"tiny-img1.bmp", "tiny.htm"}));
    EXPECT_EQ(readFile(sandboxPath("tiny-img1.bmp")), fourColourPicture().mid(3));
}

// Page 1: escaping, class sharing, backgrounds, a diagonal line, an ellipse;
// page 2: texts after a set-clip and after its reset, aligned texts; page 3:
// the picture every page carries and one drawing object of every kind.
TEST(HtmlFilter, ThreePagesMatchGolden) {
    PageStoreFixture f;
    f.store->SetTitle("Raz\xe3o <3>");
    const QByteArray picture = fourColourPicture();
    auto p1 = f.page();
    addPicture(*p1, {700, 10, 740, 50}, picture);
    addText(*p1, {10, 10, 300, 22}, "<a & b> \xe7 \"q\" \x80  two  blanks");
    addText(*p1, {10, 30, 300, 42}, "same class");
    addText(*p1, {10, 50, 300, 62}, "red", haLeft, "Orator10 BT", 8, {255, 0, 0});
    TRLTextObject& boxed = addText(*p1, {10, 70, 300, 82}, "on yellow");
    boxed.Brush = {{255, 255, 0}, std::uint8_t(BrushStyle::Solid)};
    p1->AddObject<TRLFillRectObject>().Bounds = {10, 90, 50, 100}; // solid black brush by default
    TRLFillRectObject& clear = p1->AddObject<TRLFillRectObject>();
    clear.Bounds = {60, 90, 90, 100};
    clear.Brush.Style = std::uint8_t(BrushStyle::Clear);
    addLine(*p1, {10, 110}, {110, 160}).Pen.Color = {0, 0, 255};
    TRLEllipseObject& ellipse = p1->AddObject<TRLEllipseObject>();
    ellipse.Bounds = {200, 110, 230, 130};
    ellipse.Pen.Width = 1;
    f.add(std::move(p1));
    auto p2 = f.page();
    addPicture(*p2, {700, 10, 740, 50}, picture);
    addClip(*p2, {0, 0, 100, 1123});
    addText(*p2, {50, 10, 200, 22}, "cut at 100");
    addText(*p2, {10, 30, 90, 42}, "inside");
    resetClip(*p2);
    addText(*p2, {50, 50, 200, 62}, "whole again");
    addText(*p2, {100, 70, 300, 82}, "right", haRight).Options = 0;
    addText(*p2, {100, 90, 300, 102}, "centre", haCenter).Options = 0;
    TRLTextObject& loose = addText(*p2, {100, 110, 300, 122}, "unclipped near the edge");
    loose.Options = toUnclipped;
    loose.Origin = {700, 1115};
    f.add(std::move(p2));
    auto p3 = f.page();
    addPicture(*p3, {700, 10, 740, 50}, picture);
    addShapes(*p3);
    f.add(std::move(p3));

    TRLHTMLFilter filter;
    expectGolden(runToFile(filter, *f.store, "three.htm"), "html_three_pages.htm");
    // One picture for the three pages, one for each ellipse, polygon and polyline.
    EXPECT_EQ(filesStartingWith("three"), QStringList({"three-img1.bmp", "three-img2.bmp", "three-img3.bmp",
                                                       "three-img4.bmp", "three-img5.bmp", "three.htm"}));
}

TEST(HtmlFilter, EmptyRangeWritesHeadAndTailOnly) {
    PageStoreFixture f;
    addTinyPage(f);
    TRLHTMLFilter filter;
    const QByteArray html = runToFile(filter, *f.store, "empty.htm", 2, 1);
    EXPECT_TRUE(html.startsWith("<html>\r\n")) << html.toStdString();
    EXPECT_TRUE(html.endsWith("<body>\r\n\r\n\r\n</body>\r\n\r\n</html>\r\n")) << html.toStdString();
}

TEST(HtmlFilter, FontClassesLastForTheFilterLife) {
    PageStoreFixture first;
    addTinyPage(first);
    PageStoreFixture second;
    auto p = second.page();
    addText(*p, {10, 10, 100, 22}, "blue", haLeft, "Orator10 BT", 8, {0, 0, 255});
    second.add(std::move(p));
    TRLHTMLFilter filter;
    runToFile(filter, *first.store, "first.htm");
    const QByteArray html = runToFile(filter, *second.store, "second.htm");
    const std::string fallback =
        "\"Orator10 BT\", \"Courier New\", \"Liberation Mono\", \"Nimbus Mono PS\", monospace; "
        "font-variant-ligatures:none";
    EXPECT_TRUE(html.contains(("font.f0 {font-family:" + fallback + "; font-size:8pt; color:#000000}\r\n" +
                               "font.f1 {font-family:" + fallback + "; font-size:8pt; color:#0000FF}\r\n")
                                  .c_str()));
    EXPECT_TRUE(html.contains("<font class=\"f1\">blue</font>"));
}

// A 16-bit checksum collides: pictures with equal checksums but other bytes
// get files of their own.
TEST(HtmlFilter, PicturesWithEqualChecksumButOtherBytesAreNotShared) {
    const QByteArray a = fourColourPicture();
    QByteArray b = a;
    // Adding the polynomial (bytes 01 10 21) anywhere leaves the checksum alone.
    const qsizetype pixels = 3 + 54;
    b[pixels] = char(b[pixels] ^ 0x01);
    b[pixels + 1] = char(b[pixels + 1] ^ 0x10);
    b[pixels + 2] = char(b[pixels + 2] ^ 0x21);
    ASSERT_EQ(PictureChecksum(a.mid(3)), PictureChecksum(b.mid(3)));
    PageStoreFixture f;
    auto p = f.page();
    addPicture(*p, {10, 10, 20, 20}, a);
    addPicture(*p, {30, 10, 40, 20}, b);
    addPicture(*p, {50, 10, 60, 20}, a);
    f.add(std::move(p));
    TRLHTMLFilter filter;
    const QByteArray html = runToFile(filter, *f.store, "pair.htm");
    EXPECT_EQ(readFile(sandboxPath("pair-img2.bmp")), b.mid(3));
    EXPECT_FALSE(QFile::exists(sandboxPath("pair-img3.bmp")));
    // The page carries each picture itself, not the file's name.
    EXPECT_EQ(html.count("<img src=\"data:image/png;base64,"), 3);
    EXPECT_FALSE(html.contains("pair-img"));
}

TEST(HtmlFilter, SaveGraphicHandlerNamesOrRefusesPictures) {
    PageStoreFixture f;
    addTinyPage(f);
    TRLHTMLFilter filter;
    QStringList offered;
    filter.OnSaveGraphic = [&](TRLHTMLFilter*, const TRLHTMLGraphic& graphic, QString& name, bool& saved) {
        offered << name + " " + graphic.Kind;
        EXPECT_TRUE(saved);
        name = QDir(sandboxDir()).filePath("elsewhere/logo.png");
    };
    const QByteArray html = runToFile(filter, *f.store, "handled.htm");
    EXPECT_EQ(offered, QStringList({sandboxPath("handled-img1.bmp bmp")}));
    EXPECT_TRUE(html.contains("<img src=\"logo.png\" width=8 height=8>"));
    filter.OnSaveGraphic = [](TRLHTMLFilter*, const TRLHTMLGraphic&, QString&, bool& saved) {
        saved = false;
    };
    EXPECT_FALSE(runToFile(filter, *f.store, "refused.htm").contains("<img"));
}

TEST(HtmlFilter, OldStyleWritesOneFilePerPageWithNavigation) {
    PageStoreFixture f;
    for (int i = 0; i < 3; ++i) {
        auto p = f.page();
        addText(*p, {10, 10, 100, 22}, "page " + std::to_string(i + 1));
        f.add(std::move(p));
    }
    TRLHTMLFilter filter;
    filter.SetDocumentStyle(dsOldStyle);
    runToFile(filter, *f.store, "old.htm");
    EXPECT_EQ(filesStartingWith("old"), QStringList({"old.htm", "old1.htm", "old2.htm"}));
    const QByteArray middle = readFile(sandboxPath("old1.htm"));
    const std::string link = "<a href=\"" + sandboxPath("old").toStdString();
    EXPECT_TRUE(middle.contains(link + ".htm\">|&lt;</a>\r\n" + link + ".htm\">&lt;</a>\r\n" + link +
                                ".htm\">1</a>\r\n2\r\n" + link + "2.htm\">3</a>\r\n" + link +
                                "2.htm\">&gt;</a>\r\n" + link + "2.htm\">&gt;|</a>\r\n"))
        << middle.toStdString();
    EXPECT_TRUE(middle.contains("page 2") && !middle.contains("page 1") && !middle.contains("page-break"));
}

namespace {
// Cancels the run after its first page.
class CancellingHtmlFilter : public TRLHTMLFilter {
protected:
    void DrawPage(const TRLGraphicSurface& page) override {
        TRLHTMLFilter::DrawPage(page);
        Cancel();
    }
};
} // namespace

TEST(HtmlFilter, CancelledRunLeavesNoFiles) {
    PageStoreFixture f;
    addTinyPage(f);
    addTinyPage(f);
    CancellingHtmlFilter filter;
    filter.SetFileName(sandboxPath("cancelled.htm"));
    filter.SetShowProgress(false);
    EXPECT_EQ(filter.Run(f.store, 1, -1), TRLCustomFilter::RunResult::Cancelled);
    EXPECT_TRUE(filesStartingWith("cancelled").isEmpty());
}
