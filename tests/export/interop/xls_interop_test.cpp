#include "export/xls_filter.h"
#include "pagestore/graphic_storage.h"
#include "platform/messages.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace rl;

namespace {

// Debian's interpreter, where python3-xlrd is installed (a user's own python3 may come first in PATH).
QString python() {
    return QFile::exists("/usr/bin/python3") ? QStringLiteral("/usr/bin/python3") : QStringLiteral("python3");
}

QJsonObject readWithXlrd(const QString& path, bool lengths = false) {
    QProcess process;
    QStringList args{QStringLiteral(RL_SOURCE_DIR "/tests/export/interop/read_xls.py"), path};
    if (lengths) args << "--lengths";
    process.start(python(), args);
    EXPECT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
}

// Every sheet of the file as CSV text, converted by LibreOffice with a profile of its own.
QStringList convertWithLibreOffice(const QString& path) {
    QTemporaryDir work;
    QProcess process;
    process.start("soffice",
                  {"--headless", "-env:UserInstallation=file://" + work.path() + "/profile", "--convert-to",
                   "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1",
                   "--outdir", work.path() + "/out", path});
    EXPECT_TRUE(process.waitForFinished(180000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    QStringList sheets;
    const QDir out(work.path() + "/out");
    for (const QString& name : out.entryList({"*.csv"}, QDir::Files, QDir::Name))
        sheets << QString::fromUtf8(test::readFile(out.filePath(name)));
    return sheets;
}

std::unique_ptr<TRLGraphicSurface> reportPage(const std::vector<std::pair<PageRect, std::string>>& texts) {
    auto page = std::make_unique<TRLGraphicSurface>();
    page->Width = 1123;
    page->Height = 794;
    for (const auto& [rect, text] : texts)
        page->TextRect(rect, rect.left, rect.top, text, haLeft, vaTop, 0);
    return page;
}

} // namespace

// Three pages (the last one without text): one sheet per page named after
// it, every text in a cell, the wide title merged; LibreOffice reads the same texts.
TEST(XlsInterop, FilterOutputOpensInXlrdAndLibreOffice) {
    Messages::setLanguage(Messages::Language::Portuguese);
    QObject owner; // a store without owner deletes itself when the filter unlinks
    TRLGraphicStorage& store = *new TRLGraphicStorage(&owner);
    store.Add(reportPage({{{0, 0, 600, 16}, "Relat\xF3rio de vendas"},
                          {{0, 20, 100, 36}, "A\xE7\xE3o"},
                          {{200, 20, 300, 36}, "\x80 1.234,56"},
                          {{0, 40, 100, 48}, "pequeno"},
                          {{200, 40, 300, 48}, "fim"}}));
    store.Add(reportPage({{{0, 0, 100, 16}, "segunda"}}));
    store.Add(reportPage({}));

    TRLXLSFilter filter;
    filter.SetShowProgress(false);
    const QString path = QDir::current().filePath("report.xls");
    filter.SetFileName(path);
    const QStringList tempBefore = QDir(QDir::tempPath()).entryList({"~mv*.tmp"});
    ASSERT_EQ(filter.Run(&store, 1, -1), TRLCustomFilter::RunResult::Completed);
    EXPECT_EQ(QDir(QDir::tempPath()).entryList({"~mv*.tmp"}),
              tempBefore); // the workbook stream's file is gone

    const QJsonObject book = readWithXlrd(path);
    const QJsonArray sheets = book["sheets"].toArray();
    ASSERT_EQ(sheets.size(), 3);
    const QJsonObject first = sheets[0].toObject();
    EXPECT_EQ(first["name"].toString(), "Página1");
    EXPECT_EQ(sheets[1].toObject()["name"].toString(), "Página2");
    EXPECT_EQ(sheets[2].toObject()["name"].toString(), "Página3");
    const QJsonDocument cells(first["cells"].toArray());
    EXPECT_EQ(cells.toJson(QJsonDocument::Compact).toStdString(),
              R"([[0,0,"Relatório de vendas"],[1,0,"Ação"],[1,1,"€ 1.234,56"],[2,0,"pequeno"],[2,1,"fim"]])");
    EXPECT_EQ(QJsonDocument(first["merged"].toArray()).toJson(QJsonDocument::Compact), "[[0,1,0,2]]");
    EXPECT_EQ(QJsonDocument(sheets[1].toObject()["cells"].toArray()).toJson(QJsonDocument::Compact),
              R"([[0,0,"segunda"]])");
    EXPECT_TRUE(sheets[2].toObject()["cells"].toArray().isEmpty());

    const QStringList csv = convertWithLibreOffice(path);
    ASSERT_EQ(csv.size(), 3);
    EXPECT_EQ(csv[0].toStdString(), "Relatório de vendas,\nAção,\"€ 1.234,56\"\npequeno,fim\n");
    EXPECT_EQ(csv[1].toStdString(), "segunda\n");
}

// The golden workbook of the writer tests, as the readers see it.
TEST(XlsInterop, GoldenWorkbookReadsBack) {
    const QString path = QStringLiteral(RL_TEST_DATA "/export/xls_tiny.xls");
    const QJsonArray sheets = readWithXlrd(path)["sheets"].toArray();
    EXPECT_EQ(
        QJsonDocument(sheets).toJson(QJsonDocument::Compact).toStdString(),
        R"([{"cells":[[0,0,"Relatório de vendas"],[1,1,1234.56]],"merged":[[0,1,0,2]],"name":"Página1"},)"
        R"({"cells":[[0,0,"Ação €"]],"merged":[],"name":"Página2"}])");
    EXPECT_EQ(convertWithLibreOffice(path), (QStringList{"Relatório de vendas,\n,1234.56\n", "Ação €\n"}));
}

// Over 7 MB: the allocation table needs DIFAT sectors, and readers still find every string.
TEST(XlsInterop, LargeWorkbookWithDifatSectorsOpens) {
    TRLXLSWorkbook workbook;
    for (int s = 0; s < 4; ++s) {
        TRLXLSWorksheet& sheet = workbook.AddWorksheet();
        sheet.SetTitle(QStringLiteral("Página%1").arg(s + 1));
        for (int r = 0; r < 300; ++r)
            sheet.FindRange(0, r, 0, r).Value = QString(3000, QChar(u'a' + r % 26));
    }
    const QString path = QDir::current().filePath("large.xls");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    WriteXlsFile(workbook, file);
    file.close();
    ASSERT_GT(file.size(), 13843 * 512);

    const QJsonArray sheets = readWithXlrd(path, true)["sheets"].toArray();
    ASSERT_EQ(sheets.size(), 4);
    const QJsonArray cells = sheets[3].toObject()["cells"].toArray();
    ASSERT_EQ(cells.size(), 300);
    EXPECT_EQ(cells[299].toArray()[2].toInt(), 3000);
}
