#include "composer/composer_form.h"
#include "support/test_support.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace rl;
using Lines = std::vector<std::string>;

namespace {

struct LinesFixture {
    QTemporaryDir dir;

    Lines read(const QByteArray& bytes) {
        const QString path = dir.filePath("report.txt");
        test::writeFile(path, bytes);
        return TForm2::ReadReportLines(path);
    }
};

} // namespace

TEST(ReadReportLines, LineEnds) {
    LinesFixture f;
    EXPECT_EQ(f.read("a\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(f.read("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(f.read("a\r\nb"), (Lines{"a", "b"})); // the last line needs no line end
    EXPECT_EQ(f.read("a\nb\r\nc"), (Lines{"a", "b", "c"}));
    // Blank lines are lines, trailing ones included; a final line end opens none.
    EXPECT_EQ(f.read("\r\na\r\n\r\n\r\n"), (Lines{"", "a", "", ""}));
}

TEST(ReadReportLines, LoneCarriageReturnIsDroppedFromTheLine) {
    LinesFixture f;
    EXPECT_EQ(f.read("ab\rcd\r\nef\r"), (Lines{"abcd", "ef"}));
    EXPECT_EQ(f.read("a\r\r\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(f.read("\r"), (Lines{""}));
}

TEST(ReadReportLines, CtrlZEndsTheFile) {
    LinesFixture f;
    EXPECT_EQ(f.read("a\r\nb\x1a"
                     "c\r\nd\r\n"),
              (Lines{"a", "b"}));
    EXPECT_EQ(f.read("a\r\n\x1a"
                     "b\r\n"),
              (Lines{"a"}));
    EXPECT_EQ(f.read("\x1a"
                     "a\r\n"),
              Lines{});
}

TEST(ReadReportLines, NulBecomesABlankAndOtherControlsStay) {
    LinesFixture f;
    EXPECT_EQ(f.read(QByteArray("a\0b\0\r\n\t\f\x1b"
                                "E\x7f\xff\r\n",
                                13)),
              (Lines{"a b ", "\t\f\x1b"
                             "E\x7f\xff"}));
}

TEST(ReadReportLines, OnlyFormFeeds) {
    LinesFixture f;
    EXPECT_EQ(f.read("\f\f\f"), (Lines{"\f\f\f"}));
    EXPECT_EQ(f.read("\f\r\n\f\r\n\f"), (Lines{"\f", "\f", "\f"}));
}

TEST(ReadReportLines, NothingToReadGivesNoLines) {
    LinesFixture f;
    EXPECT_EQ(f.read(""), Lines{});
    EXPECT_EQ(TForm2::ReadReportLines(f.dir.filePath("missing.txt")), Lines{});
    EXPECT_EQ(TForm2::ReadReportLines(""), Lines{});
    EXPECT_EQ(TForm2::ReadReportLines(f.dir.path()), Lines{});

    Lines lines{"stale"};
    QString error;
    EXPECT_FALSE(TForm2::ReadReportLinesInto(f.dir.path(), lines, &error));
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(error, f.dir.path() + ": not a regular file");
    EXPECT_FALSE(TForm2::ReadReportLinesInto(f.dir.filePath("missing.txt"), lines, &error));
    EXPECT_EQ(error, f.dir.filePath("missing.txt") + ": no such file");

    const QString path = f.dir.filePath("empty.txt");
    test::writeFile(path, "");
    EXPECT_TRUE(TForm2::ReadReportLinesInto(path, lines, &error));
    EXPECT_TRUE(lines.empty());
}

TEST(ReadReportLines, UnreadableFileIsAnError) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    LinesFixture f;
    const QString path = f.dir.filePath("secret.txt");
    test::writeFile(path, "a\r\n");
    QFile::setPermissions(path, QFileDevice::WriteOwner);
    Lines lines;
    QString error;
    EXPECT_FALSE(TForm2::ReadReportLinesInto(path, lines, &error));
    EXPECT_TRUE(error.startsWith(path + ": ")) << error.toStdString();
}

// A named pipe with no writer would block an open for ever: it is not opened.
TEST(ReadReportLines, PipeIsNotOpened) {
    LinesFixture f;
    const QString path = f.dir.filePath("pipe");
    ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    Lines lines;
    QString error;
    EXPECT_FALSE(TForm2::ReadReportLinesInto(path, lines, &error));
    EXPECT_EQ(error, path + ": not a regular file");
}

TEST(ReadReportLines, BinaryFileIsReadAsBytes) {
    LinesFixture f;
    QByteArray bytes;
    QRandomGenerator random(1234);
    for (int i = 0; i < 200000; ++i) {
        char byte = char(random.bounded(256));
        if (byte == 26) byte = 27; // keep going to the end
        bytes += byte;
    }
    const Lines lines = f.read(bytes);
    size_t total = 0;
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find('\0'), std::string::npos);
        EXPECT_EQ(line.find('\r'), std::string::npos);
        EXPECT_EQ(line.find('\n'), std::string::npos);
        total += line.size();
    }
    EXPECT_EQ(lines.size(), size_t(bytes.count('\n') + (bytes.endsWith('\n') ? 0 : 1)));
    EXPECT_EQ(total, size_t(bytes.size() - bytes.count('\n') - bytes.count('\r')));
}

TEST(ReadReportLines, TenMegabyteLineIsOneLine) {
    LinesFixture f;
    QByteArray bytes = "HEADER\r\n";
    bytes += QByteArray(10 * 1024 * 1024, 'x');
    bytes += "\r\nlast";
    const Lines lines = f.read(bytes);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].size(), size_t(10 * 1024 * 1024));
    EXPECT_EQ(lines[1].find_first_not_of('x'), std::string::npos);
    // Held at its own length, not at the reading buffer's.
    EXPECT_LT(lines[1].capacity(), lines[1].size() + 64);
    EXPECT_EQ(lines[2], "last");
}

TEST(ReadReportLines, LinesAcrossReadChunkBoundaries) {
    LinesFixture f;
    // Line ends straddling the 64 KiB chunks of the reader.
    QByteArray bytes(64 * 1024 - 1, 'a');
    bytes += "\r\nb";
    bytes += QByteArray(64 * 1024 - 2, 'c');
    bytes += "\r\r\nd";
    const Lines lines = f.read(bytes);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), size_t(64 * 1024 - 1));
    EXPECT_EQ(lines[1].size(), size_t(64 * 1024 - 1));
    EXPECT_EQ(lines[2], "d");
}
