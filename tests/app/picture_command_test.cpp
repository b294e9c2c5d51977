#include "main_window_fixture.h"

#include "pagestore/picture_data.h"
#include "report/custom_band.h"
#include "report/custom_label.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>

namespace rl::test {
namespace {

class PictureCommand : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        start({writeReport(QStringLiteral("report.txt"), 2)});
        ASSERT_EQ(pageCount(), 2);
    }

    // Chooses a picture through the scripted dialog and checks the outcome.
    void insert(const QString& path) {
        dialogs.openAnswers = {path};
        window->Inserir1->trigger();
    }

    void expectRefused(const QString& path) {
        messages.requests.clear();
        insert(path);
        ASSERT_EQ(messages.requests.size(), 1u) << path.toStdString();
        EXPECT_EQ(messages.requests[0].text, QStringLiteral("Tipo de arquivo inválido!"));
        EXPECT_EQ(messages.requests[0].caption, QStringLiteral("Visualizando Relatório"));
        EXPECT_EQ(messages.requests[0].icon, MessageIcon::None);
        EXPECT_TRUE(session->Values().FigurePath.isEmpty());
        // The report is still shown.
        EXPECT_EQ(pageCount(), 2);
        EXPECT_FALSE(window->RLPreview1->isHidden());
    }
};

TEST_F(PictureCommand, DialogOffersThePictureFilter) {
    insert(QString());
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_TRUE(dialogs.requests[0].filter.startsWith(
        QStringLiteral("Todos (*.apf;*.gif;*.gif;*.ani;*.pcx;*.jpg;*.jpeg;*.png;*.bmp;*.ico;*.emf;*.wmf)|")));
    EXPECT_TRUE(dialogs.requests[0].filter.endsWith(QStringLiteral("|Metafiles (*.wmf)|*.wmf")));
    EXPECT_TRUE(messages.requests.empty());
}

TEST_F(PictureCommand, AFolderIsRefused) {
    const QString folder = dir.filePath(QStringLiteral("logo.bmp"));
    ASSERT_TRUE(QDir().mkpath(folder));
    expectRefused(folder);
}

TEST_F(PictureCommand, ACorruptOrEmptyImageIsRefused) {
    const QString empty = dir.filePath(QStringLiteral("empty.bmp"));
    writeFile(empty, QByteArray());
    expectRefused(empty);

    // A JPEG that stops after its first bytes.
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString whole = dir.filePath(QStringLiteral("whole.jpg"));
    ASSERT_TRUE(image.save(whole, "JPEG"));
    const QString cut = dir.filePath(QStringLiteral("cut.jpg"));
    writeFile(cut, readFile(whole).left(60));
    expectRefused(cut);

    const QString text = dir.filePath(QStringLiteral("text.gif"));
    writeFile(text, "GIF89a, or so it says");
    expectRefused(text);
}

TEST_F(PictureCommand, AnUnreadableFileIsRefused) {
    QString path = dir.filePath(QStringLiteral("locked.bmp"));
    writeFile(path, readFile(QStringLiteral(RL_TEST_DATA "/pictures/palette.bmp")));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::Permissions()));
    QFile probe(path);
    // Permissions do not keep the superuser out; a file whose every read fails does.
    if (probe.open(QIODevice::ReadOnly)) path = QStringLiteral("/proc/self/mem");
    expectRefused(path);
}

TEST_F(PictureCommand, AMissingFileDoesNothing) {
    insert(dir.filePath(QStringLiteral("nowhere.bmp")));
    EXPECT_TRUE(messages.requests.empty());
    EXPECT_TRUE(session->Values().FigurePath.isEmpty());
}

TEST_F(PictureCommand, AGoodPictureIsPrintedAndRemovedAgain) {
    const QString picture = QStringLiteral(RL_TEST_DATA "/pictures/palette.bmp");
    insert(picture);
    EXPECT_TRUE(messages.requests.empty());
    EXPECT_EQ(session->Values().FigurePath, picture);
    EXPECT_FALSE(PictureData::size(composer->QRImage2->Picture()).isEmpty());
    EXPECT_GT(composer->titleband->Height(), 0);

    window->Remover1->trigger();
    EXPECT_TRUE(session->Values().FigurePath.isEmpty());
    EXPECT_TRUE(PictureData::size(composer->QRImage2->Picture()).isEmpty());
    EXPECT_TRUE(PictureData::size(composer->QRImage1->Picture()).isEmpty());
    EXPECT_EQ(pageCount(), 2);
}

} // namespace
} // namespace rl::test
