#include "export/pdf_output.h"
#include "export/pdf_test_pages.h"
#include "export/picture_checksum.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace rl {
namespace {

using test::exportPdf;
using test::fixedMoment;
using test::readFile;
using test::sandboxDir;

// Compares with tests/data/export/NAME; RL_UPDATE_GOLDENS=1 rewrites the file instead.
void expectGolden(const QByteArray& actual, const QString& name) {
    const QString path = QStringLiteral(RL_TEST_DATA "/export/") + name;
    if (qEnvironmentVariableIsSet("RL_UPDATE_GOLDENS")) {
        test::writeFile(path, actual);
        return;
    }
    const QByteArray expected = readFile(path);
    ASSERT_FALSE(expected.isEmpty()) << "missing golden " << path.toStdString();
    EXPECT_TRUE(expected == actual) << name.toStdString() << ": " << test::firstDifference(expected, actual);
}

// Logo written once, F1/F2 for one face in two styles with their own
// descriptors, subset font programs and Unicode maps, escapes, baselines an
// ascent below the text's top, right alignment, clear pen, the empty third
// page, and a cross-reference table of 20-byte entries: all in one
// hand-checked file, written without compression.
TEST(PdfWriter, TinyDocumentMatchesGolden) {
    FixedClock clock(fixedMoment());
    ScopedClock scoped(clock);
    auto store = test::tinyDocument();
    const QString path = sandboxDir() + "/tiny.pdf";
    exportPdf(*store, path, false);
    expectGolden(readFile(path), "pdf_tiny.pdf");
}

TEST(PdfWriter, NumbersHaveFourDecimalsAtMostAndNoTrailingZeros) {
    const std::pair<double, const char*> cases[] = {{12.5, "12.5"},   {10, "10"},          {0, "0"},
                                                    {-3.25, "-3.25"}, {1.0 / 3, "0.3333"}, {-0.00001, "0"},
                                                    {0.99999, "1"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(pdfNumber(value), text) << value;
}

TEST(PdfWriter, TextEscapesDelimitersAndControlBytes) {
    std::string out;
    appendEscapedText(out, std::string("a(b)c\\d\te\x7f\xe9\x01", 12));
    EXPECT_EQ(out, "a\\(b\\)c\\\\d\\011e\\177\xe9\\001");
}

// The shift-register CRC equals the XMODEM CRC of the data once two zero bytes
// have been shifted through: a check value known from elsewhere.
TEST(PdfWriter, PictureChecksumIsTheCcittCrc) {
    EXPECT_EQ(PictureChecksum({}), 0);
    EXPECT_EQ(PictureChecksum(QByteArray("123456789") + QByteArray(2, '\0')), 0x31C3);
}

// A failed run leaves no new file and an old file of that name as it was.
TEST(PdfWriter, FailedRunLeavesNoDocument) {
    auto store = test::tinyDocument();
    const QString path = sandboxDir() + "/failed.pdf";
    test::writeFile(path, "old");
    // Pages 1 and 2 leave the store's cache, then page 2 is cut off the spill
    // file: the run fails after the first page has been written.
    for (int i = 0; i < TRLGraphicStorage::kCacheSize; ++i)
        store->Add(test::makePage(*store));
    QFile spill(store->SpillFileName());
    ASSERT_TRUE(spill.open(QIODevice::ReadWrite));
    ASSERT_TRUE(spill.resize(store->PageOffsets()[1]));
    spill.close();
    EXPECT_THROW(exportPdf(*store, path), std::exception);
    EXPECT_EQ(readFile(path), QByteArray("old"));
    EXPECT_EQ(QDir(sandboxDir()).entryList({"failed.pdf*"}, QDir::Files | QDir::Hidden).size(), 1);
}

} // namespace
} // namespace rl
