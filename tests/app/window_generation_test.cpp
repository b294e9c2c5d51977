// The window over a report made in the background: the first page at once,
// the count and the tree growing, a page not made yet waited for, and closing
// mid-way ending the generation with nothing left behind.
#include "main_window_fixture.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeWidget>

namespace rl::test {
namespace {

class WindowGeneration : public MainWindowFixture {
protected:
    int treePages() const {
        return window->TreeView1->topLevelItemCount() ? window->TreeView1->topLevelItem(0)->childCount() : 0;
    }
    void finish() {
        for (int guard = 0; session->Generating() && guard < 100000; ++guard)
            QCoreApplication::processEvents();
    }
};

TEST_F(WindowGeneration, FirstPageAtOnceThenThePagesAsTheyCome) {
    start({writeReport("report.txt", 400), "80", "retrato"}, true);
    EXPECT_TRUE(session->Generating());
    EXPECT_EQ(pageCount(), 1);
    EXPECT_EQ(currentPage(), 1);
    EXPECT_EQ(window->Label1->text(), QStringLiteral("de 1…"));
    EXPECT_EQ(treePages(), 1);
    EXPECT_TRUE(window->butnext->isEnabled());

    // A page not made yet: the window waits for it, and shows that very page.
    window->Edit1->setText("300");
    EXPECT_EQ(currentPage(), 300);
    EXPECT_GE(pageCount(), 300);
    EXPECT_EQ(treePages(), pageCount());

    finish();
    EXPECT_EQ(pageCount(), 400);
    EXPECT_EQ(currentPage(), 300); // the page shown stays
    EXPECT_EQ(window->Label1->text(), QStringLiteral("de 400"));
    EXPECT_EQ(treePages(), 400);
}

TEST_F(WindowGeneration, ClosingMidwayEndsItAndLeavesNoFile) {
    const QStringList before = QDir(QDir::tempPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const QString report = writeReport("report.txt", 3000);
    start({report, "80", "retrato"}, true);
    ASSERT_TRUE(session->Generating());
    window->close();
    EXPECT_FALSE(session->Generating());
    EXPECT_FALSE(QFileInfo::exists(report));
    QCoreApplication::processEvents();
    EXPECT_EQ(pageCount(), 0);
    EXPECT_EQ(QDir(QDir::tempPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

} // namespace
} // namespace rl::test
