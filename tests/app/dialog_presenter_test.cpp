#include "app/cursors.h"
#include "app/main_window.h"
#include "platform/dialog_presenter.h"

#include <QImage>

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
