#include "export/rich_filter.h"
#include "platform/error.h"
#include "platform/temp_files.h"
#include "rich_html_pages.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace rl;
using namespace rl::test;

TEST(RichFilter, TinyPageMatchesGolden) {
    PageStoreFixture f;
    addTinyPage(f);
    TRLRichFilter filter;
    EXPECT_EQ(filter.DisplayName(), "Formato RichText");
    EXPECT_EQ(filter.DefaultExt(), ".rtf");
    const QByteArray rtf = runToFile(filter, *f.store, "tiny.rtf");
    expectGolden(rtf, "rich_tiny_page.rtf");
    EXPECT_FALSE(rtf.contains("\\par\\page")); // one page, no page break
}

// Landscape; page 1: escaping, a 100-unit left text and a centred text of
// width 40; page 2 empty; page 3: a face first used there, objects stored out
// of order, a text and a picture cut by a clip rectangle, then a text after
// the clip is reset and one drawing object of every kind.
TEST(RichFilter, ThreePagesMatchGolden) {
    PageStoreFixture f(true);
    auto p1 = f.page();
    addText(*p1, {100, 100, 200, 112}, "a{b}c\\d \xe7  two   blanks");
    addText(*p1, {300, 100, 340, 112}, "mid", haCenter);
    f.add(std::move(p1));
    f.add(f.page());
    auto p3 = f.page();
    addText(*p3, {100, 300, 200, 312}, "below", haRight, "Courier New", 10).Font.Style =
        fsBold | fsItalic | fsUnderline | fsStrikeOut;
    addClip(*p3, {0, 0, 150, 794});
    addText(*p3, {100, 200, 300, 212}, "cut by the clip", haJustify);
    addPicture(*p3, {140, 400, 160, 410}, fourColourPicture()); // 10 of its 20 units show
    resetClip(*p3);
    addText(*p3, {10, 200, 60, 212}, "left of it");
    addShapes(*p3);
    f.add(std::move(p3));

    TRLRichFilter filter;
    const QByteArray rtf = runToFile(filter, *f.store, "three.rtf");
    expectGolden(rtf, "rich_three_pages.rtf");
    ASSERT_EQ(filter.Fonts().names().size(), 2u);
    EXPECT_EQ(filter.Fonts().names()[1], "Courier New");
}

// The golden names the stand-in; a file opened where the face is installed keeps it.
TEST(RichFilter, KeptReportFaceIsNamedInTheFontTable) {
    PageStoreFixture f;
    addTinyPage(f);
    TRLRichFilter filter;
    filter.KeepReportFace = true;
    EXPECT_TRUE(runToFile(filter, *f.store, "kept.rtf").contains("\\f0\\fnil\\fcharset0 Orator10 BT;\r\n"));
}

// The factor is the extended-precision 1.05, just below 1.05: in double
// arithmetic 100 x 1.05 would truncate to 105.
TEST(RichFilter, FrameWideningUsesExtendedPrecision) {
    const std::pair<int, int> cases[] = {{100, 5}, {60, 3}, {40, 3}, {1000, 51}, {0, 1}};
    for (const auto& [width, extra] : cases)
        EXPECT_EQ(frameWidening(width), extra) << "width " << width;
}

TEST(RichFilter, FailedRunLeavesNoOutputAndNoBodyFile) {
    PageStoreFixture f;
    addTinyPage(f);
    // The store's own spill file is the only temporary file before and after.
    const auto temporaryFiles = [] { return QDir(TempFiles::folder()).entryList({"~mv*"}, QDir::Files); };
    const QStringList before = temporaryFiles();
    TRLRichFilter filter;
    filter.SetShowProgress(false);
    filter.SetFileName(QDir(sandboxDir()).filePath("no-such-folder/out.rtf"));
    EXPECT_THROW(filter.Run(f.store, 1, -1), Error);
    EXPECT_FALSE(QFile::exists(filter.FileName()));
    EXPECT_EQ(temporaryFiles(), before);

    // Saving over an existing file replaces it.
    const QString path = QDir(sandboxDir()).filePath("existing.rtf");
    writeFile(path, "old");
    filter.SetFileName(path);
    filter.Run(f.store, 1, -1);
    EXPECT_TRUE(readFile(path).startsWith("{\\rtf1"));
    EXPECT_EQ(temporaryFiles(), before);
}
