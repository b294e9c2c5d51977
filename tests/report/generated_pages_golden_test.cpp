#include "report_fixture.h"

#include "pagestore/picture_data.h"
#include "support/test_support.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace rl;
using namespace rl::test;

namespace {

// Lines of every shape the layout treats apart: lengths that change the label's
// width line by line, empty lines, tabs (measured by Qt, not by the advance
// table), Windows-1252 letters, form feeds at the start and in the middle.
std::vector<std::string> sampleLines() {
    std::vector<std::string> lines;
    for (int i = 0; i < 200; ++i) {
        std::string line;
        switch (i % 7) {
        case 0:
            line = "";
            break;
        case 1:
            line = "CONTA " + std::to_string(i) + "\tSALDO\t" + std::to_string(i * 37);
            break;
        case 2:
            line = std::string(size_t(20 + i % 60), char('A' + i % 26));
            break;
        case 3:
            line = "Relat\xf3rio anal\xedtico \x80 " + std::to_string(i);
            break;
        default:
            line = std::string(size_t(i % 11), ' ') + "linha " + std::to_string(i);
            break;
        }
        if (i == 40) line = "\fP\xc1GINA NOVA";
        if (i == 41) line = "\f";
        if (i == 90) line = "x\fmeio";
        lines.push_back(line);
    }
    return lines;
}

} // namespace

// Every page of a generation, serialized, against a golden taken from the engine
// before it was tuned for speed: the drawing objects, their order, groups, font
// records and pictures must not change whatever is cached or moved instead of
// copied. A second run in another label font checks that nothing measured in
// the first font is reused. Regenerate with RL_UPDATE_GOLDENS=1.
TEST(GeneratedPages, PagesMatchGolden) {
    LineReport r;
    // A picture on the header band and a framed title: image objects and a
    // band page holding more than one object.
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(QColor(10, 200, 30));
    auto* image = new TRLImage(&r.owner);
    image->SetParentControl(r.header);
    image->SetBounds(300, 0, 1, 1);
    image->SetAutoSize(true);
    image->SetPicture(PictureData::fromImage(picture));
    r.titleLabel->Borders.SetSides(sdAll);
    r.titleLabel->Transparent = false;
    r.titleLabel->ParentColor = false;
    r.titleLabel->Color = {250, 240, 0};

    QByteArray pages;
    auto generate = [&] {
        ASSERT_TRUE(r.run(sampleLines()));
        for (int i = 0; i < r.store().PageCount(); ++i) {
            TRLGraphicSurface* page = r.store().Pages(i);
            ASSERT_NE(page, nullptr);
            pages += page->SaveToBytes();
        }
    };
    generate();
    EXPECT_EQ(r.store().PageCount(), 5);
    r.line->ParentFont = false;
    r.line->Font.Name = "Orator10 BT";
    r.line->Font.Size = 9;
    r.line->Font.Style = fsBold;
    generate();

    const QString path = QStringLiteral(RL_TEST_DATA "/report/generated_pages.bin");
    if (qEnvironmentVariableIsSet("RL_UPDATE_GOLDENS")) {
        writeFile(path, pages);
        return;
    }
    const QByteArray expected = readFile(path);
    ASSERT_FALSE(expected.isEmpty()) << "no golden " << path.toStdString();
    EXPECT_TRUE(expected == pages) << firstDifference(expected, pages);
}
