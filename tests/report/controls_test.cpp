#include "pagestore/picture_data.h"
#include "pagestore/text_measure.h"
#include "report_fixture.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace rl;
using namespace rl::test;

namespace {
QSize spaceSize(const SurfaceFont& font) {
    return measureText(font, " ");
}
} // namespace

TEST(Controls, NewControlsHaveTheirDefaultSizes) {
    QObject owner;
    TRLBand band(&owner);
    EXPECT_EQ(band.Width(), 185);
    EXPECT_EQ(band.Height(), 16);
    EXPECT_EQ(band.Align(), faTop);
    EXPECT_TRUE(band.IntegralHeight);
    TRLImage image(&owner);
    EXPECT_EQ(image.Width(), 105);
    EXPECT_EQ(image.Height(), 105);
    image.SetStretch(true);
    image.SetScaled(true);
    EXPECT_FALSE(image.Stretch());
    band.SetGroupIndex(-3);
    EXPECT_EQ(band.GroupIndex(), 0);
}

TEST(Controls, EmptyAutoSizedCaptionTakesOneSpace) {
    LineReport r;
    r.report->Font.Size = 12;
    const QSize space = spaceSize(r.line->EffectiveFont());
    // Outside a run an empty label shows its name; inside it stays empty.
    r.line->SetCaption("");
    EXPECT_GT(r.line->Width(), space.width());
    r.header->Visible = false;
    r.title->Visible = false;
    ASSERT_TRUE(r.run({""}));
    TRLGraphicSurface* page = r.store().Pages(0);
    const auto& text = static_cast<const TRLTextObject&>(*page->Objects(3));
    EXPECT_EQ(text.Text, "");
    EXPECT_EQ(text.Bounds.width(), space.width());
    EXPECT_EQ(text.Bounds.height(), space.height());
}

TEST(Controls, AutoSizedBandFollowsItsLabel) {
    LineReport r;
    r.report->Font.Size = 7;
    r.line->SetCaption("x");
    const std::int32_t oneLine = r.detail->Height();
    EXPECT_EQ(oneLine, measureText(r.line->EffectiveFont(), "x ").height());
    r.report->Font.Size = 20;
    r.line->SetCaption("y");
    EXPECT_GT(r.detail->Height(), oneLine);
    EXPECT_EQ(r.line->Left(), r.detail->ClientRect().left);           // faLeftTop: at the client's top-left
    EXPECT_EQ(r.detail->Width(), r.report->SiteClientRect().width()); // faTop: as wide as the client area
}

TEST(Controls, CentredLabelKeepsItsCentre) {
    QObject owner;
    TRLBand band(&owner);
    band.SetAutoSize(false);
    TRLLabel label(&owner);
    label.SetParentControl(&band);
    label.Font = SurfaceFont{};
    label.Font.Name = "Orator10 BT";
    label.Font.Size = 11; // 15 pixels: a character advances exactly 9
    label.ParentFont = false;
    label.SetAutoSize(false);
    label.SetBounds(0, 0, 100, 20);
    label.Alignment = taCenter;
    label.SetCaption("abcd"); // four characters and a space: 45 wide
    label.SetAutoSize(true);  // measured in its 100-wide slot
    EXPECT_EQ(label.Width(), 46);
    EXPECT_EQ(label.Left(), 27);
}

TEST(Controls, RightJustifiedAndBottomLaidLabelsKeepTheirEdges) {
    QObject owner;
    TRLLabel label(&owner);
    label.SetAutoSize(false);
    label.SetBounds(10, 10, 200, 100);
    label.Alignment = taRightJustify;
    label.Layout = tlBottom;
    label.SetAutoSize(true);
    label.SetCaption("abc");
    EXPECT_EQ(label.Left() + label.Width(), 210);
    EXPECT_EQ(label.Top() + label.Height(), 110);
}

TEST(Controls, AutoSizedImageTakesThePictureSize) {
    QObject owner;
    TRLImage image(&owner);
    image.SetAutoSize(true);
    EXPECT_EQ(image.Width(), 105); // no picture: keeps its size
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::red);
    image.SetPicture(PictureData::fromImage(picture));
    EXPECT_EQ(image.Width(), 40);
    EXPECT_EQ(image.Height(), 30);
}

TEST(Controls, ImagePrintsItsPictureCutToItsBounds) {
    LineReport r;
    r.title->SetAutoSize(false);
    r.title->SetHeight(20);
    auto* image = new TRLImage(&r.owner);
    image->SetParentControl(r.title);
    image->SetBounds(100, 0, 50, 20);
    QImage picture(80, 40, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    image->SetPicture(PictureData::fromImage(picture));
    ASSERT_TRUE(r.run({}));
    TRLGraphicSurface* page = r.store().Pages(0);
    const TRLImageObject* found = nullptr;
    for (const auto& object : page->Items())
        if (object->kind() == ObjectKind::Image) found = static_cast<const TRLImageObject*>(object.get());
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Bounds.width(), 50);
    EXPECT_EQ(found->Bounds.height(), 20);
    EXPECT_EQ(PictureData::size(found->PictureData), QSize(50, 20));
}

TEST(Controls, BordersAreDrawnAsFilledRectangles) {
    QObject owner;
    TRLReport report(&owner);
    TRLBand band(&owner);
    band.SetParentControl(&report);
    TRLLabel label(&owner);
    label.SetParentControl(&band);
    label.SetAutoSize(false);
    label.SetBounds(10, 2, 60, 12);
    label.Borders.SetSides(sdAll);
    label.Borders.Width = 2;
    label.Transparent = false;
    label.Color = {255, 255, 0};
    label.ParentColor = false;
    label.PrintControl();
    const auto& items = band.Surface().Items();
    ASSERT_EQ(items.size(), 6u); // background, four sides, text
    EXPECT_EQ(items[0]->kind(), ObjectKind::FillRect);
    EXPECT_EQ(items[0]->Bounds, (PageRect{10, 2, 70, 14}));
    EXPECT_EQ(items[1]->Bounds, (PageRect{10, 2, 12, 14}));  // left side
    EXPECT_EQ(items[4]->Bounds, (PageRect{10, 12, 70, 14})); // bottom side
    EXPECT_EQ(items[5]->Bounds, (PageRect{12, 4, 68, 12}));  // text inside the borders
    EXPECT_NE(items[0]->Group, items[5]->Group);             // frame and text are separate passes
}

TEST(Controls, ControlOutsideAReportCannotPrint) {
    QObject owner;
    TRLLabel label(&owner);
    label.setObjectName("RLLabel9");
    Messages::setLanguage(Messages::Language::Portuguese);
    try {
        label.PrintControl();
        FAIL() << "no error";
    } catch (const rl::Error& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), QString::fromUtf8("Não encontrado: RLLabel9.ParentSurface"));
    }
}

TEST(Controls, BandsStackAtTheTopInTypeOrder) {
    LineReport r;
    const PageRect client = r.report->SiteClientRect();
    EXPECT_EQ(r.header->Top(), client.top);
    EXPECT_EQ(r.title->Top(), r.header->Top() + r.header->Height());
    EXPECT_EQ(r.detail->Top(), r.title->Top() + r.title->Height());
    EXPECT_EQ(r.detail->Left(), client.left);
}
