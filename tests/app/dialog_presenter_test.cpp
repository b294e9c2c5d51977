#include "app/cursors.h"
#include "app/main_window.h"
#include "app/widget_dialog_presenter.h"
#include "platform/dialog_presenter.h"
#include "support/test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace rl::test {
namespace {

TEST(DialogPresenter, FiltersBecomeQtNameFilters) {
    EXPECT_EQ(DialogPresenter::toQtFilter(QStringLiteral("Arquivos Texto|*.txt")),
              QStringLiteral("Arquivos Texto (*.txt)"));
    // Brackets already in a description are replaced by the real pattern list.
    const QString picture = DialogPresenter::toQtFilter(TForm1::kPictureFilter);
    const QStringList filters = picture.split(QStringLiteral(";;"));
    ASSERT_EQ(filters.size(), 13);
    EXPECT_EQ(
        filters[0],
        QStringLiteral("Todos (*.apf *.gif *.gif *.ani *.pcx *.jpg *.jpeg *.png *.bmp *.ico *.emf *.wmf)"));
    EXPECT_EQ(filters[1], QStringLiteral("APRO APF Format (*.apf)"));
    EXPECT_EQ(filters[8], QStringLiteral("PNG Image (*.png)"));
    EXPECT_EQ(filters[12], QStringLiteral("Metafiles (*.wmf)"));
    EXPECT_EQ(DialogPresenter::toQtFilter(TForm1::kTextFilter),
              QStringLiteral("Arquivos Texto (*.txt);;Todos os arquivos (*)"));
}

// Qt's open dialog itself, answered from inside its event loop.
TEST(WidgetDialogPresenter, OpenReportDialogListsTheEncodings) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.txt"));
    writeFile(path, "titulo\r\n");
    int offered = 0;
    int startedAt = -1;
    QTimer::singleShot(0, [&] {
        QFileDialog* dialog = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<QFileDialog*>(widget); found && found->isVisible()) dialog = found;
        ASSERT_NE(dialog, nullptr);
        if (auto* encodings = dialog->findChild<QComboBox*>(QStringLiteral("encodings"))) {
            offered = encodings->count();
            startedAt = encodings->currentData().toInt();
            encodings->setCurrentIndex(encodings->findData(int(ReportEncoding::Utf8)));
        }
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    WidgetDialogPresenter presenter;
    const auto choice = presenter.getOpenReportFile(nullptr, TForm1::kTextFilter, ReportEncoding::Cp437);
    EXPECT_EQ(offered, 6);
    EXPECT_EQ(startedAt, int(ReportEncoding::Cp437));
    EXPECT_EQ(choice.path, path);
    EXPECT_EQ(choice.encoding, ReportEncoding::Utf8);
}

TEST(Cursors, TheFourViewerCursorsAreRegisteredAsTenToThirteen) {
    Cursors::LoadViewerCursors();
    QList<QImage> images;
    for (int number : {10, 11, 12, 13}) {
        ASSERT_TRUE(Cursors::IsRegistered(number));
        const QCursor cursor = Cursors::Get(number);
        EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
        const QImage image = cursor.pixmap().toImage();
        EXPECT_EQ(image.size(), QSize(32, 32));
        EXPECT_FALSE(images.contains(image)) << number;
        images << image;
    }
    EXPECT_FALSE(Cursors::IsRegistered(14));
    EXPECT_EQ(Cursors::Get(14).shape(), Qt::ArrowCursor);
}

} // namespace
} // namespace rl::test
