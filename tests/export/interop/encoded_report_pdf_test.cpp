// A report in each encoding, exported to PDF and read back by poppler on a
// machine without the report font: its lines, frames folded to - = | + and
// accents intact, every character in its column.

#include "composer/composer_fixture.h"
#include "export/pdf_test_pages.h"
#include "platform/windows1252.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace rl::test {
namespace {

// pdftotext as a recipient runs it: its own fontconfig set-up with the
// system's fonts but not the report font, and a home of its own.
QString pdfToText(const QString& pdf, const QTemporaryDir& home, const QString& mode) {
    const QString config = home.filePath(QStringLiteral("fonts.conf"));
    writeFile(config, "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
                      "<dir>/usr/share/fonts</dir>\n<cachedir>" +
                          QFile::encodeName(home.filePath(QStringLiteral("cache"))) +
                          "</cachedir>\n</fontconfig>\n");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FONTCONFIG_FILE"), config);
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("pdftotext"), {mode, pdf, QStringLiteral("-")});
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("pdftotext did not finish");
    }
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The non-blank lines of a text, blanks run together: pdftotext's layout
// keeps the words and their order, not every blank between them.
std::string textLines(const QString& text) {
    QStringList lines;
    for (const QString& line : text.split(u'\n'))
        if (!line.simplified().isEmpty()) lines << line.simplified();
    return lines.join(u'\n').toStdString();
}

struct Word {
    int page;
    double x, y;
    QString text;
};

// The words of pdftotext -bbox, page by page, in reading order.
std::vector<Word> boxedWords(const QString& xhtml) {
    static const QRegularExpression word(
        QStringLiteral("<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>"));
    std::vector<Word> words;
    int page = 0;
    for (const QRegularExpressionMatch& match : word.globalMatch(xhtml)) {
        if (match.captured(0) == u"<page ") {
            ++page;
            continue;
        }
        QString text = match.captured(3);
        text.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
            .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
            .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
            .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        words.push_back({page, match.captured(1).toDouble(), match.captured(2).toDouble(), text});
    }
    return words;
}

// Every word of the expected lines sits on the character grid: its left edge
// is the page's margin plus its column times one character's width, the same
// on every line, so frames meet where the report drew them.
void expectWordsOnTheGrid(const std::vector<Word>& words, const QStringList& lines) {
    size_t next = 0;
    int row = -1;
    double rowY = -1;
    int rowPage = 0;
    // Column and left edge of every word, per page.
    std::map<int, std::vector<std::pair<int, double>>> placed;
    while (next < words.size()) {
        const Word& word = words[next];
        if (word.page != rowPage || std::abs(word.y - rowY) > 1) {
            ++row;
            rowY = word.y;
            rowPage = word.page;
        }
        ASSERT_LT(row, lines.size()) << "a word beyond the report's lines: " << word.text.toStdString();
        // The expected line's words, one after another, as pdftotext splits them at blanks.
        const QString& line = lines[row];
        qsizetype column = 0;
        while (next < words.size() && words[next].page == rowPage && std::abs(words[next].y - rowY) <= 1) {
            while (column < line.size() && line[column] == u' ')
                ++column;
            const QString expected = line.mid(column).section(u' ', 0, 0);
            EXPECT_EQ(words[next].text.toStdString(), expected.toStdString()) << "line " << row + 1;
            placed[rowPage].push_back({int(column), words[next].x});
            column += expected.size();
            ++next;
        }
    }
    EXPECT_EQ(row + 1, lines.size());
    for (const auto& [page, columns] : placed) {
        // The grid from the leftmost and the rightmost word, then every word against it.
        const auto [first, last] = std::minmax_element(columns.begin(), columns.end());
        ASSERT_GT(last->first, first->first);
        const double width = (last->second - first->second) / (last->first - first->first);
        for (const auto& [column, x] : columns)
            EXPECT_NEAR(x, first->second + (column - first->first) * width, width / 10)
                << "page " << page << ", column " << column;
    }
}

class EncodedReportPdf : public ::testing::TestWithParam<std::pair<const char*, ReportEncoding>> {};

TEST_P(EncodedReportPdf, GivesBackItsLinesThroughPdftotext) {
    const auto [name, encoding] = GetParam();
    ComposerFixture f;
    f.setReport(readFile(QStringLiteral(RL_TEST_DATA "/encodings/%1.txt").arg(QLatin1String(name))), "80");
    f.form->Values.Encoding = encoding;
    f.form->ComposeReport();
    const QString pdf = f.dir.filePath(QStringLiteral("report.pdf"));
    exportPdf(f.store(), pdf);

    const QByteArray cells = readFile(QStringLiteral(RL_TEST_DATA "/encodings/%1-cells.txt").arg(name));
    ASSERT_FALSE(cells.isEmpty());
    QTemporaryDir home;
    EXPECT_EQ(textLines(pdfToText(pdf, home, QStringLiteral("-layout"))), textLines(fromWindows1252(cells)));

    QStringList lines = fromWindows1252(cells).split(QStringLiteral("\r\n"));
    lines.removeAll(QString());
    expectWordsOnTheGrid(boxedWords(pdfToText(pdf, home, QStringLiteral("-bbox"))), lines);
}

INSTANTIATE_TEST_SUITE_P(Files, EncodedReportPdf,
                         ::testing::Values(std::pair{"cp850", ReportEncoding::Cp850},
                                           std::pair{"cp437", ReportEncoding::Cp437},
                                           std::pair{"iso-8859-15", ReportEncoding::Iso8859_15},
                                           std::pair{"utf-8", ReportEncoding::Utf8}),
                         [](const auto& info) {
                             std::string name = info.param.first;
                             std::erase(name, '-');
                             return name;
                         });

} // namespace
} // namespace rl::test
