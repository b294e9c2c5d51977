#include "pagestore/graphic_storage.h"
#include "pagestore/picture_data.h"
#include "platform/error.h"
#include "platform/temp_files.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace rl;

namespace {

std::unique_ptr<TRLGraphicSurface> pageNamed(const std::string& text) {
    auto page = std::make_unique<TRLGraphicSurface>();
    page->Width = 100;
    page->Height = 50;
    page->TextRect({0, 0, 100, 10}, 0, 0, text, haLeft, vaTop, 5);
    return page;
}

std::string firstText(TRLGraphicSurface* page) {
    if (!page || page->ObjectCount() == 0) return "<none>";
    return static_cast<const TRLTextObject&>(*page->Objects(0)).Text;
}

} // namespace

TEST(GraphicStorage, EmptyStoreHasNoPagesAndNoSpillFile) {
    const QStringList before = QDir(QDir::tempPath()).entryList({"~mv*.tmp"});
    {
        TRLGraphicStorage store;
        EXPECT_EQ(store.PageCount(), 0);
        EXPECT_EQ(store.Pages(0), nullptr);
        EXPECT_EQ(store.Pages(-1), nullptr);
        EXPECT_TRUE(store.SpillFileName().isEmpty());
    }
    EXPECT_EQ(QDir(QDir::tempPath()).entryList({"~mv*.tmp"}), before);
}

TEST(GraphicStorage, OnePageRecordIs42BytesForAnEmptyPage) {
    TRLGraphicStorage store;
    store.Add(std::make_unique<TRLGraphicSurface>());
    EXPECT_EQ(QFileInfo(store.SpillFileName()).size(), 42);
    EXPECT_EQ(store.PageOffsets(), std::vector<qint64>{0});
}

TEST(GraphicStorage, SpillFileHasNoNameSoNothingCanLeaveItBehind) {
    const auto folderEntries = [] {
        return QDir(TempFiles::folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    const QStringList before = folderEntries();
    {
        TRLGraphicStorage store;
        store.Add(pageNamed("a"));
        const QString name = store.SpillFileName();
        EXPECT_TRUE(name.startsWith("/proc/self/fd/")) << name.toStdString();
        EXPECT_GT(QFileInfo(name).size(), 0);
        struct stat info;
        ASSERT_EQ(stat(QFile::encodeName(name).constData(), &info), 0);
        EXPECT_EQ(info.st_nlink, 0u) << "no name in any folder, even while the store lives";
        // Nobody else may read the spilled report.
        EXPECT_EQ(info.st_mode & 0077, 0u);
        EXPECT_EQ(folderEntries(), before);
    }
    EXPECT_EQ(folderEntries(), before);
}

TEST(GraphicStorage, APictureOnEveryPageIsStoredOnce) {
    QImage logo(400, 300, QImage::Format_RGB32);
    logo.fill(Qt::darkBlue);
    const QByteArray picture = PictureData::fromImage(logo); // some 360 KB
    TRLGraphicStorage store;
    for (int i = 0; i < 50; ++i) {
        auto page = pageNamed("page " + std::to_string(i + 1));
        page->StretchDraw({0, 10, 40, 40}, picture, false);
        store.Add(std::move(page));
    }
    EXPECT_EQ(store.PictureCount(), 1);
    EXPECT_LT(QFileInfo(store.SpillFileName()).size(), picture.size() / 10)
        << "the spill grows with the text";
    // Pages read back from the file show the picture, one array for all of them.
    const auto pictureOf = [&](int index) {
        const TRLGraphicSurface* page = store.Pages(index);
        EXPECT_TRUE(page && page->ObjectCount() == 2);
        return page && page->ObjectCount() == 2
                   ? static_cast<const TRLImageObject&>(*page->Objects(1)).PictureData
                   : QByteArray();
    };
    const QByteArray first = pictureOf(0);
    EXPECT_EQ(first, picture);
    EXPECT_EQ(pictureOf(1).constData(), first.constData());
}

TEST(GraphicStorage, SpillFileStopsAtItsLimitWithAClearError) {
    qputenv("RELANTOMADOR_SPILL_LIMIT_MB", "1");
    TRLGraphicStorage store;
    const std::string text(300 * 1024, 'x');
    std::string failure;
    int added = 0;
    try {
        for (; added < 10; ++added)
            store.Add(pageNamed(text));
    } catch (const Error& error) {
        failure = error.what();
    }
    qunsetenv("RELANTOMADOR_SPILL_LIMIT_MB");
    EXPECT_EQ(store.SpillLimit(), 1024 * 1024);
    EXPECT_EQ(added, 3);
    EXPECT_NE(failure.find("passaria de 1 MB"), std::string::npos) << failure;
    EXPECT_LE(QFileInfo(store.SpillFileName()).size(), 1024 * 1024);
}

TEST(GraphicStorage, KeepsTheFiveNewestPagesAndReloadsOthers) {
    TRLGraphicStorage store;
    for (int i = 1; i <= 6; ++i)
        store.Add(pageNamed("page " + std::to_string(i)));
    EXPECT_EQ(store.PageCount(), 6);
    EXPECT_EQ(store.CachedPageCount(), 5);
    EXPECT_FALSE(store.IsCached(0));
    for (int slot = 1; slot < 6; ++slot)
        EXPECT_TRUE(store.IsCached(slot));

    EXPECT_EQ(firstText(store.Pages(0)), "page 1");
    EXPECT_TRUE(store.IsCached(0));
    EXPECT_FALSE(store.IsCached(1)); // the oldest went out
    EXPECT_EQ(store.CachedPageCount(), 5);
    // Every page reads back, in any order.
    for (int i : {5, 2, 4, 1, 3, 0})
        EXPECT_EQ(firstText(store.Pages(i)), "page " + std::to_string(i + 1));
    EXPECT_EQ(store.Pages(6), nullptr);
}

TEST(GraphicStorage, ChangedPageIsStoredAgainAndReadFromItsNewestRecord) {
    TRLGraphicStorage store;
    for (int i = 1; i <= 6; ++i)
        store.Add(pageNamed("page " + std::to_string(i)));
    const qint64 sizeBefore = QFileInfo(store.SpillFileName()).size();
    TRLGraphicSurface* page = store.Pages(5);
    static_cast<TRLTextObject&>(*page->Objects(0)).Text = "changed";
    page->IsDirty = true;
    store.FlushCache();
    EXPECT_GT(QFileInfo(store.SpillFileName()).size(), sizeBefore);
    EXPECT_EQ(store.PageOffsets()[5], sizeBefore);
    // Push it out of the cache and read it back from the file.
    for (int i = 0; i < 5; ++i)
        store.Pages(i);
    EXPECT_FALSE(store.IsCached(5));
    EXPECT_EQ(firstText(store.Pages(5)), "changed");
}

TEST(GraphicStorage, DirtyPageEvictedFromTheCacheIsStoredFirst) {
    TRLGraphicStorage store;
    store.Add(pageNamed("first"));
    static_cast<TRLTextObject&>(*store.Pages(0)->Objects(0)).Text = "edited";
    store.Pages(0)->IsDirty = true;
    for (int i = 0; i < 5; ++i)
        store.Add(pageNamed("x"));
    EXPECT_FALSE(store.IsCached(0));
    EXPECT_EQ(firstText(store.Pages(0)), "edited");
}

TEST(GraphicStorage, DamagedRecordIsAMissingPage) {
    TRLGraphicStorage store;
    for (int i = 1; i <= 7; ++i) // pages 1 and 2 are then read from the file
        store.Add(pageNamed("page " + std::to_string(i)));
    {
        // Spoil the signature of page 1 on disk, and the size field of page 2.
        QFile file(store.SpillFileName());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.seek(store.PageOffsets()[0] + 4);
        file.write("X");
        file.seek(store.PageOffsets()[1]);
        file.write("\xff\xff\xff\x7f", 4);
    }
    EXPECT_EQ(store.Pages(0), nullptr);
    EXPECT_EQ(store.Pages(1), nullptr);
    EXPECT_EQ(firstText(store.Pages(2)), "page 3");
}

TEST(GraphicStorage, ClearEmptiesPagesVariablesAndTheFile) {
    TRLGraphicStorage store;
    store.SetTitle("T");
    store.Add(pageNamed("a"));
    store.Add(pageNamed("b"));
    store.Clear();
    EXPECT_EQ(store.PageCount(), 0);
    EXPECT_EQ(store.CachedPageCount(), 0);
    EXPECT_TRUE(store.Variables.empty());
    EXPECT_EQ(QFileInfo(store.SpillFileName()).size(), 0);
    store.Add(pageNamed("c"));
    EXPECT_EQ(store.PageOffsets(), std::vector<qint64>{0});
    EXPECT_EQ(firstText(store.Pages(0)), "c");
}

TEST(GraphicStorage, VariablesAndPaperSizes) {
    TRLGraphicStorage store;
    EXPECT_EQ(store.FirstPageNumber(), 0);
    EXPECT_EQ(store.Orientation(), 1);
    store.SetPaperWidth(215.9);
    store.SetPaperHeight(279.4);
    EXPECT_EQ(store.Variables.value("PaperWidth"), "215.9000");
    EXPECT_EQ(store.PaperWidthPixels(), 816);
    EXPECT_EQ(store.PaperHeightPixels(), 1056);
    EXPECT_EQ(store.OrientedWidthPixels(), 816);
    store.SetOrientation(2);
    EXPECT_EQ(store.OrientedWidthPixels(), 1056);
    EXPECT_EQ(store.OrientedHeightPixels(), 816);
    store.SetPaperWidth(210);
    store.SetPaperHeight(297);
    store.SetOrientation(1);
    EXPECT_EQ(store.OrientedWidthPixels(), 794);
    EXPECT_EQ(store.OrientedHeightPixels(), 1123);
    store.Variables.setValue("Orientation", "sideways");
    EXPECT_EQ(store.Orientation(), 1);
    store.SetTitle("");
    EXPECT_FALSE(store.Variables.contains("Title"));
}

TEST(GraphicStorage, StoreWithoutOwnerLivesUntilItsLastUserUnlinks) {
    QPointer<TRLGraphicStorage> store = new TRLGraphicStorage();
    auto user1 = std::make_unique<QObject>();
    auto user2 = std::make_unique<QObject>();
    store->Link(user1.get());
    store->Link(user1.get());
    store->Link(user2.get());
    EXPECT_EQ(store->UserCount(), 2);
    store->Unlink(user1.get());
    ASSERT_FALSE(store.isNull());
    user2.reset(); // a user being destroyed unlinks itself
    EXPECT_TRUE(store.isNull());
}

TEST(GraphicStorage, OwnedStoreOutlivesItsUsers) {
    QObject owner;
    QPointer<TRLGraphicStorage> store = new TRLGraphicStorage(&owner);
    {
        QObject user;
        store->Link(&owner); // the owner is never a user
        store->Link(&user);
        EXPECT_EQ(store->UserCount(), 1);
    }
    EXPECT_FALSE(store.isNull());
    EXPECT_EQ(store->UserCount(), 0);
}

TEST(GraphicStorage, PagesKnowTheirStoreForSubstitution) {
    TRLGraphicStorage store;
    store.SetLastPageNumber(3);
    store.Add(pageNamed("{LastPageNumber}"));
    for (int i = 0; i < 6; ++i)
        store.Add(pageNamed("x"));
    TRLGraphicSurface* page = store.Pages(0); // reloaded from the file
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Store(), &store);
    EXPECT_EQ(static_cast<const TRLTextObject&>(*page->Objects(0)).DisplayText(), "3");
}
