#include "platform/report_font.h"

#include "platform/folders.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QRawFont>
#include <QTemporaryDir>

#include <fontconfig/fontconfig.h>

#include <gtest/gtest.h>

#include <cerrno>

using namespace rl;

namespace {

const QString kFamily = QString::fromLatin1(kReportFontFamily);

// Whether the family is installed for a freshly loaded fontconfig (system
// fonts and the sandbox's fonts folder; no in-process registrations).
bool installedForAFreshFontconfig() {
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return false;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(kReportFontFamily));
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* fonts = FcFontList(config, pattern, objects);
    const bool found = fonts && fonts->nfont > 0;
    if (fonts) FcFontSetDestroy(fonts);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    return found;
}

QString fontsFolderFile(const QString& name) {
    return QDir(Folders::fontsFolder()).filePath(name);
}

// A copy of the embedded font under another name, so that each test installs
// a file of its own and cleans it up.
QString writeFontCopy(const QTemporaryDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    test::writeFile(path, reportFontBytes());
    return path;
}

// An image that measures as a 96 dpi page does.
QImage page96Dpi() {
    QImage image(4, 4, QImage::Format_ARGB32);
    image.setDotsPerMeterX(3780); // 96 / 0.0254, rounded
    image.setDotsPerMeterY(3780);
    return image;
}

} // namespace

TEST(ReportFont, EmbeddedFileIsTheFixedPitchOrator10BT) {
    const QByteArray bytes = reportFontBytes();
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_EQ(bytes.left(4), QByteArray("\x00\x01\x00\x00", 4)) << "not a TrueType file";
    EXPECT_EQ(bytes, test::readFile(QStringLiteral(RL_SOURCE_DIR "/resources/fonts/ORATOR10.TTF")));

    const QRawFont raw(bytes, 100);
    ASSERT_TRUE(raw.isValid());
    EXPECT_EQ(raw.familyName(), kFamily);

    // 0.6 em for every character the reports print, accented letters and the euro included.
    for (const QString& sample :
         {QStringLiteral("ABCXYZ abcxyz 0123456789 .,;:!?-+*/=()[]{}<>|\\\"'@#$%&_~^`"),
          QStringLiteral("ÁÉÍÓÚÂÊÔÃÕÀÇÜ áéíóúâêôãõàçü ºª"), QStringLiteral("€ £ § ° ± µ ½ ¼ « »")}) {
        const QList<quint32> glyphs = raw.glyphIndexesForString(sample);
        ASSERT_EQ(glyphs.size(), sample.size());
        const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
        for (qsizetype i = 0; i < sample.size(); ++i) {
            SCOPED_TRACE(QString(sample[i]).toStdString());
            EXPECT_NE(glyphs[i], 0u) << "no glyph";
            EXPECT_NEAR(advances[i].x(), 60.0, 1.0 / 32); // scaled in 1/64 pixel steps
        }
    }
}

TEST(ReportFont, RegistrationMakesTheFamilyAvailableToQt) {
    EXPECT_TRUE(registerReportFont());
    EXPECT_TRUE(registerReportFont()); // again: still there, nothing breaks
    EXPECT_TRUE(QFontDatabase::families().contains(kFamily));
    EXPECT_EQ(QFontInfo(QFont(kFamily)).family(), kFamily);
}

TEST(ReportFont, MeasuresFixedPitchAt96Dpi) {
    ASSERT_TRUE(registerReportFont());
    const QImage image = page96Dpi();
    QFont font(kFamily);
    font.setPixelSize(9); // 7 pt at 96 dpi
    const QFontMetrics metrics(font, &image);
    const int one = metrics.horizontalAdvance(QStringLiteral("A"));
    EXPECT_GT(one, 0);
    // Columns line up: lines of equal length measure alike, whatever the letters.
    const QString line(132, QLatin1Char('A'));
    QString mixed;
    while (mixed.size() < 132)
        mixed += QStringLiteral("iW.çã€ ");
    mixed.truncate(132);
    EXPECT_EQ(metrics.horizontalAdvance(mixed), metrics.horizontalAdvance(line));
    EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("iiiii")),
              metrics.horizontalAdvance(QStringLiteral("WWWWW")));
}

// The figures page layout follows (line heights, characters per line). A change
// here moves page breaks: it means another font file or another rasteriser setting.
TEST(ReportFont, LayoutFiguresAt96Dpi) {
    ASSERT_TRUE(registerReportFont());
    const QImage image = page96Dpi();
    struct Figures {
        int pixelSize, height, ascent, descent, advanceOfA, advanceOf132;
    };
    // 6 pt, 7 pt and 8 pt at 96 dpi. One character measures its advance rounded
    // (5.39 px at 9 px gives 5), a line the sum of the exact advances (711.56 gives 712).
    for (const Figures& expected :
         {Figures{8, 9, 7, 2, 5, 633}, Figures{9, 10, 8, 2, 5, 712}, Figures{11, 13, 10, 3, 7, 870}}) {
        SCOPED_TRACE(expected.pixelSize);
        QFont font(kFamily);
        font.setPixelSize(expected.pixelSize);
        const QFontMetrics metrics(font, &image);
        EXPECT_EQ(metrics.height(), expected.height);
        EXPECT_EQ(metrics.ascent(), expected.ascent);
        EXPECT_EQ(metrics.descent(), expected.descent);
        EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("A")), expected.advanceOfA);
        EXPECT_EQ(metrics.horizontalAdvance(QString(132, QLatin1Char('A'))), expected.advanceOf132);
    }
}

TEST(ReportFont, InstallsWhenMissingAndLeavesAnInstalledFontAlone) {
    if (installedForAFreshFontconfig()) GTEST_SKIP() << "Orator10 BT is installed on this machine";
    const QString copy = QDir(Folders::currentFolder()).filePath("ORATOR10.TTF");
    const QString installed = fontsFolderFile("ORATOR10.TTF");
    ASSERT_FALSE(QFileInfo::exists(copy));
    ASSERT_FALSE(QFileInfo::exists(installed));

    // The in-process registration has no file and is no installation.
    ASSERT_TRUE(registerReportFont());
    EXPECT_FALSE(reportFontInstalled());

    installReportFontIfMissing();
    EXPECT_FALSE(QFileInfo::exists(copy)) << "nothing is left in the current folder";
    EXPECT_EQ(test::readFile(installed), reportFontBytes()) << "the copy in the fonts folder";
    EXPECT_TRUE(reportFontInstalled());
    EXPECT_TRUE(installedForAFreshFontconfig()) << "another program would not see it";

    // Installed now: nothing is written to either folder.
    const QDateTime modified = QFileInfo(installed).lastModified();
    const QStringList fonts = QDir(Folders::fontsFolder()).entryList(QDir::Files);
    installReportFontIfMissing();
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_EQ(QDir(Folders::fontsFolder()).entryList(QDir::Files), fonts);
    EXPECT_EQ(QFileInfo(installed).lastModified(), modified);

    QFile::remove(installed);
    EXPECT_FALSE(reportFontInstalled()) << "a font whose file is gone is not installed";
}

TEST(ReportFont, InstallCopiesIntoTheFontsFolderAndRegisters) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString source = writeFontCopy(dir, "RlInstall.ttf");
    const QString destination = fontsFolderFile("RlInstall.ttf");
    QDir(Folders::fontsFolder()).removeRecursively(); // the folder is created when missing

    EXPECT_EQ(InstallReportFont(source), 0);
    EXPECT_EQ(test::readFile(destination), reportFontBytes());
    EXPECT_TRUE(QFileInfo::exists(source)) << "the source stays";
    EXPECT_TRUE(reportFontInstalled());

    // Installing the file that already is in the fonts folder only registers it.
    EXPECT_EQ(InstallReportFont(destination), 0);

    // Source and destination are compared without regard to case: a source in a
    // folder whose name differs from the fonts folder only in case is taken for
    // the destination itself, so nothing is copied and there is nothing to register.
    const QString caseVariant = QDir::cleanPath(Folders::fontsFolder() + "/../FONTS");
    ASSERT_NE(caseVariant, Folders::fontsFolder());
    ASSERT_TRUE(QDir().mkpath(caseVariant));
    test::writeFile(caseVariant + "/RlCase.ttf", reportFontBytes());
    EXPECT_EQ(InstallReportFont(caseVariant + "/RlCase.ttf"), ENOENT);
    EXPECT_FALSE(QFileInfo::exists(fontsFolderFile("RlCase.ttf")));
    QDir(caseVariant).removeRecursively();

    QFile::remove(destination);
}

TEST(ReportFont, InstallRefusesToOverwriteAndReportsFailures) {
    QTemporaryDir dir;
    QTemporaryDir other;
    ASSERT_TRUE(dir.isValid() && other.isValid());
    const QString destination = fontsFolderFile("RlTwice.ttf");
    ASSERT_EQ(InstallReportFont(writeFontCopy(dir, "RlTwice.ttf")), 0);

    // A second file of the same name does not replace the installed one.
    const QString second = other.filePath("RlTwice.ttf");
    test::writeFile(second, "not the same bytes");
    EXPECT_EQ(InstallReportFont(second), EEXIST);
    EXPECT_EQ(test::readFile(destination), reportFontBytes());
    QFile::remove(destination);

    EXPECT_EQ(InstallReportFont(dir.filePath("Missing.ttf")), ENOENT);
    EXPECT_FALSE(QFileInfo::exists(fontsFolderFile("Missing.ttf")));

    // A file that is no font is refused and not left in the fonts folder, where
    // it would block every later attempt.
    const QString bogus = dir.filePath("RlBogus.ttf");
    test::writeFile(bogus, QByteArray(4096, 'x'));
    EXPECT_EQ(InstallReportFont(bogus), EINVAL);
    EXPECT_FALSE(QFileInfo::exists(fontsFolderFile("RlBogus.ttf")));
}
