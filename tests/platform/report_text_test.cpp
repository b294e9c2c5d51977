// The report's lines read from the file in windows: whatever the lines'
// lengths against the window, the order of reading or a file replaced while
// open, they are the lines of the whole file read at once.
#include "platform/report_text.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace rl {
namespace {

// The lines of a whole text by the rules, split the plain way.
std::vector<std::string> splitWhole(std::string text) {
    text = text.substr(0, text.find('\x1A'));
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t lf = text.find('\n', start);
        std::string line = text.substr(start, lf == std::string::npos ? std::string::npos : lf - start);
        std::string clean;
        for (const char c : line)
            if (c != '\r') clean.push_back(c == '\0' ? ' ' : c);
        lines.push_back(clean);
        if (lf == std::string::npos) break;
        start = lf + 1;
    }
    return lines;
}

std::string randomText(unsigned seed, size_t lines) {
    std::mt19937 random(seed);
    std::string text;
    for (size_t i = 0; i < lines; ++i) {
        // Mostly report lines, now and then one longer than the read window.
        const size_t length = random() % 400 == 0 ? 300000 + random() % 10000 : random() % 200;
        for (size_t k = 0; k < length; ++k) {
            const unsigned r = random() % 100;
            text.push_back(r == 0 ? '\0' : r == 1 ? '\r' : r == 2 ? '\f' : char('A' + r % 26));
        }
        text += random() % 2 ? "\r\n" : "\n";
    }
    if (seed % 2) text += "tail without a line end\r";
    if (seed % 3 == 0) text += "\x1A after the end\n";
    return text;
}

TEST(ReportText, WindowsReadTheLinesOfTheWholeFile) {
    QTemporaryDir dir;
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(seed);
        const std::string bytes = randomText(seed, 4000);
        const std::vector<std::string> expected = splitWhole(bytes);
        const QString path = dir.filePath(QString::number(seed));
        test::writeFile(path, QByteArray::fromStdString(bytes));

        ReportText text;
        ASSERT_TRUE(ReportText::Open(path, text));
        // First in order, as generation reads them...
        std::vector<std::string> read;
        text.ForEach([&](const std::string& line) {
            read.push_back(line);
            return true;
        });
        EXPECT_EQ(read, expected);
        EXPECT_EQ(text.Count(), expected.size());
        // ...then at random, as a search or a table does.
        std::mt19937 random(seed);
        std::string line;
        for (int k = 0; k < 300; ++k) {
            const size_t index = random() % expected.size();
            ASSERT_TRUE(text.Line(index, line));
            ASSERT_EQ(line, expected[index]) << index;
        }
        EXPECT_FALSE(text.Line(expected.size(), line));
        EXPECT_TRUE(line.empty());
    }
}

TEST(ReportText, OpenFileReadsOnWhenReplacedOrDeleted) {
    QTemporaryDir dir;
    const QString path = dir.filePath("report.txt");
    test::writeFile(path, "HEADER\r\none\r\ntwo\r\n");
    ReportText text;
    ASSERT_TRUE(ReportText::Open(path, text));
    ASSERT_TRUE(QFile::remove(path));
    test::writeFile(path, "another\r\n");
    EXPECT_EQ(text.AllLines(), (std::vector<std::string>{"HEADER", "one", "two"}));

    QString error;
    EXPECT_FALSE(ReportText::Open(dir.path(), text, &error));
    EXPECT_TRUE(error.endsWith(": not a regular file")) << error.toStdString();
    EXPECT_TRUE(text.Empty());
}

} // namespace
} // namespace rl
