// Reports written in other encodings than Windows-1252: the lines the engine
// receives from them, cell for cell, and the encoding "auto" decides on.

#include "composer/composer_fixture.h"
#include "platform/report_encoding.h"

#include <gtest/gtest.h>

namespace rl::test {
namespace {

QString encodedReport(const char* name) {
    return QStringLiteral(RL_TEST_DATA "/encodings/%1.txt").arg(QLatin1String(name));
}

// The lines of a CR LF file, without their line ends.
std::vector<std::string> crLfLines(const QByteArray& bytes) {
    std::vector<std::string> lines;
    for (const QByteArray& line : bytes.split('\n'))
        if (!line.isEmpty()) lines.push_back(line.chopped(1).toStdString());
    return lines;
}

struct EncodedCase {
    const char* file;
    ReportEncoding asked;
    ReportEncoding read;
};

class EncodedReport : public ::testing::TestWithParam<EncodedCase> {};

TEST_P(EncodedReport, EngineReceivesOneCellForEachCharacter) {
    ComposerFixture f;
    const QByteArray bytes = readFile(encodedReport(GetParam().file));
    ASSERT_FALSE(bytes.isEmpty());
    f.setReport(bytes, "80");
    f.form->Values.Encoding = GetParam().asked;
    f.form->ComposeReport();
    EXPECT_EQ(f.form->LinesEncoding(), GetParam().read);

    std::vector<std::string> printed;
    ASSERT_EQ(f.pageCount(), 2); // the form feed opened the second page
    for (int page = 0; page < f.pageCount(); ++page)
        for (const std::string& text : f.texts(page))
            printed.push_back(text);
    const QString cells = QStringLiteral(RL_TEST_DATA "/encodings/%1-cells.txt").arg(GetParam().file);
    EXPECT_EQ(printed, crLfLines(readFile(cells)));

    // The lines themselves keep the file's bytes, for the text exports.
    QByteArray joined;
    for (const std::string& line : f.form->ReportLines.AllLines())
        joined += QByteArray::fromStdString(line) + "\r\n";
    EXPECT_EQ(joined, bytes);
}

INSTANTIATE_TEST_SUITE_P(Files, EncodedReport,
                         ::testing::Values(EncodedCase{"cp850", ReportEncoding::Auto, ReportEncoding::Cp850},
                                           EncodedCase{"cp850", ReportEncoding::Cp850, ReportEncoding::Cp850},
                                           EncodedCase{"cp437", ReportEncoding::Cp437, ReportEncoding::Cp437},
                                           EncodedCase{"iso-8859-15", ReportEncoding::Iso8859_15,
                                                       ReportEncoding::Iso8859_15},
                                           EncodedCase{"utf-8", ReportEncoding::Auto, ReportEncoding::Utf8},
                                           EncodedCase{"utf-8", ReportEncoding::Utf8, ReportEncoding::Utf8}),
                         [](const auto& info) {
                             std::string name = info.param.file;
                             std::erase(name, '-');
                             return name + "_" +
                                    ReportEncodingName(info.param.asked).remove(u'-').toStdString();
                         });

// CP437 frames share CP850's positions, and ISO-8859-15 is Windows-1252 but
// for eight signs: "auto" takes them for those (the user names them), while
// the three Windows-1252 samples stay what they are.
TEST(AutoEncoding, DecidesOnEachFileAndSample) {
    const struct {
        QString path;
        ReportEncoding decided;
    } files[] = {
        {encodedReport("cp850"), ReportEncoding::Cp850},
        {encodedReport("cp437"), ReportEncoding::Cp850},
        {encodedReport("iso-8859-15"), ReportEncoding::Windows1252},
        {encodedReport("utf-8"), ReportEncoding::Utf8},
        {RL_SOURCE_DIR "/examples/invoice-80.txt", ReportEncoding::Windows1252},
        {RL_SOURCE_DIR "/examples/ledger-132.txt", ReportEncoding::Windows1252},
        {RL_SOURCE_DIR "/examples/listing-255.txt", ReportEncoding::Windows1252},
    };
    for (const auto& file : files) {
        const std::vector<std::string> lines = TForm2::ReadReportLines(file.path);
        ASSERT_FALSE(lines.empty()) << file.path.toStdString();
        EXPECT_EQ(DetectReportEncoding(lines), file.decided) << file.path.toStdString();
    }
}

} // namespace
} // namespace rl::test
